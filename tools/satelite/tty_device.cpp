#include "tools/satelite/tty_device.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t speedCode(int baud)
{
    switch (baud) {
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    default:
        return B0;
    }
}

} // namespace

bool isLineSpeed(int baud)
{
    return speedCode(baud) != B0;
}

int openListeningTty(const QString &path, int baud, QString *error)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("no puedo abrir %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    termios attributes{};
    if (!isatty(fd) || tcgetattr(fd, &attributes) != 0) {
        ::close(fd);
        *error = QStringLiteral("%1 no es un terminal serie").arg(path);
        return -1;
    }
    cfmakeraw(&attributes);
    attributes.c_cflag |= CREAD | CLOCAL;
    attributes.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB);
    cfsetispeed(&attributes, speedCode(baud));
    cfsetospeed(&attributes, speedCode(baud));
    if (tcsetattr(fd, TCSANOW, &attributes) != 0) {
        *error = QStringLiteral("no puedo poner %1 a %2 baudios: %3")
                     .arg(path)
                     .arg(baud)
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return -1;
    }
    return fd;
}
