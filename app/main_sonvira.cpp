// Sonvira: the master station for the satellite clocks and bell repeaters.
#include "app/run_program.h"

int main(int argc, char *argv[])
{
    return runProgram(Edition::Sonvira, argc, argv);
}
