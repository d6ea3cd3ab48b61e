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

// What only the running program shows. A plain file and a link to what is no
// pseudo-terminal (a USB adapter) are the operator's: refused (status 1, a reason on
// stderr) and left as they are; an argument that does not hold ends it with status 2.
// Then a run: what is written to its link (noise, a frame cut in two writes) reaches
// the monitor, each event is a line on stdout, its own clock ends the one-second ring
// while the line is quiet, --stats tells the timing of a line that brought frames as
// the last line, and on SIGTERM it ends normally and takes away the link it made in
// place of one an earlier run left behind.
TEST(SateliteRun, leavesTheOperatorsEntriesAndTellsWhatArrivesOnItsLink)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"COM1"_s), link = dir.filePath(u"COM2"_s);
    QFile plain(file);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly) && plain.write("mine") == 4 &&
                QFile::link(file, link));
    plain.close();
    const std::tuple<QString, QStringList, int> rows[] = {
        {file, {}, 1}, {link, {}, 1}, {dir.filePath(u"COM3"_s), {u"--preset"_s, u"0"_s}, 2}};
    for (const auto &[entry, more, status] : rows) {
        QProcess refused;
        EXPECT_FALSE(start(refused, entry, more));
        refused.waitForFinished(5000);
        EXPECT_TRUE(refused.exitCode() == status && !refused.readAllStandardError().isEmpty());
    }
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_TRUE(plain.readAll() == "mine" && QFileInfo(link).symLinkTarget() == file);

    const QString ours = dir.filePath(u"COM4"_s);
    ASSERT_TRUE(QFile::link(dir.filePath(u"gone"_s), ours)); // its pseudo-terminal went with it
    QProcess satelite;
    ASSERT_TRUE(start(satelite, ours, {u"--preset"_s, u"1"_s, u"--stats"_s}));
    const int port = ::open(QFile::encodeName(ours).constData(), O_WRONLY | O_NOCTTY);
    ASSERT_GE(port, 0);
    QString out;
    const auto told = [&](const char *what) {
        return QTest::qWaitFor([&] {
            satelite.waitForReadyRead(50);
            return out.append(QString::fromLatin1(satelite.readAllStandardOutput())).contains(what);
        });
    };
    // Two frames a second, the last one firing channel 2; the closing string comes
    // only once the ring is over.
    for (const char *hex : {"01026154", "4337201571", "61544337201670", "61544337201670",
                            "61544337201771", "61544337201775", "71716A6A5A5A4A4A3D3D2E2E"}) {
        EXPECT_TRUE(hex[0] != '7' || told("QUIET 2")) << "the ring outlasted its preset";
        const QByteArray bytes = QByteArray::fromHex(hex);
        EXPECT_EQ(::write(port, bytes.constData(), bytes.size()), bytes.size());
        QThread::msleep(500);
    }
    ::close(port);
    ASSERT_TRUE(told("CLOSE"));
    satelite.terminate();
    ASSERT_TRUE(satelite.waitForFinished(5000));
    EXPECT_EQ(satelite.exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(QFileInfo(ours).isSymLink()) << "the link outlived the program";
    out += QString::fromLatin1(satelite.readAllStandardOutput());
    // A minute may turn during the run: its figures are a line among the events.
    out.remove(QRegularExpression(u"^ESTAD minuto .*\n"_s, QRegularExpression::MultilineOption));
    const auto timing =
        QRegularExpression(
            u"^NOISE 01 02\nFRAME 14:37:05 000 61 54 43 37 20 15 71\n(.*\n)*"
            "FRAME 14:37:07 010 61 54 43 37 20 17 75\nRING 2\nQUIET 2\n(GAP \\d+\n)?CLOSE\n"
            "ESTAD total segundos \\d+ con_dos (\\d+) con_otras (\\d+) "
            "perdidos \\d+ retraso_ms p50 \\d+ p99 \\d+ max \\d+\n$"_s)
            .match(out);
    EXPECT_TRUE(timing.hasMatch() && timing.captured(3).toInt() + timing.captured(4).toInt() >= 1)
        << out.toStdString();
}

} // namespace
