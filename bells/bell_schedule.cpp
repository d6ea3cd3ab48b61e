#include "bells/bell_schedule.h"

#include "bells/bell_program.h"

namespace {

constexpr int secondsPerDay = 24 * 60 * 60;

// The second of the day of a text "HH:MM:SS" that a clock could show, else -1.
// Two different such texts never give the same second, so equal seconds mean
// equal texts.
int secondOfDay(std::string_view time)
{
    if (time.size() != 8 || time[2] != ':' || time[5] != ':')
        return -1;
    int fields[3];
    for (int i = 0; i < 3; ++i) {
        const char tens = time[std::size_t(3 * i)], units = time[std::size_t(3 * i + 1)];
        if (tens < '0' || tens > '9' || units < '0' || units > '9')
            return -1;
        fields[i] = (tens - '0') * 10 + (units - '0');
    }
    if (fields[0] > 23 || fields[1] > 59 || fields[2] > 59)
        return -1;
    return (fields[0] * 60 + fields[1]) * 60 + fields[2];
}

} // namespace

BellSchedule::BellSchedule(std::string_view program) : program_(program)
{
    int number = 0;
    forEachLine(program, [&](std::string_view line) {
        ++number;
        const BellLine split = splitLine(line);
        if (split.channel < 1 || split.channel > 3)
            return;
        const int second = secondOfDay(split.time);
        if (second < 0)
            return;
        if (firstLines_.empty())
            firstLines_.resize(secondsPerDay);
        int &first = firstLines_[std::size_t(second)][std::size_t(split.channel - 1)];
        if (first == 0)
            first = number;
    });
}

std::array<int, 3> BellSchedule::dueLineNumbers(std::string_view tickTime) const
{
    const int second = secondOfDay(tickTime);
    if (second < 0)
        return ::dueLineNumbers(program_, tickTime);
    return firstLines_.empty() ? std::array<int, 3>{} : firstLines_[std::size_t(second)];
}

FireFlags BellSchedule::dueChannels(std::string_view tickTime) const
{
    if (secondOfDay(tickTime) < 0)
        return ::dueChannels(program_, tickTime);
    const std::array<int, 3> lines = dueLineNumbers(tickTime);
    return {lines[0] != 0, lines[1] != 0, lines[2] != 0};
}
