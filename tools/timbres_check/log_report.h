#pragma once

#include "host/operations_log_format.h"

#include <cstdio>
#include <vector>

// What the log says happened at `second` (seconds since midnight) on each day it
// covers, in Spanish: one line a day, then the log lines it rests on and those
// around that second.
void writeLogReport(std::FILE *out, const std::vector<LogEntry> &log, int second);
