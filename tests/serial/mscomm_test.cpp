#include "serial/mscomm.h"

#include "pseudo_terminal.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

const QByteArray frame = QByteArray::fromHex("61544337201575");
const QByteArray closingString = "qqjjZZJJ==..";

qint64 processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Ports are COMn links in a temporary folder; a port without a link has no
// device, so nothing here can reach a real serial port.
class SerialTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.isValid() && folder.isValid());
        link(1, pty.slavePath());
    }
    QString comPath(int port) const { return folder.filePath(QStringLiteral("COM%1").arg(port)); }
    void link(int port, const QString &target)
    {
        QFile::remove(comPath(port));
        ASSERT_TRUE(QFile::link(target, comPath(port)));
    }
    MSComm::DeviceResolver resolver() const
    {
        return [this](int n) { return QFileInfo(comPath(n)).isSymLink() ? comPath(n) : QString(); };
    }
    // Opened as start-up and the opening sequence do it; records each notification.
    std::unique_ptr<MSComm> openComm(const QString &settings = QStringLiteral(" 300,N,8,1"))
    {
        auto comm = std::make_unique<MSComm>(resolver());
        comm->setInputLen(0);
        comm->setRThreshold(1);
        comm->setSThreshold(1);
        EXPECT_TRUE(comm->setCommPort(1) && comm->setSettings(settings));
        EXPECT_TRUE(comm->setPortOpen(true)) << comm->errorString().toStdString();
        QObject::connect(comm.get(), &MSComm::OnComm, comm.get(), [this, c = comm.get()] {
            events.append(c->commEvent());
            if (c->commEvent() == MSComm::EventReceive)
                received += c->input();
        });
        return comm;
    }
    // The device's current line, as another program on it would see it.
    std::pair<speed_t, tcflag_t> line() const
    {
        const int fd = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(fd, &t);
        ::close(fd);
        return {::cfgetospeed(&t), t.c_cflag & CSTOPB}; // a pty keeps no parity or size
    }

    PseudoTerminal pty;
    QTemporaryDir folder;
    QList<int> events;
    QByteArray received;
};

} // namespace

TEST_F(SerialTest, EveryLineByteCrossesUnchangedBothWays)
{
    QByteArray bytes;
    for (int b = 0x10; b <= 0x7F; ++b)
        bytes.append(char(b));
    auto comm = openComm();
    ASSERT_TRUE(comm->setOutput(bytes));
    EXPECT_EQ(pty.readCount(bytes.size()), bytes);
    ASSERT_TRUE(pty.write(bytes));
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), bytes.size(), 2000);
    EXPECT_EQ(received, bytes);
}

TEST_F(SerialTest, SettingsReachTheDevice)
{
    const std::tuple<const char *, speed_t, tcflag_t> cases[] = {
        {" 300,N,8,1", B300, 0}, {" 2400,N,8,1", B2400, 0}, {"9600,E,7,2", B9600, CSTOPB}};
    MSComm comm(resolver());
    for (const auto &[settings, speed, stopBits] : cases) {
        SCOPED_TRACE(settings);
        ASSERT_TRUE(comm.setSettings(QString::fromLatin1(settings)));
        ASSERT_TRUE(comm.setPortOpen(true)) << comm.errorString().toStdString();
        EXPECT_EQ(line(), std::make_pair(speed, stopBits));
        // Written while open they apply at once; refused, they leave the line alone.
        ASSERT_TRUE(comm.setSettings(QStringLiteral(" 600,N,8,2")));
        EXPECT_FALSE(comm.setSettings(QStringLiteral(" 600,N,8")));
        EXPECT_EQ(line(), std::make_pair(speed_t(B600), tcflag_t(CSTOPB)));
        ASSERT_TRUE(comm.setPortOpen(false));
    }
}

