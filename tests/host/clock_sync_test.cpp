#include "host/clock_sync.h"

#include <gtest/gtest.h>

#include <sys/timex.h>

namespace {

// The kernel's answer read as in sync or not, and its error rounded up to a whole
// millisecond; the system's own answer must be reachable read-only.
TEST(ClockSync, readsTheKernelsAnswer)
{
    // result, status, esterror in us; then the state
    const std::tuple<int, int, long, ClockSyncState> rows[] = {
        {TIME_OK, STA_PLL, 1001, {true, 2}},
        {TIME_WAIT, 0, 1000, {true, 1}}, // a leap second just past is still in sync
        {TIME_OK, STA_UNSYNC, 16000000, {false, 16000}},
        {TIME_ERROR, STA_PLL, 3000, {false, 3}},
        {TIME_OK, 0, -5, {true, 0}},
        {-1, 0, 0, {false, -1}},
    };
    for (const auto &[result, status, esterror, expected] : rows)
        EXPECT_EQ(clockSyncState(result, status, esterror), expected) << result << " " << status;
    EXPECT_GE(SystemClockSync().state().estimatedErrorMs, 0);
}

} // namespace
