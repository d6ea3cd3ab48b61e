#pragma once

#include "app/alarm_policy.h"
#include "host/alarm_command.h"
#include "host/operations_log.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The log as the window's code sees it in a service with an alarm command: each
// line goes on to the real log, and the lines that start or end a fault run the
// command (app/alarm_policy.h) without waiting for it. What goes wrong with a run
// is written to the log as a MENSAJE line.
class Alarms final : public QObject, public OperationsLog
{
    Q_OBJECT

public:
    Alarms(OperationsLog &log, AlarmCommand &command, QObject *parent = nullptr);

protected:
    void append(LogEvent event, LogDetails details) override;

private:
    void run(const QList<QStringList> &runs);
    void schedule();

    OperationsLog &log_;
    AlarmCommand &command_;
    AlarmPolicy policy_;
    QElapsedTimer monotonic_; // a minute of the policy is a minute that passed
    QTimer heldBack_;
};
