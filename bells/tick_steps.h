#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// The wall clock as it reads, counted on one line: a local date and time, with no
// zone, as day * 86400 + second of the day (or the same in milliseconds). Program
// lines are times of day on that clock, so this is the count a step is measured on:
// a change of daylight saving moves it by an hour like any other correction.

// Wall seconds first to last, both included; empty when last < first.
struct SecondSpan
{
    std::int64_t first = 0;
    std::int64_t last = -1;
    bool empty() const { return last < first; }
};

// What a clock step means for the program's lines, tick by tick. While the clock
// runs, each tick considers its own second only: a second no tick fell in (a busy
// machine) fires nothing. A step is told apart from a late tick by the monotonic
// time that passed. A step forward of at most catchUpSeconds rings the lines of the
// seconds it jumped over at once, late; a larger one rings none of them and says
// which. After a step back the clock runs through seconds it has already shown:
// their lines are held back until it passes the latest second shown before the step.
class TickSteps
{
public:
    static constexpr int catchUpSeconds = 120;
    // A tick this much off the time that passed is a step, not timer jitter.
    static constexpr std::int64_t stepToleranceMs = 500;

    enum class Kind { Normal, Forward, TooFar, Back };

    struct Tick
    {
        Kind kind = Kind::Normal;
        std::int64_t second = 0;     // the wall second read at this tick
        std::int64_t expectedMs = 0; // what it would read had the clock not been stepped
        // Seconds whose lines fire now: this one alone in a normal tick, with those
        // jumped over before it after a small step forward; empty when held back.
        SecondSpan due;
        SecondSpan skipped;  // jumped over too far to ring late
        SecondSpan heldBack; // seen again after a step back, first met at this tick
    };

    // One tick: the wall clock read (wall milliseconds, as above) and a monotonic
    // reading in milliseconds. The first tick is never a step.
    Tick next(std::int64_t wallMs, std::int64_t monotonicMs);

private:
    std::optional<std::int64_t> lastWallMs_, lastMonotonicMs_;
    std::int64_t lastSecond_ = 0;
    std::int64_t highest_ = 0;                // the latest second read so far
    std::optional<std::int64_t> replayUntil_; // after a step back: highest_ before it
    std::int64_t heldToldUpTo_ = 0;           // held-back seconds already met
};

// The seconds of the day (0 to 86399) that a span of wall seconds passes through,
// in at most two pieces, each with the wall second of its first: a span across
// midnight gives two, a span of a day or more the whole day once.
struct DayPiece
{
    int first = 0;
    int last = 0;
    std::int64_t wallFirst = 0;
};
std::vector<DayPiece> dayPieces(SecondSpan span);
