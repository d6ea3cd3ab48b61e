#include "bells/tick_steps.h"

#include <algorithm>

namespace {

constexpr std::int64_t secondsPerDay = 24 * 3600;

std::int64_t secondOf(std::int64_t ms)
{
    return ms >= 0 ? ms / 1000 : -((999 - ms) / 1000);
}

} // namespace

TickSteps::Tick TickSteps::next(std::int64_t wallMs, std::int64_t monotonicMs)
{
    Tick t;
    t.second = secondOf(wallMs);
    t.expectedMs = wallMs;
    std::int64_t from = t.second; // the first second whose lines this tick fires
    if (lastWallMs_) {
        t.expectedMs = *lastWallMs_ + (monotonicMs - *lastMonotonicMs_);
        const std::int64_t drift = wallMs - t.expectedMs;
        if (drift > stepToleranceMs) {
            t.kind = Kind::Forward;
            // The seconds the clock would have shown since the last tick, had it not
            // been stepped; those a busy machine let pass are not this step's.
            const std::int64_t jumped = std::max(lastSecond_ + 1, secondOf(t.expectedMs));
            if (jumped < t.second) {
                if (drift < std::int64_t(catchUpSeconds) * 1000 + 500) {
                    from = jumped;
                } else {
                    t.kind = Kind::TooFar;
                    t.skipped = {jumped, t.second - 1};
                }
            }
        } else if (drift < -stepToleranceMs) {
            t.kind = Kind::Back;
            replayUntil_ = std::max(replayUntil_.value_or(highest_), highest_);
            heldToldUpTo_ = t.second - 1;
        }
    } else {
        highest_ = t.second;
    }
    if (replayUntil_) {
        // What rang before the step back does not ring again, late or not, and was
        // not skipped either.
        t.heldBack = {std::max(from, heldToldUpTo_ + 1), std::min(t.second, *replayUntil_)};
        if (!t.heldBack.empty())
            heldToldUpTo_ = t.heldBack.last;
        from = std::max(from, *replayUntil_ + 1);
        t.skipped.first = std::max(t.skipped.first, *replayUntil_ + 1);
        if (t.second > *replayUntil_)
            replayUntil_.reset();
    }
    t.due = {from, t.second};
    highest_ = std::max(highest_, t.second);
    lastSecond_ = t.second;
    lastWallMs_ = wallMs;
    lastMonotonicMs_ = monotonicMs;
    return t;
}

std::vector<DayPiece> dayPieces(SecondSpan span)
{
    if (span.empty())
        return {};
    if (span.last - span.first + 1 >= secondsPerDay) {
        const std::int64_t midnight = span.first - (span.first % secondsPerDay);
        return {{0, int(secondsPerDay - 1),
                 midnight < span.first ? midnight + secondsPerDay : midnight}};
    }
    const int first = int(span.first % secondsPerDay);
    const int last = int(span.last % secondsPerDay);
    if (first <= last)
        return {{first, last, span.first}};
    return {{first, int(secondsPerDay - 1), span.first},
            {0, last, span.first + (secondsPerDay - first)}};
}
