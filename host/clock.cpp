#include "host/clock.h"

#include <QRegularExpression>

#include <chrono>

qint64 Clock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString regionalTimeText(const QTime &time, const QLocale &locale)
{
    // The long format may carry a time zone ("t", "tttt"), sometimes in brackets
    // ("H:mm:ss (t)" in Spanish, "APh:mm:ss [t]" in Cantonese); the zone is no part of
    // what the operator reads on a wall clock, and neither are the brackets left
    // empty without it. Quoted literals are left alone.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(
        QStringLiteral("('[^']*')|\\s*[(\\[]\\s*t+\\s*[)\\]]|\\s*t+"));
    QString stripped;
    qsizetype last = 0;
    for (auto it = zone.globalMatch(format); it.hasNext();) {
        const auto m = it.next();
        stripped += format.mid(last, m.capturedStart() - last);
        if (m.hasCaptured(1))
            stripped += m.captured(1);
        last = m.capturedEnd();
    }
    stripped += format.mid(last);
    return locale.toString(time, stripped.trimmed());
}
