#pragma once

#include "bells/bell_program.h"

#include <string_view>

// The bell rule applied the plain way, one line at a time: what the fast scan of
// dueChannels must always agree with. Shared by the unit test and the fuzz target.
inline FireFlags dueLineByLine(std::string_view program, std::string_view tickTime)
{
    FireFlags due{};
    forEachLine(program, [&](std::string_view line) {
        const BellLine split = splitLine(line);
        if (split.time == tickTime && split.channel >= 1 && split.channel <= 3)
            due[std::size_t(split.channel - 1)] = true;
    });
    return due;
}
