#include "app/alarm_policy.h"

#include <QLatin1StringView>

namespace {

enum FaultIndex { Line, Opening, Program, ClockSync, Skipped };

struct Change
{
    FaultIndex fault;
    bool on;
};

// The fault a line starts or ends. A bell skipped is matched by its word, which
// stands beside the other words of the log without this file knowing its place.
std::optional<Change> changeOf(LogEvent event, const LogDetails &details)
{
    const auto detail = [&details](const char *key) {
        for (const auto &[name, value] : details)
            if (name == QLatin1StringView(key))
                return value;
        return QString();
    };
    switch (event) {
    case LogEvent::Perdido:
        return Change{Line, true};
    case LogEvent::Recuperado:
        return Change{Line, false};
    case LogEvent::AperturaFallida:
        return Change{Opening, true};
    case LogEvent::Abierto:
        return Change{Opening, false};
    case LogEvent::ProgramaIlegible:
        return Change{Program, true};
    case LogEvent::ProgramaLegible:
        return Change{Program, false};
    case LogEvent::Reloj:
        return Change{ClockSync, detail(LogKey::sincronizado) == QLatin1StringView("no")};
    case LogEvent::Resumen: // a clock out of synchronisation since the start
        return Change{ClockSync, detail(LogKey::relojSincronizado) == QLatin1StringView("no")};
    default:
        if (QLatin1StringView(logEventWord(event)) == QLatin1StringView("OMITIDO"))
            return Change{Skipped, true};
        return std::nullopt;
    }
}

QStringList argumentsOf(LogEvent event, const LogDetails &details)
{
    QStringList arguments{QString::fromLatin1(logEventWord(event))};
    for (const auto &[key, value] : details)
        arguments += key + QLatin1Char('=') + value;
    return arguments;
}

} // namespace

QList<QStringList> AlarmPolicy::take(LogEvent event, const LogDetails &details, qint64 nowMs)
{
    QList<QStringList> runs;
    const std::optional<Change> change = changeOf(event, details);
    if (!change)
        return runs;
    Fault &fault = faults_[change->fault];
    fault.active = change->on;
    fault.pending = fault.event;
    fault.latest[change->on] = argumentsOf(event, details);
    tryRun(fault, nowMs, runs);
    return runs;
}

QList<QStringList> AlarmPolicy::due(qint64 nowMs)
{
    QList<QStringList> runs;
    for (Fault &fault : faults_)
        tryRun(fault, nowMs, runs);
    return runs;
}

std::optional<qint64> AlarmPolicy::nextDueMs() const
{
    std::optional<qint64> next;
    for (const Fault &fault : faults_)
        if (fault.waiting() && (!next || fault.dueMs() < *next))
            next = fault.dueMs();
    return next;
}

void AlarmPolicy::tryRun(Fault &fault, qint64 nowMs, QList<QStringList> &runs)
{
    if (!fault.waiting() || nowMs < fault.dueMs())
        return;
    const std::size_t kind = fault.event || fault.active;
    runs += fault.latest[kind];
    fault.lastRunMs[kind] = nowMs;
    fault.told = fault.active;
    fault.pending = false;
}
