#pragma once

#include "tools/timbres_check/program_analysis.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A change of the zone's offset from UTC (daylight saving on or off), in seconds.
struct OffsetShift
{
    std::int64_t atUtc = 0; // seconds since 1970-01-01 UTC
    int offsetBefore = 0;
    int offsetAfter = 0;
};

// The local times of one day that a shift skips (the clock goes forward) or lives
// twice (the clock goes back): [fromSecond, toSecond) in seconds of that day.
struct ClockChange
{
    int year = 0, month = 0, day = 0;
    int fromSecond = 0, toSecond = 0;
    bool skipped = false;
};

std::vector<ClockChange> clockChanges(const std::vector<OffsetShift> &shifts);

struct DaylightWarning
{
    Bell bell;
    ClockChange change;
};

std::vector<DaylightWarning>
daylightWarnings(const std::array<std::vector<std::string>, 3> &schedule,
                 const std::vector<ClockChange> &changes);
