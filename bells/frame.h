#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The time frame to the satellites: six digit bytes of the time of day, each a
// field code in the high nibble and the digit in the low nibble, then the command
// byte (0x70, the parity of the seconds, the fire bits of channels 1 to 3).

using Frame = std::array<std::uint8_t, 7>;

// Fire bits of channels 1, 2 and 3, in that order.
using FireFlags = std::array<bool, 3>;

// Builds the frame from a tick time "HH:MM:SS". Returns nothing when the text is
// not a time of day in that form (eight characters, colons at their places, hour
// 00 to 23, minutes and seconds 00 to 59): such a text never comes from the clock,
// and a satellite must never see a time it cannot show.
std::optional<Frame> encodeFrame(std::string_view tickTime, FireFlags fire);

// The channels a command byte (a frame's seventh) fires: its fire bits.
FireFlags firedChannels(std::uint8_t command);

struct DecodedFrame
{
    std::string time; // "HH:MM:SS"
    bool parity = false;
    FireFlags fire{};
    friend bool operator==(const DecodedFrame &, const DecodedFrame &) = default;
};

// Reads a frame back. Returns nothing when a byte carries the wrong field code or
// a digit out of its range (hour 24 and above included). The parity bit is given
// as carried: whether it agrees with the seconds is for the caller to judge.
std::optional<DecodedFrame> decodeFrame(std::span<const std::uint8_t, 7> bytes);

// Sent once, just before the port closes: field codes 7 to 2, each twice, with
// values no time frame carries.
inline constexpr std::string_view closingString = "qqjjZZJJ==..";
