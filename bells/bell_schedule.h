#pragma once

#include "bells/frame.h"

#include <array>
#include <string_view>
#include <vector>

// A bell program indexed by the second of the day, built in one pass when the
// program is read, so that a tick finds what is due without looking at the text:
// its cost does not grow with the program. It answers exactly as dueChannels and
// dueLineNumbers would on the same text (same lines, same split, first line of
// each channel). The text must outlive the schedule: a tick time that is no time
// of day, which only a caller's mistake could pass, is still answered from it.
class BellSchedule
{
public:
    BellSchedule() = default; // the schedule of an empty program
    explicit BellSchedule(std::string_view program);

    FireFlags dueChannels(std::string_view tickTime) const;
    std::array<int, 3> dueLineNumbers(std::string_view tickTime) const;

private:
    std::string_view program_;
    // For each second of the day, the first line (from 1) that makes each channel
    // due then, 0 for none; empty while no line can ever be due.
    std::vector<std::array<int, 3>> firstLines_;
};
