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

// The adapter is pulled out. Each failing tick writes the status before any box;
// only a failure with no boxes open tells its two messages, so ticks under them stack
// none; and the boxes closing leave the status that a later tick wrote.
TEST(Tick, FailedWriteTellsTwiceWithoutStackingBoxes)
{
    for (Edition edition : both) {
        SCOPED_TRACE(programName(edition).toStdString());
        WindowOnLine w(edition);
        w.start();
        ASSERT_TRUE(w.put(w.fake.host.places.defaultProgram(), "2,07:30:00\r\n"));
        w.pty.closeMaster();
        errno = ENOTTY; // as in the serial component's own test: Qt must see the hang-up
        QTest::qWait(100);
        const QString failed = QStringLiteral("Ocurrió error al enviar");
        PseudoTerminal back;
        w.fake.messages.whileOpen = [&](const QString &) {
            if (w.told().size() == 1) {
                EXPECT_EQ(w.form->Texto_Mensajes->text(), failed);
                w.tick("07:30:00.520");
                EXPECT_EQ(w.status, failed);
            } else if (w.told().size() == 3) { // the adapter is back under the next failure
                w.link(2, &back);
                EXPECT_EQ(w.frame("07:30:01.520", &back), "07:30:01 71");
            }
        };

        w.tick("07:30:00.020");
        EXPECT_EQ(w.words(), "SDS") << "the words keep what the failed tick made of them";
        w.tick("07:30:01.020");

        const QString access =
            QStringLiteral("Ocurrió un error al intentar acceder a repetidores esclavos");
        EXPECT_EQ(w.toldShort(),
                  (QStringList{access, "Sistema detectó: …", access, "Sistema detectó: …"}));
        EXPECT_TRUE(w.form->Texto_Mensajes->text().startsWith(QStringLiteral("Enviando")));
    }
}

// A program no tick can read: the frame still goes out before the notice, which is
// told once, ticks under it stacking none; told again, for no program selected,
// only after a readable one in between.
TEST(Tick, UnreadableProgramIsToldOnceWhileFramesGoOn)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    QFile program(w.fake.host.places.defaultProgram());
    ASSERT_TRUE(w.put(program.fileName(), "2,07:30:01\r\n"));
    ASSERT_TRUE(program.resize(65 * 1024 * 1024));
    w.fake.messages.whileOpen = [&](const QString &) {
        EXPECT_EQ(carried(w.pty.readCount(7)), "07:30:00 70") << "sent before the notice";
        EXPECT_EQ(w.frame("07:30:00.520"), "07:30:00 70");
    };
    w.tick("07:30:00.020");
    w.fake.messages.whileOpen = {};
    EXPECT_EQ(w.frame("07:30:01.020"), "07:30:01 71");
    ASSERT_EQ(w.told().size(), 1);
    EXPECT_TRUE(w.told()[0].contains(program.fileName()) &&
                w.told()[0].contains(QStringLiteral("demasiado grande")))
        << w.told()[0].toStdString();

    ASSERT_TRUE(program.resize(12));
    EXPECT_EQ(w.frame("07:30:01.520"), "07:30:01 75");
    ASSERT_TRUE(program.remove());
    w.form->File2->refresh();
    EXPECT_EQ(w.frame("07:30:02.020"), "07:30:02 70");
    ASSERT_EQ(w.told().size(), 2);
    EXPECT_TRUE(
        w.told()[1].startsWith(QStringLiteral("No hay ningún programa de timbres seleccionado")));
}
