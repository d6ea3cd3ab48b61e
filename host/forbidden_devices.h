#pragma once

#include <QString>
#include <QStringList>

// Devices that are never a serial port of the program, whatever name leads to
// them: the kernel's console (where boot messages and a login may live), the
// controlling terminal, /dev/console, and the master side of a pseudo-terminal.
// Judged by the device number of the path, never by opening it, so that a refused
// device has not been touched at all.
struct DeviceSources
{
    // Where the kernel names its consoles: "tty0 ttyS0" (the active list) or one
    // console a line, its device number last (/proc/consoles).
    QStringList consoleLists = {QStringLiteral("/sys/class/tty/console/active"),
                                QStringLiteral("/proc/consoles")};
    // The process's own status line, whose seventh field is its controlling terminal.
    QString processStat = QStringLiteral("/proc/self/stat");
};

// Why the device at path (a canonical path, links already followed) may not be
// opened as a port, in Spanish and naming shownAs; empty when it may be.
QString forbiddenDevice(const QString &path, const QString &shownAs, const DeviceSources &sources);
