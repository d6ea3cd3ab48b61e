#include "tools/timbres_check/program_analysis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using P = Problem;

// Each line alone, with CR LF after it: whether it fires, and why not or what to know.
TEST(Program, eachLineFiresOrSaysWhyNot)
{
    constexpr int h = 3600, m = 60;
    const struct
    {
        std::string line;
        std::vector<Problem> problems; // none: it fires
        int meant;                     // the second it seems meant for, -1 none
        std::vector<Note> notes = {};
    } rows[] = {
        {"1,08:00:00", {}, 8 * h},
        {"3,17:45:30", {}, 17 * h + 45 * m + 30},
        {"2;08:00:00", {}, 8 * h},
        {"2 08:00:00", {}, 8 * h},
        {"12,08:00:00", {}, 8 * h, {Note::ChannelIsFirstCharacter}},
        {"12:00:00", {}, 12 * h, {Note::TimeAlone}},
        {"23:10:00", {}, 23 * h + 10 * m, {Note::TimeAlone}},
        {"1,8:00:00", {P::FieldWidth}, 8 * h},
        {"1,08:00", {P::MissingSeconds}, 8 * h},
        {"1,08:00:00 ", {P::TrailingBlank}, 8 * h},
        {" 1,08:00:00", {P::LeadingBlank}, 8 * h},
        {"0,08:00:00", {P::BadChannel}, 8 * h},
        {"4,08:00:00", {P::BadChannel}, 8 * h},
        {"08:00:00", {P::NoChannel}, 8 * h},
        {"1,24:00:00", {P::HourOutOfRange}, -1},
        {"1,07:60:00", {P::MinuteOutOfRange}, -1},
        {"1,07:00:60", {P::SecondOutOfRange}, -1},
        {"1,08:00:00 recreo", {P::TextAfterTime}, 8 * h},
        {"\t5,8:61 ",
         {P::LeadingBlank, P::BadChannel, P::FieldWidth, P::MissingSeconds, P::MinuteOutOfRange,
          P::TrailingBlank},
         -1},
        {"1,008:0000:00 ", {P::FieldWidth, P::TrailingBlank}, 8 * h},
        {"1,100:00:00 ", {P::FieldWidth, P::TrailingBlank}, -1},
    };
    for (const auto &[line, problems, meant, notes] : rows) {
        const ProgramAnalysis a = analyseProgram(line + "\r\n");
        ASSERT_EQ(a.bells.size(), 1u) << line;
        const bool fires = problems.empty();
        EXPECT_TRUE(a.bells[0].fires == fires && a.everyBellFires() == fires &&
                    a.bells[0].problems == problems && a.bells[0].notes == notes &&
                    a.bells[0].meantSecond == meant &&
                    a.schedule[0].size() + a.schedule[1].size() + a.schedule[2].size() == fires)
            << '"' << line << '"';
    }
}

TEST(Program, linesThatDoNotLookLikeBellsAreLeftOut)
{
    const ProgramAnalysis a =
        analyseProgram("Canal,HH:MM:SS\r\nRecreo 10:30\r\n\r\n1 de mayo: fiesta\r\n7\r\n");
    EXPECT_TRUE(a.bells.empty() && a.everyBellFires() && !a.empty && analyseProgram("").empty);
}

// An editor shows four lines; the program reads two: the first three joined, and
// the last piece matches what the joined line rings, so it does ring.
TEST(Program, loneLineFeedsJoinLinesAsTheProgramReadsThem)
{
    const ProgramAnalysis a = analyseProgram("1,08:00:00\n2,09:00:00\n1,10:00:00\r3,11:00:00");
    ASSERT_EQ(a.bells.size(), 4u);
    std::string told;
    for (const BellLineReport &b : a.bells)
        told += std::to_string(b.line) + (b.fires ? " fires " : " joined ") + b.readTime +
                (b.fires || b.problems == std::vector{P::JoinedByLf} ? ";" : "?;");
    EXPECT_EQ(told, "1 joined 10:00:00;2 joined 10:00:00;3 fires 10:00:00;4 fires 11:00:00;");
    using Times = std::vector<std::string>;
    EXPECT_EQ(a.schedule, (std::array<Times, 3>{Times{"10:00:00"}, Times{}, Times{"11:00:00"}}));
}

TEST(Program, scheduleIsInTimeOrderAndDuplicatesAreListed)
{
    const ProgramAnalysis a = analyseProgram(
        "2,10:00:00\r\n1,09:00:00\r\n12,09:00:00\r\n1,08:00:00\r\n2,10:00:00\r\n3,23:59:59\r\n");
    using Times = std::vector<std::string>;
    EXPECT_EQ(a.schedule, (std::array<Times, 3>{Times{"08:00:00", "09:00:00"}, Times{"10:00:00"},
                                                Times{"23:59:59"}}));
    ASSERT_EQ(a.duplicates.size(), 2u);
    EXPECT_TRUE(a.duplicates[0].bell == (Bell{1, "09:00:00"}) &&
                a.duplicates[0].lines == (std::vector<int>{2, 3}));
    EXPECT_TRUE(a.duplicates[1].bell == (Bell{2, "10:00:00"}) &&
                a.duplicates[1].lines == (std::vector<int>{1, 5}));
}

TEST(Program, tickTimes)
{
    EXPECT_TRUE(isTickTime("00:00:00") && isTickTime("23:59:59"));
    for (const char *bad : {"24:00:00", "23:60:00", "23:00:60", "2:00:00", "12-00-00", "12:00:0a"})
        EXPECT_FALSE(isTickTime(bad)) << bad;
}

} // namespace
