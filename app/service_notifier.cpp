#include "app/service_notifier.h"

#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "serial/mscomm.h"

#include <QByteArray>

ServiceNotifier::ServiceNotifier(Form1 &form, const Clock &clock, Send send)
    : form_(form), clock_(clock), send_(std::move(send))
{
    connect(&form, &Form1::frameHandled, this, [this](bool sent) {
        handled_ = true;
        failing_ = !sent;
        if (sent)
            lastSent_ = clock_.now();
    });
    connect(form.Timer1, &WallClockTimer::timeout, this, &ServiceNotifier::ticked);
}

void ServiceNotifier::ready()
{
    toldStatus_ = status();
    send_(QByteArray("READY=1\nSTATUS=") + toldStatus_.toUtf8());
}

void ServiceNotifier::stopping()
{
    send_("STOPPING=1");
}

void ServiceNotifier::ticked()
{
    const bool served = handled_ || !form_.MSComm1->portOpen();
    handled_ = false;
    if (!served || form_.ending())
        return;
    QByteArray state("WATCHDOG=1");
    // Sent when it changes, which the time of the last frame makes once a second.
    const QString now = status();
    if (now != toldStatus_) {
        toldStatus_ = now;
        state += "\nSTATUS=" + now.toUtf8();
    }
    send_(state);
}

QString ServiceNotifier::status() const
{
    const MSComm &port = *form_.MSComm1;
    QString text = port.portOpen() ? QStringLiteral("COM%1 abierto (%2)")
                                         .arg(port.commPort())
                                         .arg(port.device())
                                   : QStringLiteral("puerto cerrado");
    if (port.portOpen() && failing_)
        text += QStringLiteral(", falla el envío: %1").arg(port.errorString());
    text += lastSent_.isValid()
                ? QStringLiteral("; última trama enviada %1")
                      .arg(lastSent_.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                : QStringLiteral("; ninguna trama enviada");
    return text;
}
