#include "tools/satelite/line_timing.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace {

std::int64_t secondOf(std::int64_t wallMs)
{
    // Rounded down also before the epoch, so every second is 1000 ms wide.
    return wallMs >= 0 ? wallMs / 1000 : -((-wallMs + 999) / 1000);
}

std::string optionalMs(std::optional<int> ms)
{
    return ms ? std::to_string(*ms) : "-";
}

} // namespace

std::optional<int> TimingFigures::latenessPercentile(double percent) const
{
    std::int64_t heard = 0;
    for (std::int64_t n : lateness)
        heard += n;
    if (heard == 0)
        return std::nullopt;
    const auto rank = std::max<std::int64_t>(1, std::int64_t(std::ceil(percent / 100 * heard)));
    std::int64_t below = 0;
    for (std::size_t ms = 0; ms < lateness.size(); ++ms) {
        below += lateness[ms];
        if (below >= rank)
            return int(ms);
    }
    return int(lateness.size() - 1);
}

void LineTiming::frame(std::int64_t wallMs)
{
    const std::int64_t second = secondOf(wallMs);
    if (running_ && second < currentSecond_)
        running_ = false; // the clock went back: start afresh from this frame
    if (!running_) {
        running_ = true;
        currentWhole_ = false;
        currentSecond_ = second;
        framesInCurrent_ = 0;
    }
    advance(wallMs);
    if (framesInCurrent_ == 0)
        latenessInCurrent_ = int(wallMs - second * 1000);
    ++framesInCurrent_;
}

void LineTiming::close(std::int64_t wallMs)
{
    advance(wallMs);
    running_ = false; // the second of the closing string is not judged
}

void LineTiming::advance(std::int64_t wallMs)
{
    const std::int64_t second = secondOf(wallMs);
    if (!running_ || second <= currentSecond_)
        return;
    judgeCurrent();
    const std::int64_t silent = second - currentSecond_ - 1;
    period_.missed += silent;
    total_.missed += silent;
    currentSecond_ = second;
    currentWhole_ = true;
    framesInCurrent_ = 0;
}

void LineTiming::judgeCurrent()
{
    if (!currentWhole_)
        return;
    for (TimingFigures *figures : {&period_, &total_}) {
        if (framesInCurrent_ == 0) {
            ++figures->missed;
            continue;
        }
        ++(framesInCurrent_ == 2 ? figures->twoFrames : figures->otherCount);
        ++figures->lateness[std::size_t(latenessInCurrent_)];
    }
}

TimingFigures LineTiming::takePeriod()
{
    return std::exchange(period_, {});
}

std::string timingLine(std::string_view what, const TimingFigures &f)
{
    return "ESTAD " + std::string(what) + " segundos " + std::to_string(f.seconds()) + " con_dos " +
           std::to_string(f.twoFrames) + " con_otras " + std::to_string(f.otherCount) +
           " perdidos " + std::to_string(f.missed) + " retraso_ms p50 " +
           optionalMs(f.latenessPercentile(50)) + " p99 " + optionalMs(f.latenessPercentile(99)) +
           " max " + optionalMs(f.latenessMax());
}
