#include "serial/mscomm.h"

#include "serial_test.h"

#include <QTest>

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
}

// Each refusal leaves port, settings and state as they were, and says why; a port
// held by another program is refused under each of its names.
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
    link(3, comPath(1));
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
    const QString expected = "No hay permiso para abrir el dispositivo " + device +
                             " del puerto COM1. Para usar los puertos serie, el usuario debe "
                             "pertenecer al grupo dialout: ejecute «sudo adduser " +
                             QString::fromLocal8Bit(account->pw_name) +
                             " dialout» y vuelva a iniciar la sesión";
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(65534)) != 0 || ::setuid(user) != 0))
            ::_exit(3);
        MSComm refused([&](int) { return device; });
        const bool opened = refused.setPortOpen(true);
        std::fprintf(stderr, "%s\n", qPrintable(refused.errorString())); // seen when it fails
        ::_exit(!opened && refused.errorString() == expected ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "expected: " << expected.toStdString();
}
