#include "tools/satelite/line_monitor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr int secondsPerDay = 24 * 60 * 60;

int secondOfDay(const std::string &time)
{
    auto two = [&](std::size_t at) { return (time[at] - '0') * 10 + (time[at + 1] - '0'); };
    return two(0) * 3600 + two(3) * 60 + two(6);
}

std::string timeText(int secondOfDay)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60);
    return text;
}

// Seconds from one time of day to the next, across midnight when that is nearer.
int secondsBetween(int from, int to)
{
    int d = (to - from) % secondsPerDay;
    if (d > secondsPerDay / 2)
        d -= secondsPerDay;
    else if (d <= -secondsPerDay / 2)
        d += secondsPerDay;
    return d;
}

// Two frames read the PC's clock in whole seconds, so their times differ from
// the time between them by less than a second; the rest allows for bytes that
// wait in the line and the port.
constexpr std::int64_t clockToleranceMs = 1300;

} // namespace

LineMonitor::LineMonitor(int presetSeconds) : presetMs_(std::int64_t{presetSeconds} * 1000) {}

std::vector<LineEvent> LineMonitor::feed(std::span<const std::uint8_t> bytes, std::int64_t nowMs)
{
    std::vector<LineEvent> out = advance(nowMs);
    if (bytes.empty())
        return out;

    if (lastByteMs_ && nowMs - *lastByteMs_ > gapMs) {
        const std::int64_t silence = nowMs - *lastByteMs_;
        // After the closing string the line is meant to be quiet.
        if (!closed_) {
            LineEvent &gap = out.emplace_back(LineEvent::Kind::Gap);
            gap.ms = silence;
            ++figures_.gaps;
            figures_.longestGapMs = std::max(figures_.longestGapMs, silence);
        }
        endRun();
    }
    lastByteMs_ = nowMs;
    figures_.bytes += static_cast<std::int64_t>(bytes.size());

    for (StreamDecoder::Token &token : decoder_.feed(bytes)) {
        switch (token.kind) {
        case StreamDecoder::Token::Kind::Frame:
            onFrame(token, nowMs, out);
            break;
        case StreamDecoder::Token::Kind::Noise:
            onNoise(std::move(token.bytes), out);
            break;
        case StreamDecoder::Token::Kind::Close:
            out.emplace_back(LineEvent::Kind::Close).bytes = std::move(token.bytes);
            ++figures_.closings;
            endRun();
            closed_ = true;
            break;
        }
    }
    return out;
}

std::vector<LineEvent> LineMonitor::advance(std::int64_t nowMs)
{
    std::vector<LineEvent> out;
    if (decoder_.hasPending() && lastByteMs_ && nowMs - *lastByteMs_ > gapMs)
        for (StreamDecoder::Token &token : decoder_.flush())
            onNoise(std::move(token.bytes), out);
    for (int c = 0; c < 3; ++c) {
        if (ringing_[c] && nowMs >= ringUntilMs_[c]) {
            ringing_[c] = false;
            out.emplace_back(LineEvent::Kind::Quiet).channel = c + 1;
        }
    }
    return out;
}

void LineMonitor::onNoise(std::vector<std::uint8_t> bytes, std::vector<LineEvent> &out)
{
    figures_.noiseBytes += static_cast<std::int64_t>(bytes.size());
    closed_ = false;
    out.emplace_back(LineEvent::Kind::Noise).bytes = std::move(bytes);
}

void LineMonitor::onFrame(const StreamDecoder::Token &token, std::int64_t nowMs,
                          std::vector<LineEvent> &out)
{
    const DecodedFrame &frame = token.frame;
    const Received heard{secondOfDay(frame.time), frame.time, nowMs};
    closed_ = false;

    if (runActive_ && frame.time == countedTime_) {
        ++framesInSecond_;
    } else {
        // A second is judged only between its two neighbours: a jump or a gap
        // around it is told on its own.
        const bool next =
            runActive_ && secondsBetween(secondOfDay(countedTime_), heard.secondOfDay) == 1;
        if (next && secondWhole_ && framesInSecond_ != 2) {
            LineEvent &count = out.emplace_back(LineEvent::Kind::Count);
            count.time = countedTime_;
            count.count = framesInSecond_;
            ++figures_.oddSeconds;
        }
        secondWhole_ = next;
        countedTime_ = frame.time;
        framesInSecond_ = 1;
    }
    runActive_ = true;
    figures_.framesThisSecond = framesInSecond_;
    ++figures_.frames;
    figures_.lastFrame = token.bytes;

    LineEvent &decoded = out.emplace_back(LineEvent::Kind::Frame);
    decoded.bytes = token.bytes;
    decoded.frame = frame;

    if (lastFrame_) {
        const int d = secondsBetween(lastFrame_->secondOfDay, heard.secondOfDay);
        const std::int64_t elapsed = nowMs - lastFrame_->atMs;
        if (d < 0 || std::llabs(std::int64_t{d} * 1000 - elapsed) >= clockToleranceMs) {
            LineEvent &jump = out.emplace_back(LineEvent::Kind::Jump);
            jump.time = frame.time;
            jump.previousTime = lastFrame_->time;
            ++figures_.jumps;
        }
    }
    if (frame.parity != (heard.secondOfDay % 2 == 1)) {
        out.emplace_back(LineEvent::Kind::Parity).frame = frame;
        ++figures_.parityErrors;
    }

    for (int c = 0; c < 3; ++c) {
        if (frame.fire[c] && !previousFire_[c]) {
            ringUntilMs_[c] = nowMs + presetMs_;
            if (!ringing_[c]) {
                ringing_[c] = true;
                out.emplace_back(LineEvent::Kind::Ring).channel = c + 1;
            }
        }
    }
    previousFire_ = frame.fire;

    if (!clockAnchor_ || clockAnchor_->time != frame.time)
        clockAnchor_ = heard;
    lastFrame_ = heard;
}

void LineMonitor::endRun()
{
    runActive_ = false;
    previousFire_ = {};
    figures_.framesThisSecond = 0;
}

std::optional<std::string> LineMonitor::clock(std::int64_t nowMs) const
{
    if (!clockAnchor_)
        return std::nullopt;
    const std::int64_t running = (nowMs - clockAnchor_->atMs) / 1000;
    return timeText(static_cast<int>((clockAnchor_->secondOfDay + running) % secondsPerDay));
}

std::optional<std::int64_t> LineMonitor::silenceMs(std::int64_t nowMs) const
{
    if (!lastByteMs_)
        return std::nullopt;
    return nowMs - *lastByteMs_;
}
