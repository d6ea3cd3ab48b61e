#include "serial/mscomm.h"

#include "serial_test.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

TEST_F(SerialTest, EveryLineByteCrossesUnchangedAndIsNotified)
{
    QByteArray bytes;
    for (int b = 0x10; b <= 0x7F; ++b)
        bytes.append(char(b));
    open(" 2400,N,8,1");
    termios line{}; // the master reads the device's own settings
    ::tcgetattr(pty.masterFd(), &line);
    EXPECT_EQ(::cfgetospeed(&line), speed_t(B2400));
    ASSERT_TRUE(comm.setOutput(bytes));
    EXPECT_TRUE(events.isEmpty()) << "never inside the write itself";
    EXPECT_EQ(pty.readCount(bytes.size()), bytes);
    QTRY_COMPARE_WITH_TIMEOUT(events, QList<int>{MSComm::EventSend}, 2000);
    ASSERT_TRUE(pty.write(bytes));
    QTRY_COMPARE_WITH_TIMEOUT(received, bytes, 2000);
    EXPECT_TRUE(comm.input().isEmpty()) << "Input removes what it returns";
}

TEST_F(SerialTest, RefusedWritesChangeNothingAndSayWhy)
{
    link(2, QStringLiteral("/nonexistent/tty"));
    const auto openPort = [&](int n) { return comm.setCommPort(n) && comm.setPortOpen(true); };
    const std::tuple<std::function<bool()>, const char *, int> cases[] = {
        {[&] { return comm.setCommPort(0); }, "Número de puerto no válido: 0", 1},
        {[&] { return comm.setSettings(QStringLiteral("300,N,8")); }, "no válida: \"300,N,8\"", 1},
        {[&] { return openPort(3); }, "El puerto COM3 no existe", 3},
        {[&] { return openPort(2); }, "No se encuentra el dispositivo", 2},
        {[&] { return comm.setOutput(frame); }, "no está abierto", 2},
        {[&] { return openPort(1); }, nullptr, 1},
        {[&] { return comm.setCommPort(4); }, "abierto", 1},
        {[&] { return comm.setPortOpen(true); }, "ya está abierto", 1},
    };
    for (const auto &[write, description, portAfter] : cases) {
        const bool wasOpen = comm.portOpen();
        ASSERT_EQ(write(), !description) << comm.errorString().toStdString();
        EXPECT_EQ(std::tuple(comm.commPort(), comm.settings(), comm.portOpen()),
                  std::tuple(portAfter, QStringLiteral("300,N,8,1"), wasOpen || !description));
        EXPECT_TRUE(!description || comm.errorString().contains(QString::fromUtf8(description)))
            << comm.errorString().toStdString();
    }
    for (const char *text : {"", "300,N,8,1,", "301,N,8,1", "+300,N,8,1", "300,X,8,1", "300,NN,8,1",
                             "300,N,9,1", "300,N,4,1", "300,N,8,3", "300,N,8,1.5", "300,N,8,1 "})
        EXPECT_FALSE(comm.setSettings(QLatin1String(text))) << text;
    EXPECT_EQ(comm.settings(), QStringLiteral("300,N,8,1"));
    link(3, comPath(1)); // a program on the open port, under each of its names
    for (const QString &name : {comPath(1), pty.slavePath(), comPath(3)}) {
        MSComm second([&](int) { return name; });
        EXPECT_FALSE(second.setPortOpen(true));
        EXPECT_EQ(second.errorString(), "El puerto COM1 está en uso por otro programa")
            << name.toStdString();
    }
}
