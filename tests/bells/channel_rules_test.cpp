#include "bells/channel_rules.h"

#include <gtest/gtest.h>

namespace {

// Channel words by initial, from channel 1 on: Preparado, Sin puerto, Cerrado, Disparo.
ChannelWords words(const char *initials)
{
    ChannelWords out;
    for (std::size_t i = 0; i < out.size() && initials[i]; ++i)
        for (QStringView word : {readyWord, noPortWord, closedWord, firingWord})
            if (word.front() == QLatin1Char(initials[i]))
                out[i] = word.toString();
    return out;
}

const auto initials = [](const ChannelWords &w) { return QString(w[0][0]) + w[1][0] + w[2][0]; };
// "101": channels 1 and 3 set.
const auto flags = [](const char *b) { return std::array{b[0] == '1', b[1] == '1', b[2] == '1'}; };

// A tick: the words before, the channels on "SI", the time, the channels the program
// makes due; the command byte of the frame, then the words after.
TEST(ChannelRules, ATickFiresWhatIsDueOrPendingAndRestsInTheOddSecond)
{
    using Texts = std::array<const char *, 5>;
    const Texts rows[] = {
        {"PPP", "111", "07:29:59", "000", "71 PPP"},
        {"PPP", "111", "07:30:00", "010", "74 PDP"}, // fires, and goes on firing
        {"PDP", "111", "07:30:00", "000", "74 PDP"}, // for the whole even second
        {"PDP", "111", "07:30:01", "000", "75 PPP"}, // the odd second still carries it
        {"PPP", "111", "07:30:01", "010", "75 PPP"}, // due in an odd second: one second
        {"PCP", "101", "07:30:00", "010", "74 PDP"}, // on "NO", fires all the same
        {"PDP", "101", "07:30:01", "000", "75 PCP"}, // and rests as "NO" says
        {"DPP", "111", "07:30:00", "000", "72 DPP"}, // "Prueba" pressed before the tick
        {"PPP", "111", "12:00:00", "101", "7a DPD"},
        {"SDS", "110", "23:59:59", "000", "75 PPC"}, // the choices, not the words, rest
    };
    for (const auto &[before, enabled, time, due, expected] : rows) {
        const auto tick = tickChannels(words(before), flags(enabled), time, flags(due));
        ASSERT_TRUE(tick) << time;
        EXPECT_EQ(QString::number(tick->frame[6], 16) + ' ' + initials(tick->words),
                  QLatin1String(expected))
            << before << ' ' << time << " due " << due;
    }
    EXPECT_FALSE(tickChannels(words("PPP"), flags("111"), "", flags("100")));
    EXPECT_EQ(tickTimeText(QTime(7, 5, 9)), "07:05:09");
    EXPECT_EQ(tickTimeText(QTime()), "");
}

// "Prueba" follows the first rule that holds; the port is looked at for a closed
// channel only. Closing the port leaves each channel as its choice says.
TEST(ChannelRules, PruebaFiresOnlyAReadyChannelAndSaysWhyNot)
{
    const std::tuple<const char *, bool, int, const char *, const char *> rows[] = {
        {"P", false, 3, "D", ""}, // a ready word is trusted over the port
        {"S", true, 2, "", "No funciona con el Puerto COM Cerrado"},
        {"C", true, 3, "", "No funciona con el Canal 3 en NO"},
        {"C", false, 2, "", "No funciona con el Canal 2 y el Puerto COM Cerrados"},
        {"D", true, 1, "", ""},
    };
    for (const auto &[word, portOpen, channel, newWord, message] : rows) {
        const TestPress press = testPress(channel, words(word)[0], portOpen);
        EXPECT_EQ(press.newWord.value_or(u"").left(1).toString(), QLatin1String(newWord));
        EXPECT_EQ(press.message, QString::fromUtf8(message));
    }
    EXPECT_EQ(initials(closingWords(flags("101"))), "SCS");
}

} // namespace
