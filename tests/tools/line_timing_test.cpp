#include "tools/satelite/line_timing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// What happens on the line, in wall-clock milliseconds.
struct Step
{
    enum Kind { Frame, Close, Advance } kind;
    std::int64_t ms;
};
using Steps = std::vector<Step>;

Steps operator+(Steps a, const Steps &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A frame every half second from second `from` to `to` inclusive, the first of
// each second `lateMs` after it began. Seconds are counted from an hour of a
// working day, far from the epoch.
constexpr std::int64_t base = 1'772'434'200'000;

std::int64_t at(double second)
{
    return base + std::int64_t(second * 1000);
}

Steps steady(int from, int to, int lateMs = 20)
{
    Steps steps;
    for (int s = from; s <= to; ++s) {
        steps.push_back({Step::Frame, at(s) + lateMs});
        steps.push_back({Step::Frame, at(s) + lateMs + 500});
    }
    return steps;
}

Steps frames(std::initializer_list<double> seconds)
{
    Steps steps;
    for (double s : seconds)
        steps.push_back({Step::Frame, at(s)});
    return steps;
}

Steps closeAt(double second)
{
    return {{Step::Close, at(second)}};
}

Steps advanceTo(double second)
{
    return {{Step::Advance, at(second)}};
}

void play(LineTiming &timing, const Steps &steps)
{
    for (const Step &step : steps) {
        switch (step.kind) {
        case Step::Frame:
            timing.frame(step.ms);
            break;
        case Step::Close:
            timing.close(step.ms);
            break;
        case Step::Advance:
            timing.advance(step.ms);
            break;
        }
    }
}

// The first `n` seconds late by 0, 1, ... n - 1 ms, two frames each.
Steps spread(int n)
{
    Steps steps = frames({0});
    for (int i = 0; i < n; ++i)
        steps = steps + steady(1 + i, 1 + i, i);
    return steps + advanceTo(n + 1);
}

} // namespace

TEST(LineTiming, judgesEachWholeSecondOnceItIsOver)
{
    const std::pair<Steps, const char *> rows[] = {
        // The first second is heard from the port's opening on: not judged. The
        // second under way when the figures are read is not over.
        {steady(0, 10) + advanceTo(10.9),
         "segundos 9 con_dos 9 con_otras 0 perdidos 0 retraso_ms p50 20 p99 20 max 20"},
        {steady(0, 10) + advanceTo(11.001),
         "segundos 10 con_dos 10 con_otras 0 perdidos 0 retraso_ms p50 20 p99 20 max 20"},
        // A second without frames in a running line; the one after is whole.
        {steady(0, 4) + steady(6, 9) + advanceTo(10),
         "segundos 9 con_dos 8 con_otras 0 perdidos 1 retraso_ms p50 20 p99 20 max 20"},
        // Three frames, then one: lateness is the first frame's.
        {steady(0, 2) + frames({3.1, 3.2, 3.7, 4.9}) + steady(5, 6) + advanceTo(7),
         "segundos 6 con_dos 4 con_otras 2 perdidos 0 retraso_ms p50 20 p99 900 max 900"},
        // A line that falls silent without a closing string: every second is missed.
        {steady(0, 2) + advanceTo(6.5),
         "segundos 5 con_dos 2 con_otras 0 perdidos 3 retraso_ms p50 20 p99 20 max 20"},
        // A closed line is not missed; the seconds of the closing and of the next
        // opening are heard in part.
        {steady(0, 3) + closeAt(3.8) + advanceTo(9) + frames({10.4, 10.5}) + steady(11, 12) +
             advanceTo(13),
         "segundos 4 con_dos 4 con_otras 0 perdidos 0 retraso_ms p50 20 p99 20 max 20"},
        // The clock stepped back: the second under way is dropped, and counting
        // starts afresh, not with millions of missed seconds.
        {steady(0, 4) + steady(-100, -98) + advanceTo(-97),
         "segundos 5 con_dos 5 con_otras 0 perdidos 0 retraso_ms p50 20 p99 20 max 20"},
        // Nearest rank over 0..99 ms: the 50th and the 99th value.
        {spread(100), "segundos 100 con_dos 100 con_otras 0 perdidos 0 retraso_ms p50 49 p99 98 "
                      "max 99"},
        {spread(1), "segundos 1 con_dos 1 con_otras 0 perdidos 0 retraso_ms p50 0 p99 0 max 0"},
        // A second that starts with a frame 999 ms late still has its first frame.
        {frames({0, 1.999, 2.0, 2.5}) + advanceTo(3),
         "segundos 2 con_dos 1 con_otras 1 perdidos 0 retraso_ms p50 0 p99 999 max 999"},
        {advanceTo(100),
         "segundos 0 con_dos 0 con_otras 0 perdidos 0 retraso_ms p50 - p99 - max -"},
        {steady(0, 0) + closeAt(0.9) + advanceTo(30),
         "segundos 0 con_dos 0 con_otras 0 perdidos 0 retraso_ms p50 - p99 - max -"},
        {frames({0}) + advanceTo(4),
         "segundos 3 con_dos 0 con_otras 0 perdidos 3 retraso_ms p50 - p99 - max -"},
    };
    for (const auto &[steps, expected] : rows) {
        LineTiming timing;
        play(timing, steps);
        EXPECT_EQ(timingLine("total", timing.total()), std::string("ESTAD total ") + expected);
    }
}

// Periods split the seconds between them; the total keeps them all. A second is
// in the period during which it was judged.
TEST(LineTiming, periodsShareTheTotal)
{
    LineTiming timing;
    play(timing, steady(0, 59) + advanceTo(60.005));
    const TimingFigures first = timing.takePeriod();
    play(timing, steady(60, 89) + steady(100, 119, 40) + advanceTo(120.005));
    const TimingFigures second = timing.takePeriod();
    play(timing, steady(120, 124, 40) + advanceTo(125.5));
    EXPECT_EQ(timingLine("minuto 1", first),
              "ESTAD minuto 1 segundos 59 con_dos 59 con_otras 0 perdidos 0 retraso_ms p50 20 p99 "
              "20 max 20");
    EXPECT_EQ(timingLine("minuto 2", second),
              "ESTAD minuto 2 segundos 60 con_dos 50 con_otras 0 perdidos 10 retraso_ms p50 20 "
              "p99 40 max 40");
    EXPECT_EQ(timing.takePeriod().seconds(), 5);
    EXPECT_EQ(timing.takePeriod().seconds(), 0);
    EXPECT_EQ(timing.total().seconds(), 124);
    EXPECT_EQ(timing.total().missed, 10);
}
