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
