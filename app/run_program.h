#pragma once

#include "app/edition.h"

// Builds the real host, creates the window of the chosen program, runs its load
// and the event loop until the window closes. Command-line arguments are only
// handed to Qt: the program reads none of its own.
int runProgram(Edition edition, int argc, char *argv[]);
