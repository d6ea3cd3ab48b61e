#pragma once

#include <cstdint>
#include <optional>

// The line's figures for the hourly summary of the operations log: frames sent,
// seconds that carried other than two frames, and the latest that the first frame
// of a second went out. Fed with the wall-clock time of each frame handed to the
// line; time is given by the caller, so a test can play an hour in a moment.
class LineSummary
{
public:
    struct Figures
    {
        std::int64_t frames = 0;
        std::int64_t irregularSeconds = 0; // judged seconds with other than two frames
        std::int64_t latestFirstMs = 0;    // ms into its second of the latest first frame
        friend bool operator==(const Figures &, const Figures &) = default;
    };

    void frameSent(std::int64_t wallMs);
    // The line stopped (closed, lost): the second under way is not judged, and the
    // silence until the next frame is no second missed.
    void lineStopped();
    // The figures since the last take. The second under way is judged in the next.
    Figures take();

private:
    void judge(std::int64_t second, int frames);

    Figures figures_;
    std::optional<std::int64_t> second_; // the second under way in a run of frames
    int framesInSecond_ = 0;
    bool firstOfRun_ = true; // the run's first second is heard only in part
};
