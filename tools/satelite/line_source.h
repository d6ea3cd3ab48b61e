#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Reads whatever arrives on a descriptor (a pseudo-terminal's master, a tty) as
// the event loop notices it, and hands the bytes on.
class LineSource : public QObject
{
    Q_OBJECT

public:
    // fd is non-blocking; the caller keeps it open and closes it.
    explicit LineSource(int fd, QObject *parent = nullptr);

signals:
    void bytesArrived(const QByteArray &bytes);
    // The descriptor cannot be read any more (the device went away).
    void lost(const QString &reason);

private:
    void readAvailable();

    int fd_;
    QSocketNotifier *notifier_;
};
