#pragma once

#include "tools/satelite/line_event.h"

#include <cstdint>
#include <span>
#include <string>

// The bytes as two upper-case hex digits each, separated by blanks.
std::string hexBytes(std::span<const std::uint8_t> bytes);

// One line for scripts, kept stable: "FRAME 14:37:05 010 61 54 43 37 20 15 75",
// "CLOSE", "NOISE 41 42", "GAP 1500", "JUMP 10:00:05 10:00:00" (new time, time
// before), "COUNT 10:00:01 3", "PARITY 10:00:01", "RING 2", "QUIET 2".
std::string eventLine(const LineEvent &event);

// The same event told to a person, in Spanish, for the window's log (UTF-8).
std::string describeEvent(const LineEvent &event);
