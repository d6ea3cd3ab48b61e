#pragma once

#include "app/command_line.h"
#include "host/places.h"

// The places of this run from the command line and the environment: the data
// folder --datos names, which must already be a folder (a mistyped one is never
// made), or ~/Quirzal from a HOME that is a full path; and for a service, which no
// one watches, no port of the system's own: only a COMn entry of the data folder or
// a device named with --dispositivo COMn=RUTA. On a start that cannot go on,
// returns false with the reason, in Spanish, in *error.
bool setUpPlaces(const CommandLine &line, Places *places, QString *error);
