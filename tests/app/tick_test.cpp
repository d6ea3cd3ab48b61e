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

// The clock stepped, by a time service, by hand or by daylight saving, over the bell
// of channel 1 at 08:00:00 or beside it. The bell rings exactly once, or is told once
// as skipped: rung late after a step forward of up to two minutes, with the fire
// bits of the second the clock lands in (three frames in an even second, two in an
// odd one); skipped after a larger one; held back when a step back makes the clock
// pass its time again. Stepped after the tick at `at`; back steps of an hour are
// followed by the hour passing at once (no step), to reach the bell again.
TEST(Tick, AClockStepNeitherSkipsNorDoublesABell)
{
    const struct
    {
        int step;
        const char *at;
        int frames;
        const char *logged;
    } rows[] = {
        {+1, "07:59:59.520", 2, "DISPARO tarde_s=1"},
        {+10, "07:59:59.520", 3, "DISPARO tarde_s=10"},
        {+120, "07:59:59.520", 3, "DISPARO tarde_s=120"},
        {+121, "07:59:59.520", 0, "OMITIDO hora=08:00:00"},
        {+3600, "07:59:59.520", 0, "OMITIDO hora=08:00:00"},
        {-8, "08:00:01.020", 3, "DISPARO, REPETICION_EVITADA hora=08:00:00"},
        {-3600, "08:00:01.020", 3, "DISPARO, REPETICION_EVITADA hora=08:00:00"},
    };
    for (const auto &row : rows)
        for (const bool over : {true, false}) {
            // Beside: stepped with the bell well behind, forward, or still ahead, back.
            const QTime at = QTime::fromString(row.at, Qt::ISODateWithMs)
                                 .addSecs(over ? 0 : row.step > 0 ? 5 : -20);
            SCOPED_TRACE(row.step);
            SCOPED_TRACE(over ? "over" : "beside");
            WindowOnLine w(Edition::Sonvira);
            w.start();
            ASSERT_TRUE(w.put(w.fake.host.places.defaultProgram(), "0,nota\r\n1,08:00:00\r\n"));
            w.fake.clock.set(QDateTime(QDate(2026, 12, 7), QTime(7, 59, 30, 20)));
            int frames = 0;
            bool stepped = false;
            for (int ticks = 0, after = 0;
                 !stepped || after++ < 4 || w.fake.clock.now().time() < QTime(8, 0, 5); ++ticks) {
                ASSERT_LT(ticks, 200);
                const std::string frame = w.frame();
                frames += std::stoi(frame.substr(9), nullptr, 16) & 0x02 ? 1 : 0;
                const bool stepNow = !stepped && w.fake.clock.now().time() == at;
                w.fake.clock.advanceMs(500);
                if (stepNow) {
                    w.fake.clock.step(row.step * 1000);
                    stepped = true;
                    if (row.step == -3600) {
                        w.frame(); // the hour passes at once, as time
                        w.fake.clock.advanceMs(3600 * 1000 - 21 * 1000);
                    }
                }
            }
            QStringList logged;
            for (const LogEntry &e : w.fake.log.entries)
                if (e.event == LogEvent::Disparo || e.event == LogEvent::Omitido ||
                    e.event == LogEvent::RepeticionEvitada) {
                    EXPECT_EQ(e.detail(QLatin1StringView("canal")), "1");
                    EXPECT_EQ(e.detail(QLatin1StringView("origen")), "timbres_1.txt:2");
                    logged += QLatin1String(logEventWord(e.event));
                    for (const char *key : {"tarde_s", "hora"})
                        if (const QString v = e.detail(QLatin1StringView(key)); !v.isNull())
                            logged.last() += u' ' + QLatin1String(key) + u'=' + v;
                }
            EXPECT_EQ(logged.join(", "), over ? row.logged : "DISPARO");
            EXPECT_EQ(frames, over ? row.frames : 3);
            const bool skipped = over && row.frames == 0;
            EXPECT_EQ(w.told().filter("no se han tocado", Qt::CaseInsensitive).size(), skipped);
        }
}
