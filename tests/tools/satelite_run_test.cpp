// The program itself on a pseudo-terminal, as the station would drive it: the
// test opens the link that satelite makes and writes the line's bytes into it.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool waitFor(const std::function<bool()> &condition, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

void send(int fd, const QByteArray &bytes)
{
    ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
}

QByteArray runRefused(const QString &link)
{
    QProcess satelite;
    satelite.start(QStringLiteral(SATELITE_PROGRAM),
                   {QStringLiteral("--pty"), link, QStringLiteral("--text")});
    EXPECT_TRUE(satelite.waitForFinished(5000));
    EXPECT_EQ(satelite.exitCode(), 1);
    return satelite.readAllStandardError();
}

TEST(SateliteRun, decodesWhatArrivesOnItsPortAndTakesTheLinkAway)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("Quirzal/COM1"));
    QProcess satelite;
    satelite.start(QStringLiteral(SATELITE_PROGRAM),
                   {QStringLiteral("--pty"), link, QStringLiteral("--text"),
                    QStringLiteral("--preset"), QStringLiteral("1")});
    ASSERT_TRUE(satelite.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return QFileInfo(link).isSymLink(); }));
    EXPECT_TRUE(QFileInfo(link).symLinkTarget().startsWith(QLatin1String("/dev/pts/")));

    const int port = ::open(QFile::encodeName(link).constData(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(port, 0);
    const QByteArray fired = QByteArray::fromHex("61544337201575");
    send(port, QByteArray("\x01\x02") + fired.left(3));
    QThread::msleep(150);
    send(port, fired.mid(3));
    QThread::msleep(350);
    send(port, QByteArray::fromHex("6154433720157571716A"));
    QThread::msleep(1400);
    send(port, QByteArray::fromHex("61544337201670") + "qqjjZZJJ==..");
    QThread::msleep(200);
    ::close(port);

    QStringList lines;
    ASSERT_TRUE(waitFor([&] {
        satelite.waitForReadyRead(50);
        lines += QString::fromLatin1(satelite.readAllStandardOutput())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines.contains(QLatin1String("CLOSE"));
    }));
    satelite.terminate();
    ASSERT_TRUE(satelite.waitForFinished(5000));
    EXPECT_EQ(satelite.exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the link outlived the program";

    ASSERT_EQ(lines.size(), 9) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0], QLatin1String("NOISE 01 02"));
    EXPECT_EQ(lines[1], QLatin1String("FRAME 14:37:05 010 61 54 43 37 20 15 75"));
    EXPECT_EQ(lines[2], QLatin1String("RING 2"));
    EXPECT_EQ(lines[3], QLatin1String("FRAME 14:37:05 010 61 54 43 37 20 15 75"));
    EXPECT_EQ(lines[4], QLatin1String("QUIET 2"));
    EXPECT_EQ(lines[5], QLatin1String("NOISE 71 71 6A"));
    EXPECT_TRUE(lines[6].startsWith(QLatin1String("GAP 1"))) << lines[6].toStdString();
    EXPECT_EQ(lines[7], QLatin1String("FRAME 14:37:06 000 61 54 43 37 20 16 70"));
    EXPECT_EQ(lines[8], QLatin1String("CLOSE"));
}

TEST(SateliteRun, leavesTheOperatorsOwnEntriesAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("COM1"));
    QFile plain(file);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("mine");
    plain.close();
    EXPECT_FALSE(runRefused(file).isEmpty());
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_EQ(plain.readAll(), QByteArray("mine"));

    // A link to something that is not a pseudo-terminal, as to a USB adapter.
    const QString link = dir.filePath(QStringLiteral("COM2"));
    ASSERT_TRUE(QFile::link(file, link));
    runRefused(link);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), file);

    // A link left by an earlier run whose pseudo-terminal has gone is replaced.
    const QString stale = dir.filePath(QStringLiteral("COM3"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), stale));
    QProcess satelite;
    satelite.start(QStringLiteral(SATELITE_PROGRAM),
                   {QStringLiteral("--pty"), stale, QStringLiteral("--text")});
    ASSERT_TRUE(waitFor([&] { return QFileInfo(stale).symLinkTarget().startsWith("/dev/pts/"); }));
    satelite.terminate();
    ASSERT_TRUE(satelite.waitForFinished(5000));
    EXPECT_FALSE(QFileInfo(stale).isSymLink());
}

} // namespace
