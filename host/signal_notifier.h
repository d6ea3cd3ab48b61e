#pragma once

#include <QObject>

#include <initializer_list>

// Turns POSIX signals (SIGTERM from a service manager or a shutdown, SIGINT from
// Ctrl+C, SIGHUP) into a Qt signal on the thread that owns the notifier, so that
// the program ends or reloads between two events rather than in the middle of
// one. One notifier per process.
class SignalNotifier : public QObject
{
    Q_OBJECT

public:
    explicit SignalNotifier(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalNotifier() override;

signals:
    void received(int signal);
};
