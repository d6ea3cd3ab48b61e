#include "tools/satelite/event_text.h"
#include "tools/satelite/line_monitor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frame(const char *time, FireFlags fire = {})
{
    const auto f = encodeFrame(time, fire);
    EXPECT_TRUE(f.has_value()) << time;
    return f ? Bytes(f->begin(), f->end()) : Bytes{};
}

Bytes hex(std::initializer_list<int> values)
{
    return Bytes(values.begin(), values.end());
}

const Bytes closing(closingString.begin(), closingString.end());

// One step of a scripted line: bytes arriving at a moment, or (no bytes) time
// passing with the line quiet.
struct Step
{
    std::int64_t ms;
    Bytes bytes;
};

std::vector<std::string> play(const std::vector<Step> &steps, bool withFrames, int preset = 5,
                              LineMonitor *kept = nullptr)
{
    LineMonitor local(preset);
    LineMonitor &monitor = kept ? *kept : local;
    std::vector<std::string> lines;
    for (const Step &step : steps) {
        const auto events =
            step.bytes.empty() ? monitor.advance(step.ms) : monitor.feed(step.bytes, step.ms);
        for (const LineEvent &e : events)
            if (withFrames || e.kind != LineEvent::Kind::Frame)
                lines.push_back(eventLine(e));
    }
    return lines;
}

// Frames at 500 ms intervals from startMs, two per second, from the given time.
std::vector<Step> steadyLine(std::int64_t startMs, int firstSecondOfDay, int frames)
{
    std::vector<Step> steps;
    for (int i = 0; i < frames; ++i) {
        const int s = (firstSecondOfDay + i / 2) % 86400;
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
        steps.push_back({startMs + i * 500, frame(time)});
    }
    return steps;
}

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct DecodeCase
{
    const char *name;
    std::vector<Bytes> reads;
    std::vector<std::string> expected;
    friend void PrintTo(const DecodeCase &c, std::ostream *os) { *os << c.name; }
};

class StreamDecoding : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(StreamDecoding, findsFramesClosingAndNoiseWhateverTheReads)
{
    std::vector<Step> steps;
    for (std::size_t i = 0; i < GetParam().reads.size(); ++i)
        steps.push_back({std::int64_t(i) * 20, GetParam().reads[i]});
    EXPECT_EQ(play(steps, true), GetParam().expected);
}

const std::string frame143705 = "FRAME 14:37:05 010 61 54 43 37 20 15 75";

INSTANTIATE_TEST_SUITE_P(
    Line, StreamDecoding,
    ::testing::Values(
        DecodeCase{
            "whole", {hex({0x61, 0x54, 0x43, 0x37, 0x20, 0x15, 0x75})}, {frame143705, "RING 2"}},
        DecodeCase{"split",
                   {hex({0x61, 0x54}), hex({0x43, 0x37, 0x20}), hex({0x15}), hex({0x75})},
                   {frame143705, "RING 2"}},
        DecodeCase{"noiseAround",
                   {hex({0x41, 0x61, 0x54, 0x43, 0x37, 0x20, 0x15, 0x75, 0x0D, 0x0A})},
                   {"NOISE 41", frame143705, "RING 2", "NOISE 0D 0A"}},
        DecodeCase{"brokenFrameThenWhole",
                   {hex({0x61, 0x54, 0x43}), hex({0xFF, 0x61, 0x54, 0x43, 0x37, 0x20, 0x15, 0x75})},
                   {"NOISE 61 54 43 FF", frame143705, "RING 2"}},
        DecodeCase{"hour25IsNoise",
                   {hex({0x62, 0x55, 0x60, 0x58, 0x40, 0x30, 0x20, 0x10, 0x72})},
                   {"NOISE 62 55", "FRAME 08:00:00 100 60 58 40 30 20 10 72", "RING 1"}},
        DecodeCase{"lastSecondOfDay",
                   {hex({0x62, 0x53, 0x45, 0x39, 0x25, 0x18, 0x70})},
                   {"FRAME 23:59:58 000 62 53 45 39 25 18 70"}},
        DecodeCase{"allChannels",
                   {hex({0x60, 0x50, 0x40, 0x30, 0x20, 0x11, 0x7F})},
                   {"FRAME 00:00:01 111 60 50 40 30 20 11 7F", "RING 1", "RING 2", "RING 3"}},
        DecodeCase{"closingSplit",
                   {Bytes(closing.begin(), closing.begin() + 5),
                    Bytes(closing.begin() + 5, closing.end())},
                   {"CLOSE"}},
        DecodeCase{"closingCutShort",
                   {hex({0x71, 0x71, 0x6A, 0x61, 0x54, 0x43, 0x37, 0x20, 0x15, 0x75})},
                   {"NOISE 71 71 6A", frame143705, "RING 2"}},
        DecodeCase{"frameThenClosingInOneRead",
                   {hex({0x61, 0x54, 0x43, 0x37, 0x20, 0x15, 0x75, 0x71, 0x71, 0x6A, 0x6A, 0x5A,
                         0x5A, 0x4A, 0x4A, 0x3D, 0x3D, 0x2E, 0x2E})},
                   {frame143705, "RING 2", "CLOSE"}}),
    [](const auto &info) { return std::string(info.param.name); });

