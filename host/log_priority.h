#pragma once

#include "host/operations_log_format.h"

// The journal's priority of a log line, as the prefix "<N>" that systemd reads on
// standard error: 3 (error) for what stops the bells or the clocks, 4 (warning)
// for what may make them wrong, 6 (info) for the rest; so that
// "journalctl -p warning" shows what needs a person.
int logPriority(const LogEntry &entry);
