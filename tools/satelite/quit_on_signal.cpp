#include "tools/satelite/quit_on_signal.h"

#include "host/signal_notifier.h"

#include <QCoreApplication>

#include <csignal>

void quitOnTerminationSignals()
{
    auto *notifier = new SignalNotifier({SIGINT, SIGTERM, SIGHUP}, QCoreApplication::instance());
    QObject::connect(notifier, &SignalNotifier::received, notifier,
                     [] { QCoreApplication::quit(); });
}
