#pragma once

#include "host/clock.h"
#include "host/clock_sync.h"
#include "host/launcher.h"
#include "host/message_boxes.h"
#include "host/operations_log.h"
#include "host/places.h"
#include "host/small_file.h"

// What the platform gives the program, in one bundle that start-up builds from the
// real pieces and tests build from stand-ins.
struct Host
{
    Clock &clock;
    MessageBoxes &messages;
    Launcher &launcher;
    Places places;
    OperationsLog &log;
    const ClockSync &clockSync;
    FileReadTally *programReads = nullptr; // counts the window's reads of the bell program
};
