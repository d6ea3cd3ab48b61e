#pragma once

#include <optional>
#include <string_view>

// The line settings of the classic serial control, written as "speed,parity,data
// bits,stop bits", for example "9600,N,8,1". Blanks before the speed are accepted,
// since callers write the speed as a number text (" 300,N,8,1").

enum class LineParity { None, Even, Odd, Mark, Space };

struct LineSettings
{
    int baudRate = 300;
    LineParity parity = LineParity::None;
    int dataBits = 8;
    int stopBits = 1;
    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

// The speeds the classic control offers.
inline constexpr int lineSpeeds[] = {110,   300,   600,   1200,  2400,  4800,   9600,   14400,
                                     19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000};

// Returns nothing when the text is malformed or names a speed, parity, number of
// data bits (5 to 8) or stop bits (1 or 2) that the port cannot take. One and a
// half stop bits are refused: termios has no such setting, and sending one stop
// bit instead would be a silent change of the line.
std::optional<LineSettings> parseLineSettings(std::string_view text);
