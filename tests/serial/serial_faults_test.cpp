// The serial component under the faults of a line in the field, on pseudo-terminals.
// A pseudo-terminal passes bytes at once whatever its speed; the line times below
// are what the component reckons from the settings, as a real port at 300 baud
// would take them.
#include "serial_test.h"

#include "files.h"
#include "host/forbidden_devices.h"

#include <QDeadlineTimer>
#include <QTest>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

const QByteArray closing = "qqjjZZJJ==..";

// A held handshake line: the port's output stops until released. Held open before
// the port, whose exclusive mode keeps other users out.
class StalledLine : public SerialTest
{
protected:
    void SetUp() override
    {
        SerialTest::SetUp();
        open();
        ASSERT_EQ(::tcflow(fd, TCOOFF), 0);
    }
    ~StalledLine() override { ::close(fd); }
    bool release() const { return ::tcflow(fd, TCOON) == 0; }
    const int fd = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
};

} // namespace

TEST_F(SerialTest, LostDeviceFailsEachWriteQuietlyAndResumes)
{
    open();
    pty.pullOut();
    const std::clock_t cpuBefore = std::clock();
    QTest::qWait(1000);
    EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 5) << "a lost device must not spin";
    for (int write = 0; write < 3; ++write) {
        EXPECT_FALSE(comm.setOutput(frame));
        EXPECT_TRUE(comm.errorString().startsWith("Se perdió el dispositivo " + comPath(1)));
        EXPECT_TRUE(comm.portOpen()) << "the operator has not closed it";
    }
    PseudoTerminal back; // plugged in again
    link(1, back.slavePath());
    ASSERT_TRUE(comm.setOutput(frame)) << comm.errorString().toStdString();
    EXPECT_EQ(back.readCount(frame.size()), frame);
}

// A stall shorter than a frame's line time (233 ms at 300 baud), with the closing
// string handed over inside it: nothing is dropped, the frame goes out whole and the
// closing string after it, and the close waits for both.
TEST_F(StalledLine, ShortStallLosesNoByteOfAFrameOrTheClosingString)
{
    ASSERT_TRUE(comm.setOutput(frame));
    QTest::qWait(50);
    ASSERT_TRUE(comm.setOutput(closing));
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        release();
    });
    EXPECT_TRUE(comm.setPortOpen(false));
    later.join();
    EXPECT_EQ(pty.read(500), frame + closing);
}

// Ten seconds of a stalled line with a frame every half second: when it moves again,
// only the newest frame goes out, no burst of old times.
TEST_F(StalledLine, LongStallSendsOnlyTheNewestFrameWhenReleased)
{
    QByteArray last = frame;
    for (int tick = 0; tick < 20; ++tick) {
        last[5] = char(0x10 + tick);
        ASSERT_TRUE(comm.setOutput(last));
        QTest::qWait(500);
    }
    EXPECT_TRUE(pty.read(50).isEmpty() && events.isEmpty()) << "nothing has left yet";
    ASSERT_TRUE(release());
    EXPECT_EQ(pty.read(1000, 200), last);
    QTRY_COMPARE_WITH_TIMEOUT(events, QList<int>{MSComm::EventSend}, 2000);
}

// "Cerrar puerto" on a line that never moves again: the close gives the frame and the
// closing string their time on the line plus the margin, drops them, and closes.
TEST_F(StalledLine, CloseOnAStalledLineReturnsInTheClosingStringsTime)
{
    ASSERT_TRUE(comm.setOutput(frame));
    ASSERT_TRUE(comm.setOutput(closing));
    // 19 bytes at 300 baud take 633 ms; the margin is 200 ms.
    const QDeadlineTimer due(633 + 200 + 150);
    EXPECT_TRUE(comm.setPortOpen(false) && !comm.portOpen());
    EXPECT_GT(due.remainingTime(), 0);
    ASSERT_TRUE(release());
    EXPECT_TRUE(pty.read(300).isEmpty()) << "dropped, not sent late";
}

// A COM entry that leads to a console, a terminal or a pseudo-terminal master is
// refused by the device's number, naming it, before any open: the guard under test
// decides, and a device it would let through is stopped here instead of opened, so
// /dev/tty and /dev/console are never touched. The kernel's console list and the
// process's status are stand-ins naming two pseudo-terminals (tty_nr in the
// kernel's encoding); a third one, the test's own line, is still a port.
TEST_F(SerialTest, ConsoleTerminalAndMasterRefusedBeforeOpening)
{
    PseudoTerminal console, controlling;
    struct stat tty;
    ASSERT_EQ(::stat(qPrintable(controlling.slavePath()), &tty), 0);
    const DeviceSources sources{{folder.filePath("active")}, folder.filePath("stat")};
    ASSERT_TRUE(
        writeFile(sources.consoleLists[0], "tty0 " + console.slavePath().mid(5).toUtf8()) &&
        writeFile(sources.processStat,
                  "7 (a) b) S 1 7 7 " + QByteArray::number((major(tty.st_rdev) << 8) |
                                                           (minor(tty.st_rdev) & 0xff) |
                                                           ((minor(tty.st_rdev) >> 8) << 20))));
    const std::pair<QString, const char *> rows[] = {
        {"/dev/tty", "es el terminal de control del programa (/dev/tty)"},
        {"/dev/console", "es la consola del sistema (/dev/console)"},
        {"/dev/ptmx", "es el lado maestro de los pseudoterminales (/dev/ptmx)"},
        {QStringLiteral("/proc/self/fd/%1").arg(pty.masterFd()), "es el lado maestro de los"},
        {console.slavePath(), "es una consola del núcleo"},
        {controlling.slavePath(), "es el terminal de control del programa, no"},
        {pty.slavePath(), nullptr},
    };
    for (const auto &[target, why] : rows) {
        link(1, target);
        bool asked = false;
        comm.setDeviceGuard([&](int, const QString &device, const QString &canonical) {
            asked = true;
            const QString refused = forbiddenDevice(canonical, device, sources);
            return refused.isEmpty() && why ? QStringLiteral("let through") : refused;
        });
        EXPECT_TRUE(comm.setPortOpen(true) == !why && asked) << target.toStdString();
        const QString said = comm.errorString().section(QLatin1String(") "), 1, -1);
        EXPECT_EQ(said.left(QString::fromUtf8(why).size()), QString::fromUtf8(why));
        comm.setPortOpen(false);
    }
}
