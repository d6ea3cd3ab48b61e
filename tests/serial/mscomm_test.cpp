#include "serial/mscomm.h"

#include "serial_test.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// A device the operator may not use: the description says how to get the right.
// The device refuses everyone but root, so the opening runs in a child process
// that, when the tests run as root, gives its rights away first.
TEST_F(SerialTest, RefusedDeviceTellsHowToJoinTheDialoutGroup)
{
    const QString device = pty.slavePath();
    ASSERT_EQ(::chmod(device.toLocal8Bit().constData(), 0), 0);
    const uid_t user = ::geteuid() == 0 ? uid_t(65534) : ::geteuid();
    const passwd *account = ::getpwuid(user);
    ASSERT_NE(account, nullptr);
    const QString name = QString::fromLocal8Bit(account->pw_name);

    int said[2];
    ASSERT_EQ(::pipe(said), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(said[0]);
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(65534)) != 0 || ::setuid(user) != 0))
            ::_exit(3);
        MSComm refused([&](int) { return device; });
        const QByteArray text =
            refused.setPortOpen(true) ? QByteArray("abierto") : refused.errorString().toUtf8();
        const bool whole = ::write(said[1], text.constData(), text.size()) == text.size();
        ::_exit(whole ? 0 : 4);
    }
    ::close(said[1]);
    QByteArray text;
    char buffer[512];
    for (ssize_t n; (n = ::read(said[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(said[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    const QString description = QString::fromUtf8(text);
    EXPECT_TRUE(description.startsWith("No hay permiso para abrir el dispositivo " + device +
                                       " del puerto COM1. "))
        << text.toStdString();
    EXPECT_TRUE(description.contains("el usuario debe pertenecer al grupo dialout: "
                                     "ejecute «sudo adduser " +
                                     name + " dialout» y vuelva a iniciar la sesión"))
        << text.toStdString();
}
