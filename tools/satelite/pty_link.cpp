#include "tools/satelite/pty_link.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

void makeRaw(int fd)
{
    termios attributes{};
    if (tcgetattr(fd, &attributes) == 0) {
        cfmakeraw(&attributes);
        tcsetattr(fd, TCSANOW, &attributes);
    }
}

QString linkTarget(const QByteArray &path)
{
    char target[4096];
    const ssize_t n = readlink(path.constData(), target, sizeof target - 1);
    return n < 0 ? QString() : QString::fromLocal8Bit(target, static_cast<int>(n));
}

} // namespace

PtyLink::~PtyLink()
{
    removeLink();
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
}

bool PtyLink::create(const QString &linkPath, QString *error)
{
    const QByteArray link = QFile::encodeName(linkPath);
    struct stat entry
    {
    };
    if (lstat(link.constData(), &entry) == 0) {
        if (!S_ISLNK(entry.st_mode)) {
            *error =
                QStringLiteral("«%1» ya existe y no es un enlace: no lo reemplazo").arg(linkPath);
            return false;
        }
        const QString target = linkTarget(link);
        struct stat reached
        {
        };
        const bool dangling = stat(link.constData(), &reached) != 0;
        if (!dangling && !target.startsWith(QLatin1String("/dev/pts/"))) {
            *error = QStringLiteral("«%1» apunta a %2, que no es de un satélite virtual: "
                                    "no lo reemplazo (bórrelo a mano si ya no sirve)")
                         .arg(linkPath, target);
            return false;
        }
        if (unlink(link.constData()) != 0) {
            *error = QStringLiteral("no puedo quitar el enlace viejo «%1»: %2")
                         .arg(linkPath, systemError());
            return false;
        }
    }
    QDir().mkpath(QFileInfo(linkPath).absolutePath());

    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("no puedo crear un pseudoterminal: %1").arg(systemError());
        return false;
    }
    makeRaw(master_);
    makeRaw(slave_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = QString::fromLocal8Bit(name);

    if (symlink(name, link.constData()) != 0) {
        *error = QStringLiteral("no puedo crear el enlace «%1»: %2").arg(linkPath, systemError());
        return false;
    }
    linkPath_ = linkPath;
    linked_ = true;
    return true;
}

void PtyLink::removeLink()
{
    if (!linked_)
        return;
    linked_ = false;
    // Someone may have pointed the name elsewhere meanwhile; that link is theirs.
    const QByteArray link = QFile::encodeName(linkPath_);
    if (linkTarget(link) == slavePath_)
        unlink(link.constData());
}
