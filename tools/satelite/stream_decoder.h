#pragma once

#include "bells/frame.h"

#include <cstdint>
#include <span>
#include <vector>

// Cuts the byte stream of the line into time frames, closing strings and noise.
// A read may end in the middle of a frame, so a prefix that can still become a
// frame or the closing string is kept for the next read; a byte that cannot start
// either is noise, and the search goes on from the next byte.
class StreamDecoder
{
public:
    struct Token
    {
        enum class Kind { Frame, Close, Noise };
        Kind kind = Kind::Noise;
        std::vector<std::uint8_t> bytes;
        DecodedFrame frame; // for Kind::Frame
    };

    std::vector<Token> feed(std::span<const std::uint8_t> bytes);
    // The kept prefix will not be completed (the line fell silent): it is noise.
    std::vector<Token> flush();
    bool hasPending() const { return !pending_.empty(); }

private:
    std::vector<std::uint8_t> pending_;
};
