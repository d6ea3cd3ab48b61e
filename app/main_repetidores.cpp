// repetidores: the earlier build of the master station, 300 baud only, no saved port.
#include "app/run_program.h"

int main(int argc, char *argv[])
{
    return runProgram(Edition::Repetidores, argc, argv);
}
