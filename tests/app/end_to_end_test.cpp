// Both programs as the operator meets them, in one process: the real window, its
// real serial component and a pseudo-terminal where the satellites would be.
#include "../serial/linked_window.h"

#include "bells/frame.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// The time of day as a satellite reads it from a frame.
std::string frameTime(const QByteArray &bytes)
{
    if (bytes.size() != 7)
        return "<" + std::to_string(bytes.size()) + " bytes>";
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    const auto decoded = decodeFrame(std::span<const std::uint8_t, 7>(data, 7));
    return decoded ? decoded->time : "<not a frame: " + bytes.toHex(' ').toStdString() + ">";
}

struct Program
{
    Edition edition;
    int port; // the one the pseudo-terminal stands behind
};

void PrintTo(const Program &p, std::ostream *out)
{
    *out << programName(p.edition).toStdString();
}

class EndToEnd : public ::testing::TestWithParam<Program>
{
};

TEST_P(EndToEnd, OpensSendsTheTimeRingsABellAndSaysGoodbye)
{
    const Program program = GetParam();
    const bool sonvira = program.edition == Edition::Sonvira;
    LinkedWindow w(program.edition, {program.port});
    ASSERT_TRUE(w.portsStayInTheDataFolder());
    ASSERT_TRUE(w.putSettings("\" 2\"\r\n"));
    // Two seconds after the first tick.
    ASSERT_TRUE(LinkedWindow::put(w.fake.host.places.defaultProgram(),
                                  "1,12:00:00\r\n2,07:30:00\r\n3,07:31:00\r\n"));
    w.fake.clock.set(QDateTime(QDate(2026, 10, 25), QTime(7, 29, 58, 20)));
    Form1 &f = *w.form;

    f.Form_Load();
    if (!sonvira) {
        EXPECT_FALSE(f.MSComm1->portOpen()) << "repetidores waits for the operator";
        f.Boton_Abrir->click();
    }
    ASSERT_TRUE(f.MSComm1->portOpen()) << w.messages().join(u'|').toStdString();
    EXPECT_EQ(w.messages().last(), QStringLiteral("Puerto COM %1: abierto OK").arg(program.port));
    w.messages().clear();

    // Two ticks a second, 07:29:58 to 07:30:02, each read off the line.
    QByteArray commands;
    for (int half = 0; half < 10; ++half) {
        const QString time = w.fake.clock.now().time().toString(QStringLiteral("HH:mm:ss"));
        w.tick();
        const QByteArray frame = w.pty.readCount(7);
        EXPECT_EQ(frameTime(frame), time.toStdString()) << "tick " << half;
        EXPECT_EQ(f.Texto_a_Enviar->text(), time);
        commands.append(frame.right(1));
        if (time == QLatin1String("07:30:01") && half % 2 == 0) {
            EXPECT_EQ(f.Text2->text(), "Preparado") << "back at rest after its odd second";
        }
        w.fake.clock.advanceMs(500);
    }
    EXPECT_EQ(commands.toHex(' '), "70 70 71 71 74 74 75 71 70 70");
    EXPECT_TRUE(w.messages().isEmpty()) << w.messages().join(u'|').toStdString();
    EXPECT_TRUE(f.Texto_Mensajes->text().startsWith(QStringLiteral("Enviando")));

    f.Boton_Cerrar->click();
    EXPECT_EQ(w.pty.read(), "qqjjZZJJ==..");
    for (int half = 0; half < 2; ++half) {
        w.tick();
        w.fake.clock.advanceMs(500);
    }
    EXPECT_EQ(w.pty.read(300), QByteArray()) << "nothing after the closing string";
    EXPECT_EQ(f.Texto_Mensajes->text(), "Detenido...");
    EXPECT_EQ(w.messages(), QStringList{"Puertos COM: cerrados OK"});
    // Sonvira stored the port it opened; repetidores never touches the file.
    EXPECT_EQ(w.settings(), QByteArray::fromHex("222032220d0a"));
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, EndToEnd,
                         ::testing::Values(Program{Edition::Sonvira, 2},
                                           Program{Edition::Repetidores, 1}),
                         [](const auto &info) {
                             return programName(info.param.edition).toStdString();
                         });

// A clock that runs like the wall clock but from a chosen time of day, so that the
// real Timer1 can run at any hour of the test machine.
class RunningClock final : public Clock
{
public:
    explicit RunningClock(QDateTime start) : start_(std::move(start)) { elapsed_.start(); }
    QDateTime now() const override { return start_.addMSecs(elapsed_.elapsed()); }

private:
    QDateTime start_;
    QElapsedTimer elapsed_;
};

// With the window's own timer running, frames come twice a second and each carries
// the time of day it was sent at.
TEST(EndToEndRunning, FramesComeTwiceASecond)
{
    LinkedWindow w(Edition::Sonvira);
    ASSERT_TRUE(w.putSettings("\" 2\"\r\n"));
    RunningClock clock(QDateTime(QDate(2026, 3, 29), QTime(23, 59, 58, 700)));
    Host host{clock, w.fake.messages, w.fake.launcher, w.fake.host.places};
    Form1 f(Edition::Sonvira, host);
    f.Form_Load();
    ASSERT_TRUE(f.MSComm1->portOpen());
    const QDateTime from = clock.now();

    QByteArray line;
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < 3000)
        line += w.pty.read(100, 20);
    const QDateTime to = clock.now();

    // 3 s give six ticks; a loaded machine may lose one at either end, no more.
    ASSERT_EQ(line.size() % 7, 0) << line.toHex(' ').toStdString();
    const qsizetype frames = line.size() / 7;
    EXPECT_GE(frames, 5);
    EXPECT_LE(frames, 7);
    QMap<std::string, int> perSecond;
    for (qsizetype i = 0; i < frames; ++i) {
        const std::string time = frameTime(line.mid(i * 7, 7));
        const QTime sent = QTime::fromString(QString::fromStdString(time), u"HH:mm:ss");
        ASSERT_TRUE(sent.isValid()) << time;
        const QDateTime at(sent.hour() == 0 ? from.date().addDays(1) : from.date(), sent);
        EXPECT_TRUE(at.addSecs(1) > from && at <= to) << time;
        ++perSecond[time];
    }
    for (auto it = perSecond.cbegin(); it != perSecond.cend(); ++it)
        EXPECT_LE(it.value(), 2) << it.key();
    EXPECT_GE(std::count(perSecond.cbegin(), perSecond.cend(), 2), 2);
}

} // namespace
