// The satellite: the line monitor on bytes and milliseconds and the line timing
// against the wall clock, then the program itself on a pseudo-terminal.
#include "tools/satelite/event_text.h"
#include "tools/satelite/line_monitor.h"
#include "tools/satelite/line_timing.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using Bytes = std::vector<std::uint8_t>;
// Bytes arriving at a moment or, with no bytes, time passing on a quiet line.
using Steps = std::vector<std::pair<std::int64_t, Bytes>>;

// "HH:MM:SS", or "HH:MM:SS/c" with the fire bit of channel c set.
Bytes frame(const std::string &time)
{
    FireFlags fire{};
    if (time.size() > 9)
        fire[std::size_t(time[9] - '1')] = true;
    const Frame f = encodeFrame(time.substr(0, 8), fire).value(); // throws on a bad time
    return Bytes(f.begin(), f.end());
}

// Steps '|' apart, each its milliseconds then nothing, a frame's time or hex bytes.
Steps at(const std::string &text)
{
    Steps steps;
    std::istringstream in(text);
    for (std::string step; std::getline(in, step, '|');) {
        if (step.empty())
            continue;
        const std::string what = step.substr(std::min(step.size(), step.find(' ')));
        Bytes bytes;
        std::istringstream hex(what);
        for (unsigned value; hex >> std::hex >> value;)
            bytes.push_back(std::uint8_t(value));
        steps.emplace_back(std::stoll(step),
                           what.find(':') == std::string::npos ? bytes : frame(what.substr(1)));
    }
    return steps;
}

// Two frames a second from startMs, the time counting on from firstSecond, as
// steps with a '|' either side.
std::string steadyLine(std::int64_t startMs, int firstSecond, int frames)
{
    std::string steps = "|";
    for (int i = 0; i < frames; ++i) {
        const int s = (firstSecond + i / 2) % 86400;
        char step[40];
        std::snprintf(step, sizeof step, "%lld %02d:%02d:%02d|", (long long)(startMs + i * 500),
                      s / 3600, s / 60 % 60, s % 60);
        steps += step;
    }
    return steps;
}

// The event lines, '|' between them, FRAME lines left out unless withFrames.
std::string play(const Steps &steps, bool withFrames)
{
    LineMonitor monitor(2);
    std::string lines;
    for (const auto &[ms, bytes] : steps)
        for (const LineEvent &e : bytes.empty() ? monitor.advance(ms) : monitor.feed(bytes, ms))
            if (withFrames || e.kind != LineEvent::Kind::Frame)
                lines += (lines.empty() ? "" : "|") + eventLine(e);
    return lines;
}

// FRAME lines are compared in the rows that list some. Bells ring for two seconds.
TEST(LineMonitor, decodesAndFlagsWhatATechnicianMustSee)
{
    const std::string f = "FRAME 14:37:05 010 61 54 43 37 20 15 75";
    const std::pair<Steps, std::string> rows[] = {
        {at("0 41 61 54 43 37 20 15 75 0D 0A"), "NOISE 41|" + f + "|RING 2|NOISE 0D 0A"},
        {at("0 61 54 43|20 FF 61 54 43 37 20 15 75"), "NOISE 61 54 43 FF|" + f + "|RING 2"},
        // Hour 25 is no frame: noise, then the frame that starts inside it.
        {at("0 62 55 60 58 40 30 20 10 72"),
         "NOISE 62 55|FRAME 08:00:00 100 60 58 40 30 20 10 72|RING 1"},
        {at("0 60 50 40 30 20 11 7F"),
         "FRAME 00:00:01 111 60 50 40 30 20 11 7F|RING 1|RING 2|RING 3"},
        {at("0 71 71 6A 61 54 43 37 20 15 75"), "NOISE 71 71 6A|" + f + "|RING 2"},
        {at("0 61 50 40 30 20 11 70"), "PARITY 10:00:01"},
        // A frame left half-way by a silent line is given up as noise.
        {at("0 61 54 43|1000|1001"), "NOISE 61 54 43"},
        {at(steadyLine(250, 86397, 12)), ""},
        {at(steadyLine(0, 36000, 4) + "1900 10:00:01" + steadyLine(2000, 36002, 4)),
         "COUNT 10:00:01 3"},
        {at(steadyLine(0, 36000, 2) + "1000 10:00:01" + steadyLine(1900, 36002, 4)),
         "COUNT 10:00:01 1"},
        // The first and last seconds of a run are heard in part and not judged.
        {at("0 10:00:00" + steadyLine(500, 36001, 4) + "2500 10:00:03"), ""},
        {at(steadyLine(0, 36000, 2) + "800 71 71 6A 6A 5A 5A 4A 4A 3D 3D 2E 2E" +
            steadyLine(5000, 36005, 2)),
         "CLOSE"},
        {at(steadyLine(0, 36000, 2) + "1000 10:00:05|1500 10:00:00"),
         "JUMP 10:00:05 10:00:00|JUMP 10:00:00 10:00:05"},
        // Back by one second within the tolerance of the clock is still a jump.
        {at(steadyLine(0, 36000, 3) + "1200 10:00:00"), "JUMP 10:00:00 10:00:01"},
        // The satellite's clock runs on over a gap: the time after it is no jump.
        {at(steadyLine(0, 36000, 2) + steadyLine(4000, 36004, 2)), "GAP 3500"},
        // A ring lasts the preset from the first frame of a fire run; a new run while
        // it rings makes it last the preset from there; a run after it ends rings again.
        {at("0 10:00:00/2|500 10:00:00/2|1000 10:00:01/2|1500 10:00:01|1999|2000"),
         "RING 2|QUIET 2"},
        {at("0 10:00:00/1|500 10:00:00|1000 10:00:01/1|2500 10:00:02|3000|3500 10:00:03/1"),
         "RING 1|GAP 1500|QUIET 1|RING 1"},
    };
    for (const auto &[steps, expected] : rows)
        EXPECT_EQ(play(steps, expected.find("FRAME") != std::string::npos), expected);
}

