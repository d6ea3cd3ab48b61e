#pragma once

#include "app/edition.h"

// Builds the real host, creates the window of the chosen program, runs its load
// and the event loop until the window closes or a termination signal comes. The
// window program takes only --help and --version (Qt's options are left to Qt) and
// refuses, with status 2, to start with no display to open; with --servicio
// (app/command_line.h) the same window runs with no display and no one to answer
// its message boxes.
int runProgram(Edition edition, int argc, char *argv[]);
