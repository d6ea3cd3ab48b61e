#include "host/clock_sync.h"

#include <sys/timex.h>

ClockSyncState clockSyncState(int result, int status, long estimatedErrorUs)
{
    if (result < 0)
        return {};
    // TIME_ERROR covers STA_UNSYNC and the kernel's other reasons to doubt the time
    // (a lost PPS signal); STA_UNSYNC is still looked at on its own, in case the
    // result ever says only the leap second state.
    const bool synchronised = result != TIME_ERROR && (status & STA_UNSYNC) == 0;
    const qint64 us = estimatedErrorUs < 0 ? 0 : qint64(estimatedErrorUs);
    return {synchronised, (us + 999) / 1000};
}

ClockSyncState SystemClockSync::state() const
{
    struct timex asked = {};
    asked.modes = 0; // read only: nothing is changed
    const int result = ::ntp_adjtime(&asked);
    return clockSyncState(result, asked.status, asked.esterror);
}
