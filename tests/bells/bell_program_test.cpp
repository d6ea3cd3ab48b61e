#include "bells/bell_program.h"
#include "bells/bell_schedule.h"
#include "due_line_by_line.h"

#include <gtest/gtest.h>

#include <random>

using namespace std::string_literals;

// The scan takes shortcuts; on any text it must agree with the rule applied line
// by line. Random programs from fragments that nearly match, with every kind of
// line end, at every length around the scan's 16-byte steps.
TEST(BellProgram, ScanAgreesWithTheLineRuleOnRandomPrograms)
{
    const std::string fragments[] = {"1,07:30:00", "2,07:30:00", "3 07:30:00", "07:30:00",
                                     "1,17:30:00", "3,07:31:00", "2,07:30:0",  "x",
                                     "\r\n",       "\r",         "\n",         "\0"s};
    std::mt19937 random(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (auto n = random() % 12; n > 0; --n)
            text += fragments[random() % std::size(fragments)];
        ASSERT_EQ(dueChannels(text, "07:30:00"), dueLineByLine(text, "07:30:00")) << text;
        const BellSchedule schedule(text); // and so must the schedule built from it
        for (const char *tick : {"07:30:00", "17:30:00", "2,07:30:"})
            ASSERT_TRUE(schedule.dueChannels(tick) == dueLineByLine(text, tick) &&
                        schedule.dueLineNumbers(tick) == dueLineNumbers(text, tick))
                << text << tick;
    }
}

// Rows of program text, tick time and the channels due.
TEST(BellProgram, DueChannelsOfAProgram)
{
    const std::string mb(1 << 20, 'x');
    const std::tuple<std::string, const char *, FireFlags> rows[] = {
        {"2" + mb + "08:00:00\r\n1,08:00:00", "08:00:00", {1, 1, 0}},
        {"3,17:45:30\r\n", "17:45:30", {0, 0, 1}},
        {"1,08:00\r\n", "08:00:00", {}},
        {"1,08:00:00 \r\n", "08:00:00", {}},
        {" 1,08:00:00\r\n", "08:00:00", {}},
        {"12,08:00:00", "08:00:00", {1, 0, 0}},
        {"0,08:00:00\r\n4,08:00:00\r\n", "08:00:00", {}},
        {"12:00:00", "12:00:00", {1, 0, 0}},
        {"08:00:00\r\n", "08:00:00", {}},
        {"Canal,HH:MM:SS\r\n3,08:00:00", "08:00:00", {0, 0, 1}},
        {"\xB1,08:00:00\r\n1,\xE9\xF1\xFF 08:00:00", "08:00:00", {1, 0, 0}},
        {"1\0\0\0\x30\x38:00:00\r\n2,08:00:00\0\r\n\0\r\n3,08:00:00"s, "08:00:00", {1, 0, 1}},
        {"1,08:00:00\r2,08:00:00\r3,09:00:00", "08:00:00", {1, 1, 0}},
        {"3,07:00:00\n1,08:00:00\n2,08:00:00", "08:00:00", {0, 0, 1}},
        {"", "00:00:00", {}},
    };
    for (const auto &[content, tick, due] : rows)
        EXPECT_TRUE(dueChannels(content, tick) == due &&
                    BellSchedule(content).dueChannels(tick) == due)
            << content.substr(0, 40);
}

TEST(BellProgram, LoneLineFeedsAreFound)
{
    const std::pair<std::string, bool> rows[] = {
        {"", false},           {"1,08:00:00", false},  {"1,08:00:00\r\n2,09:00:00\r\n", false},
        {"\n", true},          {"1,08:00:00\n", true}, {"1,08:00:00\r\n2,09:00:00\n", true},
        {"\r\r\n\r\n", false}, {"\r\n\n", true},       {std::string(70000, 'x') + "\n", true},
    };
    for (const auto &[program, lone] : rows)
        EXPECT_EQ(hasLoneLineFeed(program), lone) << program.substr(0, 30);
}
