#include "window_on_line.h"

#include <QTest>

// The wiring of the tick in both programs (the rules are the channel rules' own test):
// a tick at a time of day, with the frame it sends (time and command byte) and the words
// it leaves; or a press or a choice between two ticks. The program's line rings channel 2
// though it is on "NO"; "Prueba" of channel 1 joins it with the next tick, and "Prueba"
// of channel 2, on "NO", tells why it does nothing. A satellite's echo is taken
// without a trace, and the send notification shows where the frames go.
TEST(Tick, FireBitsFollowTheProgramAndThePresses)
{
    const char *program = "Canal,HH:MM:SS\r\n2,07:30:00\r\n";
    const QString steps = "Option5, 07:29:59 71 PCP, 07:30:00 74 PDP, Canal1, 07:30:00 76 DDP, "
                          "07:30:01 77 PCP, 07:30:01 71 PCP, Canal2";
    for (Edition edition : {Edition::Sonvira, Edition::Repetidores}) {
        SCOPED_TRACE(programName(edition).toStdString());
        const bool sonvira = edition == Edition::Sonvira;
        WindowOnLine w(edition);
        w.start();
        ASSERT_TRUE(w.put(w.fake.host.places.defaultProgram(), program));
        ASSERT_TRUE(w.pty.write("eco")); // a satellite's echo: taken and dropped
        QStringList seen;
        for (const QString &step : steps.split(QStringLiteral(", "))) {
            if (auto *button = w.form->findChild<QAbstractButton *>(step)) {
                button->click();
                seen += step;
                continue;
            }
            w.tick(qPrintable(step.left(8)));
            w.form->Texto_Mensajes->setText(QStringLiteral("-")); // for the notification
            seen += QString::fromStdString(carried(w.pty.readCount(7))) + u' ' + w.words();
            EXPECT_EQ(w.form->Texto_a_Enviar->text(), step.left(8));
            EXPECT_EQ(w.status, sonvira ? "Enviando por COM 2:" : "Enviando...");
        }
        EXPECT_EQ(seen.join(QStringLiteral(", ")), steps);
        EXPECT_EQ(w.told(), QStringList{"No funciona con el Canal 2 en NO"});
        EXPECT_EQ(w.form->MSComm1->input(), QByteArray());
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.form->Texto_Mensajes->text() != "-"; }));
        EXPECT_EQ(w.form->Texto_Mensajes->text(), sonvira ? "Enviando por COM 2:" : "Enviando");
    }
}

// The time of day in the operator's regional format: a 12-hour clock under en_US, a
// 24-hour one under es_ES. Label6 shows it; the frame and Texto_a_Enviar carry the
// 24-hour time whatever the format, and a bell at 15:00:00 rings. Run once per locale
// with LC_TIME set (tick_locale_* tests); in the C locale it checks the 24-hour clock.
TEST(TickLocale, AfternoonTickInTheRegionalFormat)
{
    const QString locale = qEnvironmentVariable("LC_TIME");
    const QString shown = locale.startsWith(QStringLiteral("en_US")) ? "3:00:00 PM" : "15:00:00";
    WindowOnLine w(Edition::Sonvira);
    w.start();
    ASSERT_TRUE(w.put(w.fake.host.places.defaultProgram(), "2,15:00:00\r\n"));
    EXPECT_EQ(w.frame("15:00:00.020"), "15:00:00 74");
    EXPECT_EQ(w.form->Label6->text(), shown) << locale.toStdString();
    EXPECT_EQ(w.form->Texto_a_Enviar->text(), "15:00:00");
}

// The clock stepped (a time service, by hand, daylight saving) over the bell of
// channel 1 at 08:00:00, or beside it (5 s after it forward, 20 s before it back):
// it rings exactly once, or is told once as skipped. Rung late after a step forward
// of up to two minutes, with the fire bits of the second the clock lands in (three
// frames in an even second, two in an odd one); skipped after a larger one, and the
// operator told; held back when a step back makes the clock pass its time again.
TEST(Tick, AClockStepNeitherSkipsNorDoublesABell)
{
    using namespace Qt::Literals::StringLiterals;
    // The step, the frames with the bell's fire bit, what is logged of channel 1.
    for (const QString row :
         {"1 2 DISPARO tarde_s=1", "10 3 DISPARO tarde_s=10", "120 3 DISPARO tarde_s=120",
          "121 0 OMITIDO hora=08:00:00", "3600 0 OMITIDO hora=08:00:00",
          "-8 3 DISPARO REPETICION_EVITADA hora=08:00:00",
          "-3600 3 DISPARO REPETICION_EVITADA hora=08:00:00"})
        for (const bool over : {true, false}) {
            SCOPED_TRACE((row + (over ? " over" : " beside")).toStdString());
            const int step = row.section(u' ', 0, 0).toInt(),
                      bits = row.section(u' ', 1, 1).toInt();
            const QTime at = step > 0 ? QTime(7, 59, 59, 520).addSecs(over ? 0 : 5)
                                      : QTime(8, 0, 1, 20).addSecs(over ? 0 : -20);
            WindowOnLine w(Edition::Sonvira);
            w.start();
            ASSERT_TRUE(w.put(w.fake.host.places.defaultProgram(), "0,nota\r\n1,08:00:00\r\n"));
            w.fake.clock.set(QDateTime(QDate(2026, 12, 7), QTime(7, 59, 30, 20)));
            int frames = 0;
            for (int after = -1, ticks = 0;
                 ticks < 200 && (after < 4 || w.fake.clock.now().time() < QTime(8, 0, 5));
                 ++ticks) {
                frames += std::stoi(w.frame().substr(9), nullptr, 16) & 0x02 ? 1 : 0;
                const bool stepNow = after < 0 && w.fake.clock.now().time() == at;
                w.fake.clock.advanceMs(500);
                after += after >= 0 || stepNow;
                if (stepNow) // an hour back is then passed at once, as time
                    w.fake.clock.step(step * 1000),
                        w.fake.clock.advanceMs(step == -3600 ? 3579000 : 0);
            }
            QStringList logged;
            for (const LogEntry &e : w.fake.log.entries)
                if (!e.detail("canal"_L1).isNull()) {
                    EXPECT_EQ(e.detail("origen"_L1) + e.detail("canal"_L1), "timbres_1.txt:21");
                    logged += QLatin1String(logEventWord(e.event));
                    for (const char *key : {"tarde_s", "hora"})
                        if (const QString v = e.detail(QLatin1StringView(key)); !v.isNull())
                            logged.last() += u' ' + QLatin1String(key) + u'=' + v;
                }
            EXPECT_EQ(logged.join(u' '), over ? row.section(u' ', 2) : "DISPARO");
            EXPECT_EQ(frames, over ? bits : 3);
            EXPECT_EQ(w.told().filter("No se han tocado").size(), over && !bits);
        }
}
