#include "tools/satelite/monitor_session.h"

#include <span>

MonitorSession::MonitorSession(int presetSeconds, QObject *parent)
    : QObject(parent), monitor_(presetSeconds)
{
    clock_.start();
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, [this] { deliver(monitor_.advance(nowMs())); });
    timer_.start();
}

void MonitorSession::receive(const QByteArray &bytes)
{
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t *>(bytes.data()),
                                             static_cast<std::size_t>(bytes.size()));
    deliver(monitor_.feed(data, nowMs()));
}

void MonitorSession::deliver(std::vector<LineEvent> events)
{
    if (!events.empty())
        emit eventsHappened(events);
    emit refreshed();
}
