#pragma once

#include "host/clock.h"

#include <QObject>
#include <QTimer>

// Timer1: ticks twice a second in step with the wall clock, about 20 ms after each
// .000 and .500, so that both ticks of a second read that second and every second
// gets exactly two of them. Each tick is a single shot scheduled from the clock's
// own reading, which keeps the phase through drift, late ticks and clock jumps.
// Runs from construction.
class WallClockTimer : public QObject
{
    Q_OBJECT

public:
    static constexpr int interval = 500; // ms
    static constexpr int phase = 20;     // ms into each half second

    explicit WallClockTimer(const Clock &clock, QObject *parent = nullptr);

    // Milliseconds from a clock reading msIntoSecond (0 to 999) to the next tick.
    // A tick belongs to the half second in which it reads the clock, however late
    // it came; the next one falls 20 ms into the following half second. So a half
    // second never gets two ticks, and a late tick is not followed by a hurried one.
    static int delayToNextTick(int msIntoSecond);

    void start();
    void stop();
    bool isActive() const { return timer_.isActive(); }
    int remainingTime() const { return timer_.remainingTime(); }

signals:
    void timeout();

private:
    void fire();
    void schedule();

    const Clock &clock_;
    QTimer timer_;
};
