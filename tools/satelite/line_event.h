#pragma once

#include "bells/frame.h"

#include <cstdint>
#include <string>
#include <vector>

// One thing worth telling about the line, in the order it happened.
struct LineEvent
{
    enum class Kind {
        Frame,  // a time frame: bytes, frame
        Close,  // the closing string
        Noise,  // bytes outside any frame: bytes
        Gap,    // a silence of more than a second, told when the line speaks again: ms
        Jump,   // the time went back or moved more than the elapsed time: time, previousTime
        Count,  // a second that brought other than two frames: time, count
        Parity, // a frame whose parity bit disagrees with its seconds: frame
        Ring,   // a channel starts ringing: channel
        Quiet,  // a channel's preset has run out: channel
    };

    explicit LineEvent(Kind k = Kind::Noise) : kind(k) {}

    Kind kind;
    std::vector<std::uint8_t> bytes;
    DecodedFrame frame;
    std::string time;
    std::string previousTime;
    std::int64_t ms = 0;
    int count = 0;
    int channel = 0; // 1 to 3
};
