#include "tools/satelite/line_source.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <unistd.h>

LineSource::LineSource(int fd, QObject *parent)
    : QObject(parent), fd_(fd), notifier_(new QSocketNotifier(fd, QSocketNotifier::Read, this))
{
    connect(notifier_, &QSocketNotifier::activated, this, &LineSource::readAvailable);
}

void LineSource::readAvailable()
{
    QByteArray got;
    for (;;) {
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        notifier_->setEnabled(false);
        if (!got.isEmpty())
            emit bytesArrived(got);
        emit lost(n == 0 ? QStringLiteral("fin de datos")
                         : QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    if (!got.isEmpty())
        emit bytesArrived(got);
}
