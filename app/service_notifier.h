#pragma once

#include "host/clock.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class Form1;

// What a service tells its service manager (host/service_manager.h): ready once
// start-up has run, stopping as it ends, and on each tick that served the line a
// watchdog ping with the status (the port, the last frame's time). A tick serves
// the line when the port is closed (nothing is due to go out) or when it handed
// its frame over or had it refused by the serial component's own rules; a tick
// with the port open and no frame handled, a tick that never comes back and an
// event loop that stops all leave the watchdog unfed, and the manager restarts
// the service.
class ServiceNotifier : public QObject
{
    Q_OBJECT

public:
    using Send = std::function<void(QByteArrayView state)>;

    // Watches the form's ticks from now on: made after the form, it hears each tick
    // after the form's own handler has run.
    ServiceNotifier(Form1 &form, const Clock &clock, Send send);

    void ready();
    void stopping();

private:
    void ticked();
    QString status() const;

    Form1 &form_;
    const Clock &clock_;
    Send send_;
    bool handled_ = false; // a frame handled since the last tick
    bool failing_ = false; // the last frame was refused
    QDateTime lastSent_;
    QString toldStatus_;
};
