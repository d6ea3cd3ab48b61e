#include "bells/bell_program.h"
#include "bells/channel_rules.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ChannelRules, TestPressDecision)
{
    const struct
    {
        QStringView word;
        bool portOpen;
        int channel;
        std::optional<QStringView> newWord;
        const char *message;
    } rows[] = {
        {readyWord, true, 1, firingWord, ""},
        {readyWord, false, 3, firingWord, ""},
        {noPortWord, true, 2, {}, "No funciona con el Puerto COM Cerrado"},
        {closedWord, true, 1, {}, "No funciona con el Canal 1 en NO"},
        {closedWord, true, 2, {}, "No funciona con el Canal 2 en NO"},
        {closedWord, true, 3, {}, "No funciona con el Canal 3 en NO"},
        {closedWord, false, 1, {}, "No funciona con el Canal 1 y el Puerto COM Cerrados"},
        {closedWord, false, 2, {}, "No funciona con el Canal 2 y el Puerto COM Cerrados"},
        {closedWord, false, 3, {}, "No funciona con el Canal 3 y el Puerto COM Cerrados"},
        {firingWord, true, 1, {}, ""},
    };
    for (const auto &row : rows) {
        const TestPress press = testPress(row.channel, row.word, row.portOpen);
        EXPECT_EQ(press.newWord, row.newWord) << row.word.toString().toStdString();
        EXPECT_EQ(press.message, QString::fromUtf8(row.message));
    }
}

namespace {

// A step of a scenario: a tick at a time of day, or a "Prueba" press (time empty).
struct Step
{
    const char *time;
    int press = 0;
};

struct Scenario
{
    const char *name;
    const char *program;
    ChannelChoices enabled;
    std::vector<Step> steps;
    std::vector<int> commands; // the command byte of each tick's frame
    ChannelWords wordsAfter;
};

} // namespace

TEST(ChannelRules, FireBitsOnTheLine)
{
    const QString ready = readyWord.toString(), closed = closedWord.toString(),
                  firing = firingWord.toString();
    const Scenario scenarios[] = {
        {"line due in an even second",
         "2,07:30:00\r\n",
         {true, true, true},
         {{"07:29:59"}, {"07:30:00"}, {"07:30:00"}, {"07:30:01"}, {"07:30:01"}, {"07:30:02"}},
         {0x71, 0x74, 0x74, 0x75, 0x71, 0x70},
         {ready, ready, ready}},
        {"line due in an odd second",
         "1,07:30:01\r\n",
         {true, true, true},
         {{"07:30:00"}, {"07:30:01"}, {"07:30:01"}, {"07:30:02"}},
         {0x70, 0x73, 0x73, 0x70},
         {ready, ready, ready}},
        {"press between two ticks",
         "",
         {true, true, true},
         {{"07:29:59"}, {"07:30:00"}, {"", 1}, {"07:30:00"}, {"07:30:01"}, {"07:30:01"}},
         {0x71, 0x70, 0x72, 0x73, 0x71},
         {ready, ready, ready}},
        {"two channels in one frame",
         "1,12:00:00\r\n3,12:00:00",
         {true, true, true},
         {{"12:00:00"}},
         {0x7A},
         {firing, noPortWord.toString(), firing}},
        {"channel on NO fires all the same",
         "2,07:30:00",
         {true, false, true},
         {{"07:30:00"}, {"07:30:01"}},
         {0x74, 0x75},
         {ready, closed, ready}},
    };
    for (const Scenario &scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        ChannelWords words = closingWords({true, true, true}); // as after start-up
        std::vector<int> commands;
        for (const Step &step : scenario.steps) {
            if (step.press != 0) {
                auto &word = words[std::size_t(step.press - 1)];
                word = testPress(step.press, word, true).newWord.value_or(word).toString();
                continue;
            }
            const auto result = tickChannels(words, scenario.enabled, step.time,
                                             dueChannels(scenario.program, step.time));
            ASSERT_TRUE(result);
            const auto decoded = decodeFrame(result->frame);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(decoded->time, step.time);
            commands.push_back(result->frame[6]);
            words = result->words;
        }
        EXPECT_EQ(commands, scenario.commands);
        EXPECT_EQ(words, scenario.wordsAfter);
    }
}

TEST(ChannelRules, TickTimeTextAndParity)
{
    for (QTime time(0, 0, 0);; time = time.addSecs(1)) {
        const std::string text = tickTimeText(time);
        ASSERT_EQ(text, time.toString(u"HH:mm:ss").toStdString());
        ASSERT_EQ(oddSecond(text), time.second() % 2 == 1) << text;
        if (time == QTime(23, 59, 59))
            break;
    }
    EXPECT_EQ(tickTimeText(QTime()), "");
    EXPECT_FALSE(tickChannels({}, {}, "", {}));
    EXPECT_EQ(closingWords({true, false, true}),
              (ChannelWords{noPortWord.toString(), closedWord.toString(), noPortWord.toString()}));
}
