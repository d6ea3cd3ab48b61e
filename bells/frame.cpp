#include "bells/frame.h"

namespace {

// The six digit bytes, in the order they are sent: where each digit sits in
// "HH:MM:SS", the field code of its byte and the highest digit the field takes.
struct DigitField
{
    std::size_t position;
    std::uint8_t code;
    std::uint8_t highest;
};

constexpr std::array<DigitField, 6> digitFields{{
    {0, 0x60, 2}, // hour tens
    {1, 0x50, 9}, // hour units
    {3, 0x40, 5}, // minute tens
    {4, 0x30, 9}, // minute units
    {6, 0x20, 5}, // second tens
    {7, 0x10, 9}, // second units
}};

constexpr std::uint8_t commandCode = 0x70;

bool hourInRange(std::uint8_t tens, std::uint8_t units)
{
    return tens * 10 + units <= 23;
}

} // namespace

std::optional<Frame> encodeFrame(std::string_view tickTime, FireFlags fire)
{
    if (tickTime.size() != 8 || tickTime[2] != ':' || tickTime[5] != ':')
        return std::nullopt;
    Frame frame{};
    for (std::size_t i = 0; i < digitFields.size(); ++i) {
        const char c = tickTime[digitFields[i].position];
        if (c < '0' || c > '9')
            return std::nullopt;
        const auto digit = static_cast<std::uint8_t>(c - '0');
        if (digit > digitFields[i].highest)
            return std::nullopt;
        frame[i] = static_cast<std::uint8_t>(digitFields[i].code | digit);
    }
    if (!hourInRange(frame[0] & 0x0F, frame[1] & 0x0F))
        return std::nullopt;
    const bool odd = (frame[5] & 1) != 0;
    frame[6] = static_cast<std::uint8_t>(commandCode | (odd ? 1 : 0) | (fire[0] ? 2 : 0) |
                                         (fire[1] ? 4 : 0) | (fire[2] ? 8 : 0));
    return frame;
}

std::optional<DecodedFrame> decodeFrame(std::span<const std::uint8_t, 7> bytes)
{
    std::array<std::uint8_t, 6> digits{};
    for (std::size_t i = 0; i < digitFields.size(); ++i) {
        if ((bytes[i] & 0xF0) != digitFields[i].code)
            return std::nullopt;
        digits[i] = bytes[i] & 0x0F;
        if (digits[i] > digitFields[i].highest)
            return std::nullopt;
    }
    if (!hourInRange(digits[0], digits[1]) || (bytes[6] & 0xF0) != commandCode)
        return std::nullopt;

    DecodedFrame decoded;
    decoded.time = "00:00:00";
    for (std::size_t i = 0; i < digitFields.size(); ++i)
        decoded.time[digitFields[i].position] = static_cast<char>('0' + digits[i]);
    const std::uint8_t command = bytes[6];
    decoded.parity = (command & 1) != 0;
    decoded.fire = firedChannels(command);
    return decoded;
}

FireFlags firedChannels(std::uint8_t command)
{
    return {(command & 2) != 0, (command & 4) != 0, (command & 8) != 0};
}
