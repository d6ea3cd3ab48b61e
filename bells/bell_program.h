#pragma once

#include "bells/frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// A bell program is a text file of lines "Canal,HH:MM:SS". A line ends at CR LF or
// at CR alone; a lone LF is an ordinary character. The channel is the first
// character of the line, the time its last eight characters.

struct BellLine
{
    int channel = 0;       // the digit value of the first character, else 0
    std::string_view time; // the last eight characters, or the whole line if shorter
};

BellLine splitLine(std::string_view line);

// The largest program read: far beyond any school's day of bells, small enough to
// read twice a second.
inline constexpr std::int64_t maxProgramSize = 64 * 1024 * 1024;

// Calls f(std::string_view line) for every line of text, without the line end. The
// last line may lack its end; a line end at the very end adds no empty line.
template <typename F> void forEachLine(std::string_view text, F &&f)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const auto *cr = static_cast<const char *>(std::memchr(p, '\r', std::size_t(end - p)));
        if (cr == nullptr) {
            f(std::string_view(p, std::size_t(end - p)));
            return;
        }
        f(std::string_view(p, std::size_t(cr - p)));
        p = cr + 1;
        if (p < end && *p == '\n')
            ++p;
    }
}

// The channels whose lines fall due at tickTime ("HH:MM:SS"). Every line is
// examined; a duplicated line acts as one. Runs at about the speed of reading the
// text and allocates nothing, as the tick scans the whole program twice a second.
FireFlags dueChannels(std::string_view program, std::string_view tickTime);

// For each channel, the number (from 1) of the first line that makes it due at the
// tick time, 0 for none: the same rule as dueChannels, line by line, for the rare
// moment a bell is told in the operations log.
std::array<int, 3> dueLineNumbers(std::string_view program, std::string_view tickTime);

// A bell of the program: its channel (1 to 3), the number (from 1) of its first
// line, and its time as the second of the day.
struct DueLine
{
    int channel = 0;
    int line = 0;
    int second = 0;
};

// The bells due at any second of the day from first to last (0 to 86399, both
// included), by the rule of dueLineNumbers, earliest first: the few seconds a clock
// step passes over, looked at only when it happens.
std::vector<DueLine> dueLinesBetween(std::string_view program, int first, int last);

// Whether the program holds a line feed that no carriage return precedes, as a
// Linux editor saves one: its lines are read joined, so their bells never ring.
bool hasLoneLineFeed(std::string_view program);
