#include "window_on_line.h"

#include <QTest>

#include <cerrno>

// A line due in an even second, a duplicated line and the closed port are carried by
// the end-to-end test.
constexpr Edition both[] = {Edition::Sonvira, Edition::Repetidores};

// Steps in both programs: a tick at a time of day, with the frame it sends (time and
// command byte) and the words it leaves; or a press or a choice between two ticks.
TEST(Tick, FireBitsFollowTheProgramAndThePresses)
{
    const std::pair<const char *, const char *> sequences[] = {
        {"Canal,HH:MM:SS\r\n2,07:30:01\r\n", // a line due in an odd second
         "07:29:59 71 PPP, 07:30:00 70 PPP, 07:30:01 75 PPP, 07:30:01 75 PPP, 07:30:02 70 PPP"},
        // "Prueba" between the two ticks of an even second
        {"", "07:29:59 71 PPP, 07:30:00 70 PPP, Canal1, 07:30:00 72 DPP, 07:30:01 73 PPP"},
        // two channels in one frame
        {"1,12:00:00\r3,12:00:00\r", "11:59:59 71 PPP, 12:00:00 7a DPD, 12:00:01 7b PPP"},
        // a channel on "NO" fires all the same
        {"2,07:30:00", "Option5, 07:29:59 71 PCP, 07:30:00 74 PDP, 07:30:00 74 PDP, "
                       "07:30:01 75 PCP, 07:30:01 71 PCP"},
    };
    for (Edition edition : both) {
        for (auto [program, steps] : sequences) {
            SCOPED_TRACE(programName(edition).toStdString());
            WindowOnLine w(edition);
            w.start();
            ASSERT_TRUE(w.put(w.fake.host.places.defaultProgram(), program));
            QStringList seen;
            for (const QString &step : QString::fromLatin1(steps).split(QStringLiteral(", "))) {
                if (auto *button = w.form->findChild<QAbstractButton *>(step)) {
                    button->click();
                    seen += step;
                    continue;
                }
                seen += QString::fromStdString(w.frame(qPrintable(step.left(8))));
                seen.last() += u' ' + w.words();
                EXPECT_EQ(w.form->Texto_a_Enviar->text(), step.left(8));
                EXPECT_EQ(w.status,
                          edition == Edition::Sonvira ? "Enviando por COM 2:" : "Enviando...");
            }
            EXPECT_EQ(seen.join(QStringLiteral(", ")), QLatin1String(steps));
            EXPECT_TRUE(w.told().isEmpty()) << w.told().join(u'|').toStdString();
        }
    }
}
