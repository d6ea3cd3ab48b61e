#include "bells/channel_rules.h"
#include "bells/frame.h"

#include <gtest/gtest.h>

// The clock's time of day becomes the tick time, and each tick time with every
// combination of fire flags goes through encoder and decoder unchanged.
TEST(Frame, EverySecondOfTheDayRoundTripsWithEveryFireCombination)
{
    for (int second = 0; second < 24 * 3600; ++second) {
        const QTime time = QTime(0, 0).addSecs(second);
        const std::string text = tickTimeText(time);
        ASSERT_EQ(text, time.toString(u"HH:mm:ss").toStdString());
        ASSERT_EQ(oddSecond(text), second % 2 == 1) << text;
        for (int bits = 0; bits < 8; ++bits) {
            const FireFlags fire{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
            ASSERT_EQ(decodeFrame(encodeFrame(text, fire).value()),
                      (DecodedFrame{text, second % 2 == 1, fire}))
                << text;
        }
    }
}

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
