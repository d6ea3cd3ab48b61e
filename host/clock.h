#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The local time of day. Injected so that tests can set the hour, cross midnight
// or jump the clock without waiting for it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that no correction steps, from any origin: the time
    // that really passed between two readings, to tell a step of the wall clock
    // from a late tick.
    virtual qint64 monotonicMs() const;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// The time as the operator's regional settings show it: the locale's long time
// format, without a time zone.
QString regionalTimeText(const QTime &time, const QLocale &locale = QLocale::system());
