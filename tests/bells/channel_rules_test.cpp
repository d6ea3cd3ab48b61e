#include "bells/channel_rules.h"

#include <gtest/gtest.h>

TEST(ChannelRules, TestPressFiresOnlyAReadyChannelAndSaysWhyNot)
{
    const std::tuple<QStringView, bool, int, std::optional<QStringView>, const char *> rows[] = {
        {readyWord, false, 3, firingWord, ""}, // a ready word is trusted over the port
        {noPortWord, true, 2, {}, "No funciona con el Puerto COM Cerrado"},
        {closedWord, true, 3, {}, "No funciona con el Canal 3 en NO"},
        {closedWord, false, 2, {}, "No funciona con el Canal 2 y el Puerto COM Cerrados"},
        {firingWord, true, 1, {}, ""},
    };
    for (const auto &[word, portOpen, channel, newWord, message] : rows) {
        const TestPress press = testPress(channel, word, portOpen);
        EXPECT_EQ(press.newWord, newWord) << message;
        EXPECT_EQ(press.message, QString::fromUtf8(message));
    }
}
