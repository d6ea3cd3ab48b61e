#include "host/forbidden_devices.h"

#include <QFile>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// Linux's fixed numbers: major 5 holds /dev/tty (0), /dev/console (1) and
// /dev/ptmx (2); the masters of pseudo-terminals are major 2 (the old BSD ones)
// and 128 to 135; the virtual terminals are major 4, minors 0 to 63.
constexpr unsigned ttyAuxMajor = 5;
constexpr unsigned vtMajor = 4;
constexpr unsigned lastVtMinor = 63;

bool deviceNumber(const QString &path, dev_t *number)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    *number = status.st_rdev;
    return true;
}

QByteArray firstBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(64 * 1024) : QByteArray();
}

// The consoles the kernel writes to, as device numbers. "tty0" is whichever
// virtual terminal is in front, so it stands for all of them.
bool isConsole(dev_t device, const DeviceSources &sources)
{
    const bool virtualTerminal = major(device) == vtMajor && minor(device) <= lastVtMinor;
    static const QRegularExpression number(QStringLiteral("(\\d+):(\\d+)\\s*$"));
    for (const QString &list : sources.consoleLists) {
        const QString text = QString::fromLocal8Bit(firstBytes(list));
        for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            // A /proc/consoles line names one console, its device number last.
            const QRegularExpressionMatch given = number.match(line);
            if (given.hasMatch() &&
                makedev(given.captured(1).toUInt(), given.captured(2).toUInt()) == device)
                return true;
            QStringList names = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (given.hasMatch())
                names = names.mid(0, 1);
            for (const QString &name : names) {
                if (name == QStringLiteral("tty0") && virtualTerminal)
                    return true;
                dev_t named = 0;
                if (deviceNumber(QStringLiteral("/dev/") + name, &named) && named == device)
                    return true;
            }
        }
    }
    return false;
}

// tty_nr of /proc/self/stat: after the command name in parentheses (which may hold
// blanks), the fields state, ppid, pgrp, session, tty_nr.
bool isControllingTerminal(dev_t device, const DeviceSources &sources)
{
    const QByteArray stat = firstBytes(sources.processStat);
    const qsizetype end = stat.lastIndexOf(')');
    if (end < 0)
        return false;
    const QList<QByteArray> fields = stat.mid(end + 1).simplified().split(' ');
    if (fields.size() < 5)
        return false;
    const unsigned tty = fields[4].toUInt();
    // The kernel's old encoding: minor in bits 0-7 and 20-31, major in 8-19.
    const dev_t terminal = makedev((tty >> 8) & 0xfff, (tty & 0xff) | ((tty >> 12) & 0xfff00));
    return tty != 0 && terminal == device;
}
#endif

} // namespace

QString forbiddenDevice(const QString &path, const QString &shownAs, const DeviceSources &sources)
{
#ifdef Q_OS_UNIX
    dev_t device = 0;
    if (!deviceNumber(path, &device))
        return {};
    const unsigned kind = major(device);
    const auto refused = [&](const QString &what) {
        return QStringLiteral("El dispositivo %1 es %2, no un puerto serie: nunca se abre como "
                              "puerto")
            .arg(shownAs == path ? path : QStringLiteral("%1 (%2)").arg(shownAs, path), what);
    };
    if (kind == ttyAuxMajor && minor(device) == 0)
        return refused(QStringLiteral("el terminal de control del programa (/dev/tty)"));
    if (kind == ttyAuxMajor && minor(device) == 1)
        return refused(QStringLiteral("la consola del sistema (/dev/console)"));
    if (kind == ttyAuxMajor && minor(device) == 2)
        return refused(QStringLiteral("el lado maestro de los pseudoterminales (/dev/ptmx)"));
    if (kind == 2 || (kind >= 128 && kind <= 135))
        return refused(QStringLiteral("el lado maestro de un pseudoterminal"));
    if (isConsole(device, sources))
        return refused(QStringLiteral("una consola del núcleo"));
    if (isControllingTerminal(device, sources))
        return refused(QStringLiteral("el terminal de control del programa"));
#else
    Q_UNUSED(path);
    Q_UNUSED(shownAs);
    Q_UNUSED(sources);
#endif
    return {};
}
