#pragma once

#include "pseudo_terminal.h"
#include "serial/mscomm.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline const QByteArray frame = QByteArray::fromHex("61544337201575");

// Ports are COMn links in a temporary folder; a port without a link has no
// device, so nothing here can reach a real serial port.
class SerialTest : public ::testing::Test
{
protected:
    void SetUp() override { link(1, pty.slavePath()); }
    QString comPath(int port) const { return folder.filePath(QStringLiteral("COM%1").arg(port)); }
    void link(int port, const QString &target)
    {
        QFile::remove(comPath(port));
        ASSERT_TRUE(QFile::link(target, comPath(port)));
    }
    // Set up as start-up and the opening do it; records each notification.
    void open(const char *settings = " 300,N,8,1")
    {
        comm.setRThreshold(1);
        comm.setSThreshold(1);
        ASSERT_TRUE(comm.setSettings(QLatin1String(settings)) && comm.setPortOpen(true));
        QObject::connect(&comm, &MSComm::OnComm, &comm,
                         [this] { events.append(comm.commEvent()); });
    }

    PseudoTerminal pty;
    QTemporaryDir folder;
    MSComm comm{
        [this](int n) { return QFileInfo(comPath(n)).isSymLink() ? comPath(n) : QString(); }};
    QList<int> events;
};
