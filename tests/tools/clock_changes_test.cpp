#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/zone_shifts.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

bool operator==(const ClockChange &a, const ClockChange &b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day &&
           a.fromSecond == b.fromSecond && a.toSecond == b.toSecond && a.skipped == b.skipped;
}

constexpr std::int64_t madridSpring2027 = 1806195600; // 2027-03-28 01:00 UTC
constexpr std::int64_t madridAutumn2027 = 1824944400; // 2027-10-31 01:00 UTC

struct ShiftCase
{
    const char *name;
    OffsetShift shift;
    std::vector<ClockChange> expected;
    friend void PrintTo(const ShiftCase &c, std::ostream *os) { *os << c.name; }
};

class Shifts : public ::testing::TestWithParam<ShiftCase>
{
};

TEST_P(Shifts, giveTheLocalHoursSkippedOrLivedTwice)
{
    const auto got = clockChanges({GetParam().shift});
    ASSERT_EQ(got.size(), GetParam().expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_TRUE(got[i] == GetParam().expected[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Zone, Shifts,
    ::testing::Values(
        ShiftCase{"forward", {madridSpring2027, 3600, 7200}, {{2027, 3, 28, 7200, 10800, true}}},
        ShiftCase{"back", {madridAutumn2027, 7200, 3600}, {{2027, 10, 31, 7200, 10800, false}}},
        // Clocks that change at midnight: the hour lived twice lies in the day before.
        ShiftCase{"backAtMidnight", {86400 * 10, 0, -3600}, {{1970, 1, 10, 82800, 86400, false}}},
        ShiftCase{"acrossMidnight",
                  {86400 * 10 - 1800, 0, 3600},
                  {{1970, 1, 10, 84600, 86400, true}, {1970, 1, 11, 0, 1800, true}}},
        ShiftCase{"noChange", {madridSpring2027, 3600, 3600}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Zone, warnsOfBellsInsideTheChangedHourOnly)
{
    const std::array<std::vector<std::string>, 3> schedule = {
        std::vector<std::string>{"01:59:59", "02:00:00"},
        std::vector<std::string>{"02:59:59", "03:00:00"}, std::vector<std::string>{}};
    const auto changes = clockChanges({{madridSpring2027, 3600, 7200}});
    const auto warnings = daylightWarnings(schedule, changes);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].bell, (Bell{1, "02:00:00"}));
    EXPECT_EQ(warnings[1].bell, (Bell{2, "02:59:59"}));
}

TEST(Zone, madridChangesTwiceAYear)
{
    const QTimeZone madrid("Europe/Madrid");
    ASSERT_TRUE(madrid.isValid());
    const auto shifts = zoneShifts(madrid, QDateTime(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC),
                                   QDateTime(QDate(2027, 12, 31), QTime(23, 0), Qt::UTC));
    ASSERT_EQ(shifts.size(), 2u);
    EXPECT_EQ(shifts[0].atUtc, madridSpring2027);
    EXPECT_EQ(shifts[0].offsetBefore, 3600);
    EXPECT_EQ(shifts[0].offsetAfter, 7200);
    EXPECT_EQ(shifts[1].atUtc, madridAutumn2027);
    EXPECT_TRUE(zoneShifts(QTimeZone::utc(), QDateTime(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC),
                           QDateTime(QDate(2027, 12, 31), QTime(0, 0), Qt::UTC))
                    .empty());
}

} // namespace
