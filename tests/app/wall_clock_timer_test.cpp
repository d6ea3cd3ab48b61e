#include "app/wall_clock_timer.h"
#include "fake_host.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <map>

TEST(WallClockTimer, DelayLandsTwentyMillisecondsIntoTheNextHalfSecond)
{
    const struct
    {
        int now, delay;
    } table[] = {
        {0, 520}, // a late tick that crossed into the second keeps that half
        {19, 501},  {20, 500},  {21, 499}, // around the first tick of a second
        {350, 170}, // the first tick came very late: still one more in this second
        {499, 21},  {500, 520}, {519, 501}, {520, 500}, {521, 499}, // around the second tick
        {999, 21}, // the second tick came very late: the next second starts on time
    };
    for (const auto &row : table)
        EXPECT_EQ(WallClockTimer::delayToNextTick(row.now), row.delay) << "at ." << row.now;
}

TEST(WallClockTimer, RealignsToTheClockAfterAJump)
{
    FakeClock clock;
    clock.setTime(QTime(7, 29, 58, 300));
    WallClockTimer timer(clock);
    ASSERT_TRUE(timer.isActive());
    EXPECT_GT(timer.remainingTime(), 200);
    EXPECT_LE(timer.remainingTime(), 220);

    QSignalSpy ticks(&timer, &WallClockTimer::timeout);
    clock.setTime(QTime(8, 30, 0, 900)); // the clock is put forward before the tick
    ASSERT_TRUE(ticks.wait(1000));
    EXPECT_GT(timer.remainingTime(), 100);
    EXPECT_LE(timer.remainingTime(), 120);

    clock.setTime(QTime(8, 29, 59, 0)); // and back again
    ASSERT_TRUE(ticks.wait(1000));
    EXPECT_GT(timer.remainingTime(), 500);
    EXPECT_LE(timer.remainingTime(), 520);
    EXPECT_EQ(ticks.size(), 2);
}

TEST(WallClockTimer, TicksTwiceEverySecondJustAfterEachHalf)
{
    SystemClock clock;
    WallClockTimer timer(clock);
    std::map<qint64, int> ticksPerSecond;
    QList<int> phases;
    QObject::connect(&timer, &WallClockTimer::timeout, [&] {
        const QDateTime now = clock.now();
        ++ticksPerSecond[now.toSecsSinceEpoch()];
        phases.append(now.time().msec() % WallClockTimer::interval);
    });
    QSignalSpy ticks(&timer, &WallClockTimer::timeout);
    QElapsedTimer running;
    running.start();
    while (ticksPerSecond.size() < 3 && running.elapsed() < 5000)
        ticks.wait(100);

    ASSERT_GE(phases.size(), 4);
    for (int phase : phases) {
        EXPECT_GE(phase, WallClockTimer::phase);
        EXPECT_LT(phase, WallClockTimer::phase + 100) << "a tick came far too late";
    }
    // The first second may be cut by the start, the last one by the end of the run.
    ASSERT_EQ(ticksPerSecond.size(), 3u);
    auto whole = std::next(ticksPerSecond.begin());
    for (; whole != std::prev(ticksPerSecond.end()); ++whole)
        EXPECT_EQ(whole->second, 2) << "second " << whole->first;
}
