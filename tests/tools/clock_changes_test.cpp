#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/zone_shifts.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

std::string text(const std::vector<ClockChange> &changes)
{
    std::string out;
    for (const ClockChange &c : changes)
        out += std::to_string(c.year) + '-' + std::to_string(c.month) + '-' +
               std::to_string(c.day) + ' ' + std::to_string(c.fromSecond) + '-' +
               std::to_string(c.toSecond) + (c.skipped ? " skipped;" : " twice;");
    return out;
}

constexpr std::int64_t madridSpring2027 = 1806195600; // 2027-03-28 01:00 UTC
constexpr std::int64_t madridAutumn2027 = 1824944400; // 2027-10-31 01:00 UTC

TEST(Zone, shiftsGiveTheLocalHoursSkippedOrLivedTwice)
{
    const std::pair<OffsetShift, std::string> rows[] = {
        {{madridSpring2027, 3600, 7200}, "2027-3-28 7200-10800 skipped;"},
        {{madridAutumn2027, 7200, 3600}, "2027-10-31 7200-10800 twice;"},
        // Clocks that change at midnight: the hour lived twice lies in the day before.
        {{86400 * 10, 0, -3600}, "1970-1-10 82800-86400 twice;"},
        {{86400 * 10 - 1800, 0, 3600}, "1970-1-10 84600-86400 skipped;1970-1-11 0-1800 skipped;"},
        {{madridSpring2027, 3600, 3600}, ""},
    };
    for (const auto &[shift, expected] : rows)
        EXPECT_EQ(text(clockChanges({shift})), expected);
}

TEST(Zone, warnsOfBellsInsideTheChangedHourOnly)
{
    const auto warnings =
        daylightWarnings({{{"01:59:59", "02:00:00"}, {"02:59:59", "03:00:00"}, {}}},
                         clockChanges({{madridSpring2027, 3600, 7200}}));
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].bell, (Bell{1, "02:00:00"}));
    EXPECT_EQ(warnings[1].bell, (Bell{2, "02:59:59"}));
}

TEST(Zone, madridChangesTwiceAYear)
{
    const QDateTime from(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC), to = from.addDays(364);
    const auto shifts = zoneShifts(QTimeZone("Europe/Madrid"), from, to);
    ASSERT_EQ(shifts.size(), 2u);
    EXPECT_EQ(text(clockChanges(shifts)),
              text(clockChanges({{madridSpring2027, 3600, 7200}, {madridAutumn2027, 7200, 3600}})));
    EXPECT_TRUE(zoneShifts(QTimeZone::utc(), from, to).empty());
}

} // namespace
