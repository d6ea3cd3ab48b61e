#include "bells/frame.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(Frame, EverySecondOfTheDayWithEveryFireCombinationRoundTrips)
{
    for (int second = 0; second < 24 * 3600; ++second) {
        char text[9];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60,
                      second % 60);
        for (int combination = 0; combination < 8; ++combination) {
            const FireFlags fire{(combination & 1) != 0, (combination & 2) != 0,
                                 (combination & 4) != 0};
            const auto frame = encodeFrame(text, fire);
            ASSERT_TRUE(frame) << text;
            const auto decoded = decodeFrame(*frame);
            ASSERT_TRUE(decoded) << text;
            ASSERT_EQ(*decoded, (DecodedFrame{text, second % 2 == 1, fire})) << text;
        }
    }
}

TEST(Frame, KnownFramesByteForByte)
{
    const struct
    {
        const char *time;
        FireFlags fire;
        Frame bytes;
    } rows[] = {
        {"14:37:05", {false, true, false}, {0x61, 0x54, 0x43, 0x37, 0x20, 0x15, 0x75}},
        {"08:00:00", {true, false, false}, {0x60, 0x58, 0x40, 0x30, 0x20, 0x10, 0x72}},
        {"23:59:58", {false, false, false}, {0x62, 0x53, 0x45, 0x39, 0x25, 0x18, 0x70}},
        {"00:00:01", {true, true, true}, {0x60, 0x50, 0x40, 0x30, 0x20, 0x11, 0x7F}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(encodeFrame(row.time, row.fire), row.bytes) << row.time;
    EXPECT_EQ(closingString, "\x71\x71\x6A\x6A\x5A\x5A\x4A\x4A\x3D\x3D\x2E\x2E");
}

TEST(Frame, RejectsWhatIsNotATimeOfDay)
{
    for (const char *text : {"24:00:00", "29:00:00", "07:60:00", "07:30:60", "7:30:00", "07:30:0",
                             "07:30:000", "07-30-00", "07:3a:00", "", "0730:00:"})
        EXPECT_FALSE(encodeFrame(text, {})) << text;

    const Frame bad[] = {
        {0x62, 0x54, 0x40, 0x30, 0x20, 0x10, 0x70}, // hour 24
        {0x63, 0x50, 0x40, 0x30, 0x20, 0x10, 0x70}, // hour tens 3
        {0x60, 0x50, 0x46, 0x30, 0x20, 0x10, 0x70}, // minute tens 6
        {0x60, 0x50, 0x40, 0x30, 0x20, 0x1A, 0x70}, // second units 10
        {0x50, 0x60, 0x40, 0x30, 0x20, 0x10, 0x70}, // fields swapped
        {0x60, 0x50, 0x40, 0x30, 0x20, 0x10, 0x60}, // command with a digit's code
        {0x71, 0x71, 0x6A, 0x6A, 0x5A, 0x5A, 0x4A}, // the closing string
        {0x60, 0x50, 0x40, 0x30, 0x20, 0x10, 0x10}, // frame shifted by one byte
    };
    for (const Frame &frame : bad)
        EXPECT_FALSE(decodeFrame(frame)) << int(&frame - bad);
}
