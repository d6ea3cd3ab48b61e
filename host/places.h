#pragma once

#include "host/forbidden_devices.h"

#include <QString>
#include <QStringList>

// The system's fixed places (data folder, port settings file, default bell
// program, serial ports, help file, text editor) and where they are on this host.
// Nothing outside this class knows the mapping.
class Places
{
public:
    // homeFolder stands for the drive "C:\"; programFolder holds the executable;
    // searchPath is the PATH-style list of folders where the editor is looked for.
    Places(QString homeFolder, QString programFolder, QString searchPath = {});
    static Places system();

    // Empty when the user has no home folder: then there is no data folder, no
    // file in it, and no port.
    QString homeFolder() const { return home_; }
    // A data folder of its own instead of Quirzal in the home folder (a service's
    // system account).
    void setDataFolder(const QString &folder) { dataFolder_ = folder; }
    QString dataFolder() const;
    QString portSettingsFile() const;
    QString defaultProgram() const;
    QString programFolder() const { return program_; }
    QString helpFile() const;

    // The device behind COMn, or an empty string when port n has no device.
    QString portDevice(int port) const;
    // Where the system's own serial ports are named: COMn without an entry in the
    // data folder is this followed by n - 1 ("/dev/ttyS" here). Tests point it
    // into their own folder, so that no port can reach a real device.
    // An empty prefix: COMn without an entry has no device (a service, which no one
    // watches choose a port).
    void setSystemPorts(const QString &prefix) { systemPorts_ = prefix; }
    // The device an administrator named for COMn, used when the data folder has no
    // COMn entry (before the system's own name, if there is one).
    void setNamedPort(int port, const QString &device);
    // Why COMn has no device, for the opening's failure; empty when it has one.
    QString missingPortReason(int port) const;
    // Why the device at target (links followed), reached by the name device, may
    // never be opened as a port; empty when it may be.
    QString refusedDevice(const QString &device, const QString &target) const
    {
        return forbiddenDevice(target, device, deviceSources_);
    }
    // Tests stand in their own console lists and process status for the system's.
    void setDeviceSources(const DeviceSources &sources) { deviceSources_ = sources; }
    // The text editor to start, or an empty string when none is installed.
    QString editorProgram() const { return editorProgram(searchPath_); }
    static QString editorProgram(const QString &searchPath);
    // The editors looked for, in the order of preference, for messages that must
    // tell the operator what to install.
    static QStringList editorNames();

private:
    QString home_;
    QString program_;
    QString searchPath_;
    QString systemPorts_ = QStringLiteral("/dev/ttyS");
    QString dataFolder_;
    QStringList namedPorts_{4};
    DeviceSources deviceSources_;
};
