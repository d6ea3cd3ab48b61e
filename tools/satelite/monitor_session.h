#pragma once

#include "tools/satelite/line_event.h"
#include "tools/satelite/line_monitor.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <vector>

// Runs the satellite in real time: bytes from the line go to the monitor with the
// time they came, and a short timer lets the bells run out while the line is quiet.
class MonitorSession : public QObject
{
    Q_OBJECT

public:
    explicit MonitorSession(int presetSeconds, QObject *parent = nullptr);

    const LineMonitor &monitor() const { return monitor_; }
    std::int64_t nowMs() const { return clock_.elapsed(); }

    void receive(const QByteArray &bytes);

signals:
    void eventsHappened(const std::vector<LineEvent> &events);
    // After every look at the line, with or without events: for displays.
    void refreshed();

private:
    void deliver(std::vector<LineEvent> events);

    LineMonitor monitor_;
    QElapsedTimer clock_;
    QTimer timer_;
};
