#include "tools/satelite/event_text.h"
#include "tools/satelite/line_monitor.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
// Bytes arriving at a moment or, with no bytes, time passing on a quiet line.
using Steps = std::vector<std::pair<std::int64_t, Bytes>>;

// "HH:MM:SS", or "HH:MM:SS/c" with the fire bit of channel c set.
Bytes frame(const std::string &time)
{
    FireFlags fire{};
    if (time.size() > 9)
        fire[std::size_t(time[9] - '1')] = true;
    const auto f = encodeFrame(time.substr(0, 8), fire);
    EXPECT_TRUE(f.has_value()) << time;
    return f ? Bytes(f->begin(), f->end()) : Bytes{};
}

// Steps '|' apart, each its milliseconds then nothing, a frame's time or hex bytes.
Steps at(const std::string &text)
{
    Steps steps;
    std::istringstream in(text);
    for (std::string step; std::getline(in, step, '|');) {
        if (step.empty())
            continue;
        const std::string what = step.substr(std::min(step.size(), step.find(' ')));
        Bytes bytes;
        std::istringstream hex(what);
        for (unsigned value; hex >> std::hex >> value;)
            bytes.push_back(std::uint8_t(value));
        steps.emplace_back(std::stoll(step),
                           what.find(':') == std::string::npos ? bytes : frame(what.substr(1)));
    }
    return steps;
}

// Two frames a second from startMs, the time counting on from firstSecond, as
// steps with a '|' either side.
std::string steadyLine(std::int64_t startMs, int firstSecond, int frames)
{
    std::string steps = "|";
    for (int i = 0; i < frames; ++i) {
        const int s = (firstSecond + i / 2) % 86400;
        char step[40];
        std::snprintf(step, sizeof step, "%lld %02d:%02d:%02d|", (long long)(startMs + i * 500),
                      s / 3600, s / 60 % 60, s % 60);
        steps += step;
    }
    return steps;
}

// The event lines, '|' between them, FRAME lines left out unless withFrames.
std::string play(LineMonitor &monitor, const Steps &steps, bool withFrames = true)
{
    std::string lines;
    for (const auto &[ms, bytes] : steps)
        for (const LineEvent &e : bytes.empty() ? monitor.advance(ms) : monitor.feed(bytes, ms))
            if (withFrames || e.kind != LineEvent::Kind::Frame)
                lines += (lines.empty() ? "" : "|") + eventLine(e);
    return lines;
}

// FRAME lines are compared in the rows that list some. Bells ring for two seconds.
TEST(LineMonitor, decodesAndFlagsWhatATechnicianMustSee)
{
    const std::string f = "FRAME 14:37:05 010 61 54 43 37 20 15 75";
    const std::pair<Steps, std::string> rows[] = {
        {at("0 61 54|20 43 37 20|40 15|60 75"), f + "|RING 2"},
        {at("0 41 61 54 43 37 20 15 75 0D 0A"), "NOISE 41|" + f + "|RING 2|NOISE 0D 0A"},
        {at("0 61 54 43|20 FF 61 54 43 37 20 15 75"), "NOISE 61 54 43 FF|" + f + "|RING 2"},
        // Hour 25 is no frame: noise, then the frame that starts inside it.
        {at("0 62 55 60 58 40 30 20 10 72"),
         "NOISE 62 55|FRAME 08:00:00 100 60 58 40 30 20 10 72|RING 1"},
        {at("0 60 50 40 30 20 11 7F"),
         "FRAME 00:00:01 111 60 50 40 30 20 11 7F|RING 1|RING 2|RING 3"},
        {at("0 71 71 6A 6A 5A|20 5A 4A 4A 3D 3D 2E 2E"), "CLOSE"},
        {at("0 71 71 6A 61 54 43 37 20 15 75"), "NOISE 71 71 6A|" + f + "|RING 2"},
        {at("0 61 50 40 30 20 11 70"), "PARITY 10:00:01"},
        // A frame left half-way by a silent line is given up as noise.
        {at("0 61 54 43|1000|1001"), "NOISE 61 54 43"},
        {at(steadyLine(250, 86397, 12)), ""},
        {at(steadyLine(0, 36000, 4) + "1900 10:00:01" + steadyLine(2000, 36002, 4)),
         "COUNT 10:00:01 3"},
        {at(steadyLine(0, 36000, 2) + "1000 10:00:01" + steadyLine(1900, 36002, 4)),
         "COUNT 10:00:01 1"},
        // The first and last seconds of a run are heard in part and not judged.
        {at("0 10:00:00" + steadyLine(500, 36001, 4) + "2500 10:00:03"), ""},
        {at(steadyLine(0, 36000, 3) + steadyLine(2500, 36002, 4)), "GAP 1500"},
        {at(steadyLine(0, 36000, 2) + "800 71 71 6A 6A 5A 5A 4A 4A 3D 3D 2E 2E" +
            steadyLine(5000, 36005, 2)),
         "CLOSE"},
        {at(steadyLine(0, 36000, 2) + "1000 10:00:05|1500 10:00:00"),
         "JUMP 10:00:05 10:00:00|JUMP 10:00:00 10:00:05"},
        // Back by one second within the tolerance of the clock is still a jump.
        {at(steadyLine(0, 36000, 3) + "1200 10:00:00"), "JUMP 10:00:00 10:00:01"},
        // The satellite's clock runs on over a gap: the time after it is no jump.
        {at(steadyLine(0, 36000, 2) + steadyLine(4000, 36004, 2)), "GAP 3500"},
        // A ring lasts the preset from the first frame of a fire run; a new run while
        // it rings makes it last the preset from there; a run after it ends rings again.
        {at("0 10:00:00/2|500 10:00:00/2|1000 10:00:01/2|1500 10:00:01|1999|2000"),
         "RING 2|QUIET 2"},
        {at("0 10:00:00/1|500 10:00:00|1000 10:00:01/1|2500 10:00:02|3000|3500 10:00:03/1"),
         "RING 1|GAP 1500|QUIET 1|RING 1"},
    };
    for (const auto &[steps, expected] : rows) {
        LineMonitor monitor(2);
        EXPECT_EQ(play(monitor, steps, expected.find("FRAME") != std::string::npos), expected);
    }
}

TEST(LineMonitor, satelliteClockRunsOnWithoutFramesAndFiguresAddUp)
{
    LineMonitor monitor;
    EXPECT_FALSE(monitor.clock(0));
    play(monitor, at("0 23:59:59|400 41 42|500 23:59:59"));
    EXPECT_EQ(monitor.clock(999), "23:59:59");
    EXPECT_EQ(monitor.clock(2000), "00:00:01");
    EXPECT_EQ(monitor.silenceMs(2000), 1500);

    play(monitor, at("3000 00:00:02"));
    const LineFigures &f = monitor.figures();
    EXPECT_EQ(std::vector<std::int64_t>({f.frames, f.noiseBytes, f.bytes, f.gaps, f.longestGapMs}),
              std::vector<std::int64_t>({3, 2, 23, 1, 2500}));
    EXPECT_EQ(hexBytes(f.lastFrame), "60 50 40 30 20 12 70");
}

} // namespace
