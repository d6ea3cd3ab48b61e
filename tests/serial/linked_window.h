#pragma once

#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "fake_host.h"
#include "pseudo_terminal.h"
#include "serial/mscomm.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <gtest/gtest.h>

#include <memory>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// A window of either program whose four ports are links in the test's own data
// folder: the ports given lead to a pseudo-terminal, every other one to a path
// that does not exist. No opening can then reach a real serial port, which on a
// test machine may well be the console.
class LinkedWindow
{
public:
    explicit LinkedWindow(Edition edition, const QList<int> &ptyPorts = {2})
    {
        for (int port = 1; port <= 4; ++port)
            linkPort(port, QString());
        for (int port : ptyPorts)
            linkPort(port, pty.slavePath());
        // A quiet bell program, so that a tick run by a test has one to read.
        put(fake.host.places.defaultProgram(), "1,12:00:00\r\n");
        form = std::make_unique<Form1>(edition, fake.host);
        // Ticks are delivered by hand, where a test wants them.
        form->Timer1->stop();
    }

    // Points COMn at target, or at a missing path when target is empty.
    void linkPort(int port, const QString &target)
    {
        const QString link = comLink(port);
        QFile::remove(link);
        const QString to =
            target.isEmpty() ? fake.home.filePath(QStringLiteral("no-such-device")) : target;
        if (!QFile::link(to, link))
            ADD_FAILURE() << "cannot link " << link.toStdString();
    }
    QString comLink(int port) const
    {
        return fake.dataFolder() + QStringLiteral("/COM%1").arg(port);
    }

    // Checks that every port a window may open resolves inside the data folder.
    ::testing::AssertionResult portsStayInTheDataFolder() const
    {
        for (int port = 1; port <= 4; ++port) {
            const QString device = fake.host.places.portDevice(port);
            if (!device.startsWith(fake.dataFolder() + QLatin1Char('/')))
                return ::testing::AssertionFailure()
                       << "COM" << port << " resolves to " << device.toStdString();
        }
        return ::testing::AssertionSuccess();
    }

    static bool put(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QString settingsFile() const { return fake.host.places.portSettingsFile(); }
    bool putSettings(const QByteArray &bytes) const { return put(settingsFile(), bytes); }
    QByteArray settings() const { return contents(settingsFile()); }

    // Another program holds the port open.
    bool occupy(int port)
    {
        otherProgram =
            std::make_unique<MSComm>([this](int n) { return fake.host.places.portDevice(n); });
        return otherProgram->setCommPort(port) && otherProgram->setPortOpen(true);
    }

    QStringList &messages() { return fake.messages.texts; }
    void tick() { emit form->Timer1->timeout(); }

    FakeHost fake;
    PseudoTerminal pty;
    std::unique_ptr<MSComm> otherProgram;
    std::unique_ptr<Form1> form;
};

// What the port labels show: caption and colour of each.
struct PortLabels
{
    QString port, speed, state;
    QColor speedColor, stateColor;
    friend bool operator==(const PortLabels &, const PortLabels &) = default;
};

inline PortLabels portLabels(const Form1 &form)
{
    return {form.Etiq_Puerto->text(), form.Etiq_Velocidad->text(), form.Etiq_Estado->text(),
            Form1::foreColor(form.Etiq_Velocidad), Form1::foreColor(form.Etiq_Estado)};
}

inline void PrintTo(const PortLabels &l, std::ostream *out)
{
    *out << '{' << l.port.toStdString() << "|" << l.speed.toStdString() << ' '
         << l.speedColor.name().toStdString() << "|" << l.state.toStdString() << ' '
         << l.stateColor.name().toStdString() << '}';
}

inline const QColor red{255, 0, 0};
inline const QColor olive{136, 136, 0};
inline const QColor black{0, 0, 0};
