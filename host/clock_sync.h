#pragma once

#include <QtGlobal>

// Whether the PC's clock is kept to time by a time service, as the kernel sees
// it. The bells ring by this clock, so the log tells when it was not.
struct ClockSyncState
{
    bool synchronised = false;
    // The kernel's estimate of how far off the clock may be, rounded up to whole
    // milliseconds; -1 when the kernel could not be asked.
    qint64 estimatedErrorMs = -1;
    friend bool operator==(const ClockSyncState &, const ClockSyncState &) = default;
};

// Injected like Clock, so that tests can lose and regain synchronisation.
class ClockSync
{
public:
    virtual ~ClockSync() = default;
    virtual ClockSyncState state() const = 0;
};

// Asks the kernel (ntp_adjtime, read only). Cheap enough to ask once a second.
class SystemClockSync final : public ClockSync
{
public:
    ClockSyncState state() const override;
};

// The kernel's answer as a state: result is what ntp_adjtime returned (-1 when it
// failed), status its status bits, estimatedErrorUs its esterror.
ClockSyncState clockSyncState(int result, int status, long estimatedErrorUs);
