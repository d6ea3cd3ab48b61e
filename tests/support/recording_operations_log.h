#pragma once

#include "host/clock_sync.h"
#include "host/operations_log.h"

// Keeps what the program logs, for a test to look at: each entry's event and
// details (time and program are the writer's business, left empty here).
class RecordingOperationsLog final : public OperationsLog
{
public:
    QList<LogEntry> entries;

    QList<LogEvent> events() const
    {
        QList<LogEvent> out;
        for (const LogEntry &entry : entries)
            out.append(entry.event);
        return out;
    }

protected:
    void append(LogEvent event, LogDetails details) override
    {
        entries.append({QDateTime(), QString(), event, std::move(details)});
    }
};

// The PC clock's synchronisation as the test sets it.
class FakeClockSync final : public ClockSync
{
public:
    ClockSyncState current{true, 1};
    ClockSyncState state() const override { return current; }
};
