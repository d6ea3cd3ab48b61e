// The program itself on a pseudo-terminal, as the station would drive it: the
// test opens the link that satelite makes and writes the line's bytes into it.
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Whether the link leads to satelite's pseudo-terminal, once it did or satelite ended.
bool start(QProcess &satelite, const QString &link, const QStringList &more = {})
{
    satelite.start(QStringLiteral(SATELITE_PROGRAM),
                   QStringList{u"--pty"_s, link, u"--text"_s} + more);
    const auto linked = [&] { return QFileInfo(link).symLinkTarget().startsWith("/dev/pts/"_L1); };
    return QTest::qWaitFor([&] { return linked() || satelite.state() == QProcess::NotRunning; }) &&
           linked();
}

// Each write's hex bytes, then how long the line stays quiet after it.
void send(const QString &link, const std::vector<std::pair<const char *, int>> &writes)
{
    const int port = ::open(QFile::encodeName(link).constData(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(port, 0);
    for (const auto &[hex, pauseMs] : writes) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        EXPECT_EQ(::write(port, bytes.constData(), bytes.size()), bytes.size());
        QThread::msleep(pauseMs);
    }
    ::close(port);
}

void stop(QProcess &satelite)
{
    satelite.terminate();
    ASSERT_TRUE(satelite.waitForFinished(5000));
    EXPECT_EQ(satelite.exitStatus(), QProcess::NormalExit);
}

// Noise, a frame cut in two, the same frame again, a closing string cut short, a
// silence, then a frame and the closing string in one write; the bell rings for
// its one-second preset. At the end the link goes with the program.
TEST(SateliteRun, decodesWhatArrivesOnItsPortAndTakesTheLinkAway)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(u"Quirzal/COM1"_s);
    QProcess satelite;
    ASSERT_TRUE(start(satelite, link, {u"--preset"_s, u"1"_s}));
    send(link, {{"0102615443", 150},
                {"37201575", 350},
                {"6154433720157571716A", 1400},
                {"6154433720167071716A6A5A5A4A4A3D3D2E2E", 200}});
    QStringList lines;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        satelite.waitForReadyRead(50);
        lines +=
            QString::fromLatin1(satelite.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        return lines.contains("CLOSE"_L1);
    }));
    stop(satelite);
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the link outlived the program";
    EXPECT_EQ(lines.join(u'|').replace(QRegularExpression(u"GAP 1\\d\\d\\d"_s), u"GAP"_s),
              u"NOISE 01 02|FRAME 14:37:05 010 61 54 43 37 20 15 75|RING 2|"
              "FRAME 14:37:05 010 61 54 43 37 20 15 75|QUIET 2|NOISE 71 71 6A|GAP|"
              "FRAME 14:37:06 000 61 54 43 37 20 16 70|CLOSE"_s);
}

// With --stats the line's timing is told as the program ends, as its last line;
// a line that brought frames has seconds with frames to tell of.
TEST(SateliteRun, tellsTheLineTimingAsItEnds)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(u"COM1"_s);
    QProcess satelite;
    ASSERT_TRUE(start(satelite, link, {u"--stats"_s}));
    std::vector<std::pair<const char *, int>> frames(7, {"61544337201575", 500});
    frames.back().second = 100; // the last frame is read before the end
    send(link, frames);
    stop(satelite);
    const QString out = QString::fromLatin1(satelite.readAllStandardOutput());
    const auto total = QRegularExpression(u"\nESTAD total segundos \\d+ con_dos (\\d+) con_otras "
                                          "(\\d+) perdidos \\d+ retraso_ms p50 \\d+ p99 \\d+ "
                                          "max \\d+\n$"_s)
                           .match(out);
    EXPECT_TRUE(total.hasMatch() && total.captured(1).toInt() + total.captured(2).toInt() >= 1)
        << out.toStdString();
}

// A plain file and a link to what is no pseudo-terminal (a USB adapter) are the
// operator's: refused and left as they are. A link whose pseudo-terminal went with
// an earlier run is replaced.
TEST(SateliteRun, leavesTheOperatorsOwnEntriesAlone)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"COM1"_s), link = dir.filePath(u"COM2"_s);
    QFile plain(file);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly) && plain.write("mine") == 4 &&
                QFile::link(file, link));
    plain.close();
    for (const QString &entry : {file, link}) {
        QProcess satelite;
        EXPECT_FALSE(start(satelite, entry));
        satelite.waitForFinished(5000);
        EXPECT_TRUE(satelite.exitCode() == 1 && !satelite.readAllStandardError().isEmpty());
    }
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_EQ(plain.readAll(), "mine");
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), file);

    const QString stale = dir.filePath(u"COM3"_s);
    ASSERT_TRUE(QFile::link(dir.filePath(u"gone"_s), stale));
    QProcess satelite;
    ASSERT_TRUE(start(satelite, stale));
    stop(satelite);
    EXPECT_FALSE(QFileInfo(stale).isSymLink());
}

} // namespace
