#include "pseudo_terminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
        master_ = -1;
        return;
    }
    termios raw{};
    tcgetattr(master_, &raw);
    cfmakeraw(&raw);
    tcsetattr(master_, TCSANOW, &raw);
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    slaveKeep_ = slave;
    slavePath_ = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    if (slaveKeep_ >= 0)
        ::close(slaveKeep_);
}

void PseudoTerminal::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PseudoTerminal::pullOut()
{
    closeMaster();
    // Qt reads the hang-up as whatever error code the last failed call left behind;
    // our own non-blocking reads leave EAGAIN, which happens to stop Qt's reading.
    // A pulled adapter leaves anything, and then Qt retries without end.
    errno = ENOTTY;
    QTest::qWait(100);
}

// Reads until `enough` says so; between reads it runs the Qt event loop, so that the
// program's own notifications are delivered.
template <class Enough> static QByteArray readUntil(int master, Enough enough)
{
    QByteArray got;
    QElapsedTimer sinceStart, sinceLast;
    sinceStart.start();
    while (master >= 0) {
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, n), sinceLast.start();
        if (enough(got, sinceStart.elapsed(), sinceLast))
            break;
        if (n > 0)
            continue;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd p{master, POLLIN, 0};
        ::poll(&p, 1, 5);
    }
    return got;
}

QByteArray PseudoTerminal::read(int timeoutMs, int quietMs)
{
    return readUntil(master_, [=](const QByteArray &got, qint64 ms, const QElapsedTimer &last) {
        return got.isEmpty() ? ms >= timeoutMs : last.elapsed() >= quietMs;
    });
}

QByteArray PseudoTerminal::readCount(int count, int timeoutMs)
{
    return readUntil(master_, [=](const QByteArray &got, qint64 ms, const QElapsedTimer &) {
        return got.size() >= count || ms >= timeoutMs;
    });
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    return master_ >= 0 && ::write(master_, bytes.constData(), bytes.size()) == bytes.size();
}
