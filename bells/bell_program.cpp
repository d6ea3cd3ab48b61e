#include "bells/bell_program.h"

#include <algorithm>
#include <cstdint>

BellLine splitLine(std::string_view line)
{
    BellLine split;
    if (!line.empty() && line.front() >= '0' && line.front() <= '9')
        split.channel = line.front() - '0';
    split.time = line.size() < 8 ? line : line.substr(line.size() - 8);
    return split;
}

namespace {

void markDue(FireFlags &due, int channel)
{
    if (channel >= 1 && channel <= 3)
        due[std::size_t(channel - 1)] = true;
}

FireFlags dueChannelsLineByLine(std::string_view program, std::string_view tickTime)
{
    FireFlags due{};
    forEachLine(program, [&](std::string_view line) {
        const BellLine split = splitLine(line);
        if (split.time == tickTime)
            markDue(due, split.channel);
    });
    return due;
}

// The fast scan looks at 16 bytes at a time. A line is due when the eight bytes
// before its end equal the tick time; since the tick time holds no CR, those bytes
// then lie inside one line, and only the line's first character is left to find.
// Candidates are picked by a filter on the CR and two of the digits that vary most
// in a program (hour units and minute units), then checked in full; the rest of the
// text costs a few vector operations per 16 bytes, which keeps the scan close to
// the speed of reading the file (GCC and Clang vector extensions, plain SSE2 code
// on x86-64).

using Block = unsigned char __attribute__((vector_size(16)));
using BlockMask = signed char __attribute__((vector_size(16))); // 0 or -1 per byte
constexpr std::size_t blockSize = sizeof(Block);

Block loadBlock(const unsigned char *p)
{
    Block block;
    std::memcpy(&block, p, sizeof block);
    return block;
}

Block splat(unsigned char c)
{
    Block block;
    for (std::size_t i = 0; i < blockSize; ++i)
        block[i] = c;
    return block;
}

bool anyByte(const BlockMask &mask)
{
    std::uint64_t halves[2];
    static_assert(sizeof halves == sizeof mask);
    std::memcpy(halves, &mask, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

std::uint64_t load8(const unsigned char *p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

class FastScan
{
public:
    FastScan(std::string_view program, std::string_view tickTime)
        : text_(reinterpret_cast<const unsigned char *>(program.data())), size_(program.size()),
          time_(load8(reinterpret_cast<const unsigned char *>(tickTime.data()))),
          hourUnits_(splat(static_cast<unsigned char>(tickTime[1]))),
          minuteUnits_(splat(static_cast<unsigned char>(tickTime[4])))
    {}

    FireFlags run()
    {
        // Two blocks per test: the test is the costly part of a step, and due
        // lines are rare.
        constexpr std::size_t step = 2 * blockSize;
        std::size_t end = 8; // a line's end before this cannot follow 8 characters
        for (; end + step <= size_; end += step) {
            if (anyByte(candidates(end) | candidates(end + blockSize))) {
                for (std::size_t e = end; e < end + step; ++e)
                    checkLineEndingAt(e);
            }
        }
        for (; end < size_; ++end)
            checkLineEndingAt(end);
        if (size_ >= 8)
            checkTimeEndingAt(size_); // the last line, with or without its end
        return due_;
    }

private:
    // Bytes at the ends [end, end + 16) that may end a due line.
    BlockMask candidates(std::size_t end) const
    {
        return (loadBlock(text_ + end) == cr_) & (loadBlock(text_ + end - 7) == hourUnits_) &
               (loadBlock(text_ + end - 4) == minuteUnits_);
    }

    void checkLineEndingAt(std::size_t end)
    {
        if (text_[end] == '\r')
            checkTimeEndingAt(end);
    }

    void checkTimeEndingAt(std::size_t end)
    {
        const std::size_t timeStart = end - 8;
        if (load8(text_ + timeStart) != time_)
            return;
        // Walk back to the previous line end. Lines are disjoint, so these walks
        // cost at most one pass over the text in all.
        std::size_t start = timeStart;
        while (start > 0 && text_[start - 1] != '\r')
            --start;
        if (start > 0 && text_[start] == '\n')
            ++start; // the LF of a CR LF; the tick time holds no LF, so start < timeStart
        markDue(due_, text_[start] - '0');
    }

    const unsigned char *text_;
    std::size_t size_;
    std::uint64_t time_;
    Block cr_ = splat('\r');
    Block hourUnits_;
    Block minuteUnits_;
    FireFlags due_{};
};

} // namespace

FireFlags dueChannels(std::string_view program, std::string_view tickTime)
{
    // Any tick time from the clock takes the fast scan; other texts, which only a
    // caller's mistake could pass, still get the exact line-by-line answer.
    if (tickTime.size() != 8 || tickTime.find_first_of("\r\n") != std::string_view::npos)
        return dueChannelsLineByLine(program, tickTime);
    return FastScan(program, tickTime).run();
}

bool hasLoneLineFeed(std::string_view program)
{
    const char *const begin = program.data();
    const char *const end = begin + program.size();
    for (const char *p = begin; p < end;) {
        p = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
        if (!p)
            return false;
        if (p == begin || p[-1] != '\r')
            return true;
        ++p;
    }
    return false;
}

std::array<int, 3> dueLineNumbers(std::string_view program, std::string_view tickTime)
{
    std::array<int, 3> lines{};
    int number = 0;
    forEachLine(program, [&](std::string_view line) {
        ++number;
        const BellLine split = splitLine(line);
        if (split.time == tickTime && split.channel >= 1 && split.channel <= 3 &&
            lines[std::size_t(split.channel - 1)] == 0)
            lines[std::size_t(split.channel - 1)] = number;
    });
    return lines;
}

namespace {

// The second of the day of a time field that a tick time can equal, else -1.
int secondOfDay(std::string_view time)
{
    const auto digit = [&](std::size_t i) {
        return time[i] >= '0' && time[i] <= '9' ? time[i] - '0' : -100;
    };
    if (time.size() != 8 || time[2] != ':' || time[5] != ':')
        return -1;
    const int h = digit(0) * 10 + digit(1), m = digit(3) * 10 + digit(4),
              s = digit(6) * 10 + digit(7);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return -1;
    return (h * 60 + m) * 60 + s;
}

} // namespace

std::vector<DueLine> dueLinesBetween(std::string_view program, int first, int last)
{
    std::vector<DueLine> due;
    std::vector<bool> seen(3 * 86400);
    int number = 0;
    forEachLine(program, [&](std::string_view line) {
        ++number;
        const BellLine split = splitLine(line);
        const int second = secondOfDay(split.time);
        if (split.channel < 1 || split.channel > 3 || second < first || second > last)
            return;
        const std::size_t key = std::size_t((split.channel - 1) * 86400 + second);
        if (!seen[key]) {
            seen[key] = true;
            due.push_back({split.channel, number, second});
        }
    });
    std::stable_sort(due.begin(), due.end(), [](const DueLine &a, const DueLine &b) {
        return a.second != b.second ? a.second < b.second : a.channel < b.channel;
    });
    return due;
}
