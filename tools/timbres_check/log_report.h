#pragma once

#include "host/operations_log_format.h"
#include "tools/timbres_check/log_replay.h"

#include <QDate>

#include <cstdio>
#include <functional>
#include <vector>

// What the log says happened at `second` (seconds since midnight) on each of `days`
// (daysToTell's), in Spanish: one line a day, then the log lines it rests on and
// those around that second; `due` as replayLog takes it; dayNote, when it gives a text,
// follows the day's line (the calendar's choice). False when on some day the log does not
// say a program's line rang.
bool writeLogReport(std::FILE *out, const std::vector<LogEntry> &log,
                    const std::vector<QDate> &days, int second,
                    const std::vector<DueBell> &due = {},
                    const std::function<QString(const QDate &)> &dayNote = {});
