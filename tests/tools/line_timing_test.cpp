#include "tools/satelite/line_timing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <vector>

namespace {

// What happens on the line, blank-separated: 'f' a frame, 'c' the closing string,
// 'a' time passing, each at a second counted from an hour of a working day.
constexpr std::int64_t base = 1'772'434'200'000;

// Two frames a second from second `from` to `to`, the first `lateMs` into it.
std::string steady(int from, int to, int lateMs = 20)
{
    std::string steps;
    for (int s = from; s <= to; ++s)
        for (double at : {s + lateMs / 1000.0, s + lateMs / 1000.0 + 0.5})
            steps += " f" + std::to_string(at);
    return steps;
}

// The first `n` whole seconds late by 0, 1, ... n - 1 ms.
std::string spread(int n)
{
    std::string steps = "f0";
    for (int i = 0; i < n; ++i)
        steps += steady(1 + i, 1 + i, i);
    return steps + " a" + std::to_string(n + 1);
}

void play(LineTiming &timing, const std::string &steps)
{
    std::istringstream in(steps);
    for (std::string step; in >> step;) {
        const std::int64_t ms = base + std::llround(std::stod(step.substr(1)) * 1000);
        step[0] == 'f' ? timing.frame(ms) : step[0] == 'c' ? timing.close(ms) : timing.advance(ms);
    }
}

// The figures of the line without their words.
std::string numbers(const TimingFigures &figures)
{
    std::istringstream in(timingLine("total", figures));
    std::string out;
    for (std::string word; in >> word;)
        if (std::isdigit(static_cast<unsigned char>(word[0])) || word == "-")
            out += (out.empty() ? "" : " ") + word;
    return out;
}

} // namespace

// Seconds, with two frames, with others, missed; lateness p50, p99 and max.
TEST(LineTiming, judgesEachWholeSecondOnceItIsOver)
{
    const std::pair<std::string, const char *> rows[] = {
        // The first second is heard from the port's opening on: not judged. The
        // second under way when the figures are read is not over.
        {steady(0, 10) + " a10.9", "9 9 0 0 20 20 20"},
        {steady(0, 10) + " a11.001", "10 10 0 0 20 20 20"},
        // A second without frames in a running line; the one after is whole.
        {steady(0, 4) + steady(6, 9) + " a10", "9 8 0 1 20 20 20"},
        // Three frames, then one: lateness is the first frame's.
        {steady(0, 2) + " f3.1 f3.2 f3.7 f4.9" + steady(5, 6) + " a7", "6 4 2 0 20 900 900"},
        // A line that falls silent without a closing string: every second is missed.
        {steady(0, 2) + " a6.5", "5 2 0 3 20 20 20"},
        // A closed line is not missed; the seconds of the closing and of the next
        // opening are heard in part.
        {steady(0, 3) + " c3.8 a9 f10.4 f10.5" + steady(11, 12) + " a13", "4 4 0 0 20 20 20"},
        // The clock stepped back: the second under way is dropped, and counting
        // starts afresh, not with millions of missed seconds.
        {steady(0, 4) + steady(-100, -98) + " a-97", "5 5 0 0 20 20 20"},
        // Nearest rank over 0..99 ms: the 50th and the 99th value.
        {spread(100), "100 100 0 0 49 98 99"},
        {spread(1), "1 1 0 0 0 0 0"},
        // A second that starts with a frame 999 ms late still has its first frame.
        {" f0 f1.999 f2.0 f2.5 a3", "2 1 1 0 0 999 999"},
        {" a100", "0 0 0 0 - - -"},
        {steady(0, 0) + " c0.9 a30", "0 0 0 0 - - -"},
        {" f0 a4", "3 0 0 3 - - -"},
    };
    for (const auto &[steps, expected] : rows) {
        LineTiming timing;
        play(timing, steps);
        EXPECT_EQ(numbers(timing.total()), expected);
    }
}

// Periods split the seconds between them; the total keeps them all. A second is
// in the period during which it was judged.
TEST(LineTiming, periodsShareTheTotal)
{
    LineTiming timing;
    play(timing, steady(0, 59) + " a60.005");
    const TimingFigures first = timing.takePeriod();
    play(timing, steady(60, 89) + steady(100, 119, 40) + " a120.005");
    const TimingFigures second = timing.takePeriod();
    play(timing, steady(120, 124, 40) + " a125.5");
    EXPECT_EQ(timingLine("minuto 1", first), "ESTAD minuto 1 segundos 59 con_dos 59 con_otras 0 "
                                             "perdidos 0 retraso_ms p50 20 p99 20 max 20");
    EXPECT_EQ(numbers(second), "60 50 0 10 20 40 40");
    EXPECT_EQ(numbers(timing.takePeriod()), "5 5 0 0 40 40 40");
    EXPECT_EQ(timing.takePeriod().seconds(), 0);
    EXPECT_EQ(numbers(timing.total()), "124 114 0 10 20 40 40");
}
