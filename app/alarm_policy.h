#pragma once

#include "host/operations_log.h"

#include <QStringList>

#include <array>
#include <limits>
#include <optional>

// When the administrator's alarm command runs, from the lines of the log: on a
// fault and on its end (the device lost and back, an opening refused and the next
// one that works, the program unreadable and readable again, the clock out of
// synchronisation and back) and on a bell skipped. Each run gets the log word and
// its details, one "clave=valor" argument each.
//
// A fault and its end are each run at most once a minute. What a minute holds
// back is not lost: when it is over, the state the fault is in then is run, if it
// is not the one last run; so a device that comes and goes a dozen times in a
// minute gives two runs, and the last one always tells how things stand. Bells
// skipped within a minute give one more run once it is over, with the last one.
//
// Plain logic on a monotonic time in ms, which its owner supplies.
class AlarmPolicy
{
public:
    static constexpr qint64 minimumGapMs = 60000;

    AlarmPolicy() { faults_.back().event = true; }

    // The line just written: the runs due now.
    QList<QStringList> take(LogEvent event, const LogDetails &details, qint64 nowMs);
    // The runs held back and due by now.
    QList<QStringList> due(qint64 nowMs);
    // When the next held-back run falls due; none when nothing is held back.
    std::optional<qint64> nextDueMs() const;

private:
    struct Fault
    {
        bool event = false;   // a bell skipped: no state, only occurrences
        bool active = false;  // the fault is on now
        bool told = false;    // the state last run
        bool pending = false; // an occurrence not yet run (event faults)
        std::array<qint64, 2> lastRunMs{std::numeric_limits<qint64>::min() / 2,
                                        std::numeric_limits<qint64>::min() / 2};
        std::array<QStringList, 2> latest; // the last line of its end and of its start
        bool waiting() const { return event ? pending : active != told; }
        qint64 dueMs() const { return lastRunMs[event || active] + minimumGapMs; }
    };
    void tryRun(Fault &fault, qint64 nowMs, QList<QStringList> &runs);

    // By fault: the device, the opening, the program, the clock, bells skipped.
    std::array<Fault, 5> faults_;
};
