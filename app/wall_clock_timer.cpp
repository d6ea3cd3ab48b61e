#include "app/wall_clock_timer.h"

WallClockTimer::WallClockTimer(const Clock &clock, QObject *parent) : QObject(parent), clock_(clock)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &WallClockTimer::fire);
    start();
}

int WallClockTimer::delayToNextTick(int msIntoSecond)
{
    const int ms = ((msIntoSecond % 1000) + 1000) % 1000;
    const int nextHalf = (ms / interval + 1) * interval;
    return nextHalf + phase - ms;
}

void WallClockTimer::start()
{
    schedule();
}

void WallClockTimer::stop()
{
    timer_.stop();
}

void WallClockTimer::fire()
{
    // Schedule before notifying: a handler that waits in a message box must not
    // hold up the ticks that follow.
    schedule();
    emit timeout();
}

void WallClockTimer::schedule()
{
    timer_.start(delayToNextTick(clock_.now().time().msec()));
}
