#include "bells/line_summary.h"

#include <algorithm>

void LineSummary::frameSent(std::int64_t wallMs)
{
    const std::int64_t second = wallMs >= 0 ? wallMs / 1000 : (wallMs - 999) / 1000;
    ++figures_.frames;
    if (second_ && second == *second_) {
        ++framesInSecond_;
        return;
    }
    if (second_ && second > *second_) {
        judge(*second_, framesInSecond_);
        // Seconds passed over in the run carried no frame at all.
        figures_.irregularSeconds += second - *second_ - 1;
    } else if (second_) {
        // The clock went back: a new run, nothing to judge across it.
        firstOfRun_ = true;
    }
    second_ = second;
    framesInSecond_ = 1;
    figures_.latestFirstMs = std::max(figures_.latestFirstMs, wallMs - second * 1000);
}

void LineSummary::lineStopped()
{
    second_.reset();
    framesInSecond_ = 0;
    firstOfRun_ = true;
}

LineSummary::Figures LineSummary::take()
{
    const Figures taken = figures_;
    figures_ = {};
    return taken;
}

void LineSummary::judge(std::int64_t, int frames)
{
    if (firstOfRun_) {
        firstOfRun_ = false;
        return;
    }
    if (frames != 2)
        ++figures_.irregularSeconds;
}