struct TimingCase
{
    const char *name;
    std::vector<Step> steps;
    std::vector<std::string> expected; // every event but FRAME
    int preset = 5;
    friend void PrintTo(const TimingCase &c, std::ostream *os) { *os << c.name; }
};

class LineTiming : public ::testing::TestWithParam<TimingCase>
{
};

TEST_P(LineTiming, flagsWhatATechnicianMustSee)
{
    EXPECT_EQ(play(GetParam().steps, false, GetParam().preset), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Line, LineTiming,
    ::testing::Values(
        TimingCase{"steadyAcrossMidnight", steadyLine(250, 86397, 12), {}},
        TimingCase{"threeFramesInASecond",
                   steadyLine(0, 36000, 4) + std::vector<Step>{{1900, frame("10:00:01")}} +
                       steadyLine(2000, 36002, 4),
                   {"COUNT 10:00:01 3"}},
        TimingCase{"oneFrameInASecond",
                   steadyLine(0, 36000, 2) + std::vector<Step>{{1000, frame("10:00:01")}} +
                       steadyLine(1900, 36002, 4),
                   {"COUNT 10:00:01 1"}},
        // The first and last seconds of a run are heard in part and not judged.
        TimingCase{"runEdgesNotJudged",
                   std::vector<Step>{{0, frame("10:00:00")}} + steadyLine(500, 36001, 4) +
                       std::vector<Step>{{2500, frame("10:00:03")}},
                   {}},
        TimingCase{"gap", steadyLine(0, 36000, 3) + steadyLine(2500, 36002, 4), {"GAP 1500"}},
        TimingCase{"quietAfterClosing",
                   steadyLine(0, 36000, 2) + std::vector<Step>{{800, closing}} +
                       steadyLine(5000, 36005, 2),
                   {"CLOSE"}},
        TimingCase{"timeJumpsAndGoesBack",
                   steadyLine(0, 36000, 2) +
                       std::vector<Step>{{1000, frame("10:00:05")}, {1500, frame("10:00:00")}},
                   {"JUMP 10:00:05 10:00:00", "JUMP 10:00:00 10:00:05"}},
        TimingCase{"clockFollowsElapsedTimeOverAGap",
                   steadyLine(0, 36000, 2) + steadyLine(4000, 36004, 2),
                   {"GAP 3500"}},
        TimingCase{"ringRunsForPreset",
                   {{0, frame("10:00:00", {false, true, false})},
                    {500, frame("10:00:00", {false, true, false})},
                    {1000, frame("10:00:01", {false, true, false})},
                    {1500, frame("10:00:01")},
                    {1999, {}},
                    {2000, {}}},
                   {"RING 2", "QUIET 2"},
                   2},
        TimingCase{"newFireRunWhileRingingExtends",
                   {{0, frame("10:00:00", {true, false, false})},
                    {500, frame("10:00:00")},
                    {1000, frame("10:00:01", {true, false, false})},
                    {2500, {}},
                    {3000, {}},
                    {3500, frame("10:00:03", {true, false, false})}},
                   {"RING 1", "QUIET 1", "GAP 2500", "RING 1"},
                   2},
        TimingCase{"halfFrameOnASilentLine",
                   {{0, hex({0x61, 0x54, 0x43})}, {1000, {}}, {1001, {}}},
                   {"NOISE 61 54 43"}},
        TimingCase{"wrongParity",
                   {{0, hex({0x61, 0x50, 0x40, 0x30, 0x20, 0x11, 0x70})}},
                   {"PARITY 10:00:01"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LineMonitor, satelliteClockRunsOnWithoutFramesAndFiguresAddUp)
{
    LineMonitor monitor;
    EXPECT_FALSE(monitor.clock(0));
    play({{0, frame("23:59:59")}, {400, hex({0x41, 0x42})}, {500, frame("23:59:59")}}, true, 5,
         &monitor);
    EXPECT_EQ(monitor.clock(999), "23:59:59");
    EXPECT_EQ(monitor.clock(2000), "00:00:01");
    EXPECT_EQ(monitor.silenceMs(2000), 1500);

    play({{3000, frame("00:00:02")}}, true, 5, &monitor);
    const LineFigures &f = monitor.figures();
    EXPECT_EQ(f.frames, 3);
    EXPECT_EQ(f.noiseBytes, 2);
    EXPECT_EQ(f.bytes, 23);
    EXPECT_EQ(f.gaps, 1);
    EXPECT_EQ(f.longestGapMs, 2500);
    EXPECT_EQ(hexBytes(f.lastFrame), "60 50 40 30 20 12 70");
}

} // namespace
