#include "tools/timbres_check/clock_changes.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr std::int64_t secondsPerDay = 86400;

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

int secondOfDay(const std::string &time)
{
    auto two = [&](std::size_t at) { return (time[at] - '0') * 10 + (time[at + 1] - '0'); };
    return two(0) * 3600 + two(3) * 60 + two(6);
}

// Cuts the local interval [from, to), in local seconds since 1970, at midnights.
void addInterval(std::int64_t from, std::int64_t to, bool skipped, std::vector<ClockChange> &out)
{
    while (from < to) {
        const std::int64_t day = floorDiv(from, secondsPerDay);
        const std::int64_t dayEnd = (day + 1) * secondsPerDay;
        const std::chrono::year_month_day date{
            std::chrono::sys_days{std::chrono::days{static_cast<int>(day)}}};
        out.push_back({.year = int(date.year()),
                       .month = int(unsigned(date.month())),
                       .day = int(unsigned(date.day())),
                       .fromSecond = int(from - day * secondsPerDay),
                       .toSecond = int(std::min(to, dayEnd) - day * secondsPerDay),
                       .skipped = skipped});
        from = dayEnd;
    }
}

} // namespace

std::vector<ClockChange> clockChanges(const std::vector<OffsetShift> &shifts)
{
    std::vector<ClockChange> out;
    for (const OffsetShift &s : shifts) {
        // The local clock reads atUtc + offsetBefore just before the change and
        // atUtc + offsetAfter just after it.
        const std::int64_t before = s.atUtc + s.offsetBefore;
        const std::int64_t after = s.atUtc + s.offsetAfter;
        if (after > before)
            addInterval(before, after, true, out);
        else if (after < before)
            addInterval(after, before, false, out);
    }
    return out;
}

std::vector<DaylightWarning>
daylightWarnings(const std::array<std::vector<std::string>, 3> &schedule,
                 const std::vector<ClockChange> &changes)
{
    std::vector<DaylightWarning> out;
    for (const ClockChange &change : changes)
        for (int c = 0; c < 3; ++c)
            for (const std::string &time : schedule[std::size_t(c)]) {
                const int second = secondOfDay(time);
                if (second >= change.fromSecond && second < change.toSecond)
                    out.push_back({{c + 1, time}, change});
            }
    return out;
}
