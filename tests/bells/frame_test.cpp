#include "bells/frame.h"

#include <gtest/gtest.h>

TEST(Frame, KnownFramesByteForByteAndNoFrameForWhatIsNotATime)
{
    const std::tuple<const char *, FireFlags, Frame> rows[] = {
        {"14:37:05", {false, true, false}, {0x61, 0x54, 0x43, 0x37, 0x20, 0x15, 0x75}},
        {"08:00:00", {true, false, false}, {0x60, 0x58, 0x40, 0x30, 0x20, 0x10, 0x72}},
        {"23:59:58", {false, false, false}, {0x62, 0x53, 0x45, 0x39, 0x25, 0x18, 0x70}},
        {"00:00:01", {true, true, true}, {0x60, 0x50, 0x40, 0x30, 0x20, 0x11, 0x7F}},
    };
    for (const auto &[time, fire, bytes] : rows)
        EXPECT_EQ(encodeFrame(time, fire), bytes) << time;
    // A satellite must never be sent a time it cannot show.
    for (const char *text : {"24:00:00", "29:00:00", "07:60:00", "07:30:60", "7:30:00", "07:30:0",
                             "07:30:000", "07-30-00", "07:3a:00", "", "0730:00:"})
        EXPECT_FALSE(encodeFrame(text, {})) << text;
}
