#pragma once

#include "tools/satelite/line_event.h"
#include "tools/satelite/stream_decoder.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What the technician reads off the line, summed up since the start.
struct LineFigures
{
    std::int64_t bytes = 0;
    std::int64_t frames = 0;
    std::int64_t closings = 0;
    std::int64_t noiseBytes = 0;
    std::int64_t gaps = 0;
    std::int64_t longestGapMs = 0;
    std::int64_t jumps = 0;
    std::int64_t oddSeconds = 0; // seconds that brought other than two frames
    std::int64_t parityErrors = 0;
    int framesThisSecond = 0;
    std::vector<std::uint8_t> lastFrame;
};

// A satellite on the line: it reads the stream, keeps its own clock from the
// frames, rings each channel for its preset from the first frame of a run that
// carries the channel's fire bit, and tells what a technician needs to see.
// Time is given by the caller, in milliseconds of a steady clock, so that a test
// can play a whole morning of line in a moment.
class LineMonitor
{
public:
    static constexpr std::int64_t gapMs = 1000;

    explicit LineMonitor(int presetSeconds = 5);

    std::vector<LineEvent> feed(std::span<const std::uint8_t> bytes, std::int64_t nowMs);
    // Lets time pass without bytes: bells run out, and a frame left half-way by a
    // silent line is given up as noise.
    std::vector<LineEvent> advance(std::int64_t nowMs);

    // The satellite's clock: the last time received, running on by itself.
    std::optional<std::string> clock(std::int64_t nowMs) const;
    std::array<bool, 3> ringing() const { return ringing_; }
    // Milliseconds since the last byte, or nothing before the first one.
    std::optional<std::int64_t> silenceMs(std::int64_t nowMs) const;
    const LineFigures &figures() const { return figures_; }

private:
    void onFrame(const StreamDecoder::Token &token, std::int64_t nowMs,
                 std::vector<LineEvent> &out);
    void onNoise(std::vector<std::uint8_t> bytes, std::vector<LineEvent> &out);
    // The line stopped (closing string or silence): the second under way is not
    // whole, and a fire bit seen again later starts a new ring.
    void endRun();

    StreamDecoder decoder_;
    std::int64_t presetMs_;
    LineFigures figures_;

    std::optional<std::int64_t> lastByteMs_;
    bool closed_ = false; // the last thing heard was the closing string

    struct Received
    {
        int secondOfDay = 0;
        std::string time;
        std::int64_t atMs = 0;
    };
    std::optional<Received> lastFrame_;   // kept across silences, for the time check
    std::optional<Received> clockAnchor_; // first frame that brought the time shown

    // Frames are counted per second within a run of frames. A second is judged
    // only when the run entered it from the second before and left it for the one
    // after: the first and the last second of a run are heard in part.
    bool runActive_ = false;
    bool secondWhole_ = false;
    std::string countedTime_;
    int framesInSecond_ = 0;

    std::array<bool, 3> previousFire_{};
    std::array<bool, 3> ringing_{};
    std::array<std::int64_t, 3> ringUntilMs_{};
};