// What happens on the line, blank-separated: 'f' a frame, 'c' the closing string,
// 'a' time passing, each at a second counted from an hour of a working day.
constexpr std::int64_t base = 1'772'434'200'000;

// Two frames a second from second `from` to `to`, the first `lateMs` into it.
std::string steady(int from, int to, int lateMs = 20)
{
    std::string steps;
    for (int s = from; s <= to; ++s)
        for (double at : {s + lateMs / 1000.0, s + lateMs / 1000.0 + 0.5})
            steps += " f" + std::to_string(at);
    return steps;
}

LineTiming play(const std::string &steps, LineTiming timing = {})
{
    std::istringstream in(steps);
    for (std::string step; in >> step;) {
        const std::int64_t ms = base + std::llround(std::stod(step.substr(1)) * 1000);
        step[0] == 'f' ? timing.frame(ms) : step[0] == 'c' ? timing.close(ms) : timing.advance(ms);
    }
    return timing;
}

// The figures of the line without their words.
std::string numbers(const TimingFigures &figures)
{
    static const QRegularExpression word(uR"(\S*[A-Za-z_]\S* *)"_s);
    return QString::fromStdString(timingLine("total", figures)).remove(word).toStdString();
}

// Seconds, with two frames, with others, missed; lateness p50, p99 and max.
TEST(LineTiming, judgesEachWholeSecondOnceItIsOver)
{
    const std::pair<std::string, const char *> rows[] = {
        // The first second is heard from the port's opening on: not judged. The
        // second under way when the figures are read is not over.
        {steady(0, 10) + " a10.9", "9 9 0 0 20 20 20"},
        // A second without frames in a running line; the one after is whole.
        {steady(0, 4) + steady(6, 9) + " a10", "9 8 0 1 20 20 20"},
        // Three frames, then one: lateness is the first frame's.
        {steady(0, 2) + " f3.1 f3.2 f3.7 f4.9" + steady(5, 6) + " a7", "6 4 2 0 20 900 900"},
        // A closed line is not missed; the seconds of the closing and of the next
        // opening are heard in part.
        {steady(0, 3) + " c3.8 a9 f10.4 f10.5" + steady(11, 12) + " a13", "4 4 0 0 20 20 20"},
        // The clock stepped back: the second under way is dropped, and counting
        // starts afresh, not with millions of missed seconds.
        {steady(0, 4) + steady(-100, -98) + " a-97", "5 5 0 0 20 20 20"},
        // A second that starts with a frame 999 ms late still has its first frame.
        {" f0 f1.999 f2.0 f2.5 a3", "2 1 1 0 0 999 999"},
        // A line that falls silent without a closing string: every second is missed.
        {" f0 a4", "3 0 0 3 - - -"},
    };
    for (const auto &[steps, expected] : rows)
        EXPECT_EQ(numbers(play(steps).total()), expected);
}

// Each period has the seconds judged during it, and its own figures; the total
// keeps them all.
TEST(LineTiming, periodsShareTheTotal)
{
    LineTiming timing = play(steady(0, 59) + " a60.005");
    EXPECT_EQ(timingLine("minuto 1", timing.takePeriod()),
              "ESTAD minuto 1 segundos 59 con_dos 59 con_otras 0 perdidos 0 retraso_ms p50 20 "
              "p99 20 max 20");
    timing = play(steady(60, 62, 40) + steady(64, 64, 40) + " a65.5", timing);
    EXPECT_EQ(numbers(timing.takePeriod()) + " / " + numbers(timing.total()),
              "5 4 0 1 40 40 40 / 64 63 0 1 20 40 40");
}

// The program itself on a pseudo-terminal, as the station would drive it: the
// test opens the link that satelite makes and writes the line's bytes into it.

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
    ASSERT_TRUE(satelite.waitForFinished(5000) && satelite.exitStatus() == QProcess::NormalExit);
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
