#pragma once

#include "bells/frame.h"
#include "bells/line_summary.h"
#include "host/clock.h"
#include "host/clock_sync.h"
#include "host/operations_log.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// Where a channel's firing comes from: a program line ("<file>:<line>") or
// "Prueba"; lateSeconds when the clock was stepped over the line's second and the
// bell rings that much late.
struct FiringSource
{
    QString origen;
    int lateSeconds = 0;
};
using FiringSources = std::array<QList<FiringSource>, 3>;

// What the window's handlers tell the operations log, with the little memory that
// telling each thing once needs: a firing once, not once per frame; an outage, a
// program's trouble and the clock's state when they begin and end; the line's
// figures once an hour. The handlers say what happened; this decides what is new.
class LineJournal
{
public:
    LineJournal(OperationsLog &log, const Clock &clock, const ClockSync &clockSync);

    // Every tick, port open or not: the clock stepping, its synchronisation
    // changing, and the hourly summary.
    void tick();

    // A firing is told once as it begins, one DISPARO for each of its sources.
    void frameSent(const Frame &frame, const FiringSources &firingSources);
    // A bell of the program (channel 1 to 3, origen "<file>:<line>", hora "HH:MM:SS")
    // not rung because the clock jumped too far over it, from the reading `from` to
    // `to` (as logReadingFormat writes them); or
    // held back because the clock, stepped back, passed its time again.
    void bellSkipped(int channel, const QString &origen, const QString &hora, const QString &from,
                     const QString &to);
    void repetitionAvoided(int channel, const QString &origen, const QString &hora);
    void frameNotSent(const QString &why);
    void lineStopped();
    void deviceLost(const QString &why, int port);
    void deviceBack(int port);

    // The program in use, as File2 shows it at a tick; told when it changes, with
    // why when a calendar is followed (motivo, and regla for the calendar's rule).
    void programChosen(const QString &path, const LogDetails &why = {});
    // The program in use, as programChosen was last told, read at a tick: readable
    // (why empty) or not, and whether its lines are read joined. Told when the
    // state changes.
    void programRead(const QString &path, const QString &why, bool loneLineFeeds);

private:
    void summary();

    OperationsLog &log_;
    const Clock &clock_;
    const ClockSync &clockSync_;

    std::array<bool, 3> firing_{}; // a firing under way, already told
    bool outage_ = false;          // frames failing since the last one that went out
    bool lost_ = false;
    int framesLost_ = 0;

    std::optional<QString> programPath_;    // none told yet
    std::optional<QString> programTrouble_; // the reason last told, empty when readable
    bool loneLineFeeds_ = false;

    LineSummary figures_;
    QDateTime summaryDue_;
    QDateTime lastTick_;
    qint64 lastTickMonotonicMs_ = 0;
    std::optional<bool> synchronised_;
    qint64 syncCheckedSecond_ = -1;
};