TEST_F(SerialTest, RefusedWritesChangeNothingAndSayWhy)
{
    link(2, QStringLiteral("/nonexistent/tty"));
    MSComm comm(resolver());
    struct Case
    {
        const char *what;
        std::function<bool()> write;
        const char *description; // none: a step that must succeed
        int portAfter;
    };
    const Case cases[] = {
        {"port 0", [&] { return comm.setCommPort(0); }, "Número de puerto no válido: 0", 1},
        {"malformed settings", [&] { return comm.setSettings(QStringLiteral("300,N,8")); },
         "Configuración de puerto no válida: \"300,N,8\"", 1},
        {"no device", [&] { return comm.setCommPort(3) && comm.setPortOpen(true); },
         "El puerto COM3 no existe", 3},
        {"dangling link", [&] { return comm.setCommPort(2) && comm.setPortOpen(true); },
         "No se encuentra el dispositivo", 2},
        {"output while closed", [&] { return comm.setOutput(frame); }, "no está abierto", 2},
        {"open", [&] { return comm.setCommPort(1) && comm.setPortOpen(true); }, nullptr, 1},
        {"another port while open", [&] { return comm.setCommPort(4); }, "abierto", 1},
        {"opening twice", [&] { return comm.setPortOpen(true); }, "ya está abierto", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const bool wasOpen = comm.portOpen();
        ASSERT_EQ(c.write(), !c.description) << comm.errorString().toStdString();
        EXPECT_EQ(comm.commPort(), c.portAfter);
        EXPECT_EQ(comm.settings(), QStringLiteral("300,N,8,1"));
        if (c.description) {
            EXPECT_TRUE(comm.errorString().contains(QString::fromUtf8(c.description)))
                << comm.errorString().toStdString();
            EXPECT_EQ(comm.portOpen(), wasOpen);
        }
    }
    ASSERT_TRUE(comm.setOutput(frame));
    EXPECT_EQ(pty.readCount(frame.size()), frame) << "the open port still works";
}

TEST_F(SerialTest, PortInUseIsRefusedUnderAnyOfItsNames)
{
    auto first = openComm();
    link(3, comPath(1));
    for (const QString &name : {comPath(1), pty.slavePath(), comPath(3)}) {
        MSComm second([&](int) { return name; });
        EXPECT_FALSE(second.setPortOpen(true)) << name.toStdString();
        EXPECT_EQ(second.errorString(),
                  QStringLiteral("El puerto COM1 está en uso por otro programa"));
    }
    ASSERT_TRUE(first->setPortOpen(false));
    MSComm third(resolver());
    EXPECT_TRUE(third.setPortOpen(true)) << "closing releases it";
}

TEST_F(SerialTest, NotificationsFollowTheThresholds)
{
    auto comm = openComm();
    ASSERT_TRUE(comm->setOutput(frame));
    EXPECT_TRUE(events.isEmpty()) << "never inside the write itself";
    QTRY_COMPARE_WITH_TIMEOUT(events, QList<int>{MSComm::EventSend}, 2000);
    EXPECT_EQ(pty.read(), frame);
    ASSERT_TRUE(pty.write("abc"));
    QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("abc"), 2000);
    EXPECT_EQ(events.last(), int(MSComm::EventReceive));
    EXPECT_TRUE(comm->input().isEmpty()) << "Input removes what it returns";

    comm->setRThreshold(0);
    comm->setSThreshold(0);
    events.clear();
    ASSERT_TRUE(comm->setOutput(frame) && pty.write("xyz"));
    EXPECT_EQ(pty.read(), frame);
    QTest::qWait(100);
    EXPECT_TRUE(events.isEmpty());
    comm->setInputLen(2);
    EXPECT_EQ(comm->input(), QByteArray("xy"));
    EXPECT_EQ(comm->input(), QByteArray("z"));
}

TEST_F(SerialTest, CommEventStaysPutWhileAHandlerWaits)
{
    auto comm = openComm();
    QList<QPair<int, int>> seen; // CommEvent at the start and at the end of each handler
    QObject::connect(comm.get(), &MSComm::OnComm, comm.get(), [&] {
        const int atStart = comm->commEvent();
        if (atStart == MSComm::EventSend) {
            EXPECT_TRUE(pty.write("r"));
            QTest::qWait(200); // as a message box would: the line goes on meanwhile
        }
        seen.append({atStart, comm->commEvent()});
    });
    ASSERT_TRUE(comm->setOutput(frame));
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 2000);
    EXPECT_EQ(seen[0], qMakePair(int(MSComm::EventReceive), int(MSComm::EventReceive)));
    EXPECT_EQ(seen[1], qMakePair(int(MSComm::EventSend), int(MSComm::EventSend)));
}

TEST_F(SerialTest, ClosingLetsTheLastOutputLeaveWhole)
{
    auto comm = openComm();
    ASSERT_TRUE(comm->setOutput(closingString) && comm->setPortOpen(false));
    EXPECT_EQ(pty.read(), closingString);
    EXPECT_TRUE(events.isEmpty()) << "no notification after the port closed";
}

TEST_F(SerialTest, LostDeviceFailsEachWriteQuietlyAndResumes)
{
    auto comm = openComm();
    pty.closeMaster(); // the adapter is pulled out
    // Qt reads the hang-up as whatever error code the last failed call left behind;
    // our own non-blocking reads leave EAGAIN, which happens to stop Qt's reading.
    // A pulled adapter leaves anything, and then Qt retries without end.
    errno = ENOTTY;
    QTest::qWait(100);
    const qint64 cpuBefore = processCpuMs();
    QTest::qWait(1000);
    EXPECT_LT(processCpuMs() - cpuBefore, 200) << "the lost device must not spin the event loop";
    for (int write = 0; write < 3; ++write) {
        EXPECT_FALSE(comm->setOutput(frame));
        EXPECT_EQ(comm->errorString(),
                  QStringLiteral("Se perdió el dispositivo %1 del puerto COM1; se "
                                 "volverá a abrir en cuanto esté disponible")
                      .arg(comPath(1)));
        EXPECT_TRUE(comm->portOpen()) << "the operator has not closed it";
    }

    PseudoTerminal back; // plugged in again
    link(1, back.slavePath());
    ASSERT_TRUE(comm->setOutput(frame)) << comm->errorString().toStdString();
    EXPECT_EQ(back.readCount(frame.size()), frame);

    back.closeMaster();
    QTest::qWait(100);
    EXPECT_TRUE(comm->setPortOpen(false)) << "closing a lost device always succeeds";
    EXPECT_FALSE(comm->portOpen());
}

TEST_F(SerialTest, StalledLineSendsOnlyTheNewestFrameWhenItMoves)
{
    auto comm = openComm();
    // What a held handshake line does to the port: its output stops.
    const int stall = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(::tcflow(stall, TCOOFF), 0);
    QByteArray last = frame;
    for (char tick = 0; tick < 6; ++tick) {
        last[5] = char(0x10 + tick);
        ASSERT_TRUE(comm->setOutput(last));
        QTest::qWait(60);
    }
    EXPECT_TRUE(pty.read(100).isEmpty());
    EXPECT_TRUE(events.isEmpty()) << "nothing has left yet";
    ASSERT_EQ(::tcflow(stall, TCOON), 0);
    EXPECT_EQ(pty.read(1000, 200), last);
    QTRY_COMPARE_WITH_TIMEOUT(events, QList<int>{MSComm::EventSend}, 2000);
    ::close(stall);
}
