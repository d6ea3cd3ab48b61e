#pragma once

#include "bells/frame.h"

#include <cstddef>
#include <string>
#include <string_view>

// A bell program is a text file of lines "Canal,HH:MM:SS". A line ends at CR LF or
// at CR alone; a lone LF is an ordinary character. The channel is the first
// character of the line, the time its last eight characters.

struct BellLine
{
    int channel = 0;       // the digit value of the first character, else 0
    std::string_view time; // the last eight characters, or the whole line if shorter
};

BellLine splitLine(std::string_view line);

// Calls f(std::string_view line) for every line of text, without the line end.
template <typename F> void forEachLine(std::string_view text, F &&f)
{
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t cr = text.find('\r', start);
        if (cr == std::string_view::npos) {
            f(text.substr(start));
            return;
        }
        f(text.substr(start, cr - start));
        start = cr + 1;
        if (start < text.size() && text[start] == '\n')
            ++start;
    }
}

// The channels whose lines fall due at tickTime ("HH:MM:SS"). Every line is
// examined; a duplicated line acts as one.
FireFlags dueChannels(std::string_view program, std::string_view tickTime);
