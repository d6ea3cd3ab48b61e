#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a run of wall-clock seconds went on the line.
struct TimingFigures
{
    std::int64_t twoFrames = 0;  // seconds that brought exactly two frames
    std::int64_t otherCount = 0; // seconds that brought one, three or more
    std::int64_t missed = 0;     // seconds that brought none
    // How late the first frame of a second came after the second began: a count
    // per millisecond, 0 to 999, over the seconds that brought a frame.
    std::array<std::int64_t, 1000> lateness{};

    std::int64_t seconds() const { return twoFrames + otherCount + missed; }
    // The lowest lateness that `percent` of those seconds do not exceed (nearest
    // rank); nothing when no second brought a frame.
    std::optional<int> latenessPercentile(double percent) const;
    std::optional<int> latenessMax() const { return latenessPercentile(100); }
};

// Line timing as a technician measures it against the real-time clock: frames are
// given with the wall-clock milliseconds (since the epoch) of their reception, and
// each wall-clock second is judged once it is over. A second heard only in part is
// not judged: the first one of the line or after a closing string (the port opened
// in its middle), the one that brought the closing string, and the one under way
// when the clock is stepped back. Seconds after a closing string and before the
// next frame are not missed: the master closed the line on purpose. A silence
// without one is missed second by second.
class LineTiming
{
public:
    void frame(std::int64_t wallMs);
    void close(std::int64_t wallMs);
    // Judges the seconds that are over by wallMs.
    void advance(std::int64_t wallMs);

    // The seconds judged since the last call, then starts a new period.
    TimingFigures takePeriod();
    const TimingFigures &total() const { return total_; }

private:
    void judgeCurrent();

    bool running_ = false;
    bool currentWhole_ = false;
    std::int64_t currentSecond_ = 0;
    int framesInCurrent_ = 0;
    int latenessInCurrent_ = 0;
    TimingFigures period_;
    TimingFigures total_;
};

// The stable line for scripts, in Spanish: "ESTAD <what> segundos N con_dos N
// con_otras N perdidos N retraso_ms p50 N p99 N max N", with "-" for a lateness
// when no second brought a frame. what is, for example, "minuto 14:37" or "total".
std::string timingLine(std::string_view what, const TimingFigures &figures);
