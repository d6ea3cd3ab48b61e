#include "app/alarms.h"

Alarms::Alarms(OperationsLog &log, AlarmCommand &command, QObject *parent)
    : QObject(parent), log_(log), command_(command)
{
    monotonic_.start();
    heldBack_.setSingleShot(true);
    connect(&heldBack_, &QTimer::timeout, this, [this] {
        run(policy_.due(monotonic_.elapsed()));
        schedule();
    });
    connect(&command, &AlarmCommand::trouble, this,
            [this](const QString &text) { log_.write(LogEvent::Mensaje, {{LogKey::texto, text}}); });
}

void Alarms::append(LogEvent event, LogDetails details)
{
    const QList<QStringList> runs = policy_.take(event, details, monotonic_.elapsed());
    log_.write(event, std::move(details));
    run(runs);
    schedule();
}

void Alarms::run(const QList<QStringList> &runs)
{
    for (const QStringList &arguments : runs)
        command_.run(arguments);
}

void Alarms::schedule()
{
    const std::optional<qint64> next = policy_.nextDueMs();
    if (!next) {
        heldBack_.stop();
        return;
    }
    heldBack_.start(int(std::max<qint64>(0, *next - monotonic_.elapsed())));
}
