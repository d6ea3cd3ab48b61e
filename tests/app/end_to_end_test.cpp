// Both programs as the operator meets them, in one process: the real window, its
// real serial component and a pseudo-terminal where the satellites would be.
#include "window_on_line.h"

#include <QElapsedTimer>
#include <QTest>

#include <sys/inotify.h>
#include <unistd.h>

// Start-up (Sonvira opens the saved COM2, repetidores after "Abrir puerto"); characters
// from the line taken without a trace; the time twice a second, the program read afresh on every
// tick, and a bell line due two seconds in, written twice and rung once with its even-second
// pattern; the send notification showing where frames go; the farewell string; then ticks on the
// closed port show "Detenido...", send nothing and read no program.
TEST(EndToEnd, BothProgramsSendTheTimeRingChannel2AndSayGoodbye)
{
    for (Edition edition : {Edition::Sonvira, Edition::Repetidores}) {
        SCOPED_TRACE(programName(edition).toStdString());
        WindowOnLine w(edition);
        const QString program = w.fake.host.places.defaultProgram();
        ASSERT_TRUE(w.put(w.settingsFile(), "\" 2\"\r\n"));
        ASSERT_TRUE(w.put(program, "2,07:30:00\r\n1,12:00:00\r\n3,07:31:00\r\n2,07:30:00"));
        w.fake.clock.set(QDateTime(QDate(2026, 10, 25), QTime(7, 29, 58, 20)));
        // A watch on the file itself tells each open as one event without a name; the
        // kernel merges repeated ones until they are read.
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(program).constData(), IN_OPEN), 0);
        const auto opens = [watch] {
            alignas(inotify_event) char events[4096];
            return std::max<ssize_t>(::read(watch, events, sizeof events), 0) /
                   ssize_t(sizeof(inotify_event));
        };

        w.form->Form_Load();
        if (edition == Edition::Repetidores)
            w.open();
        ASSERT_TRUE(w.form->MSComm1->portOpen()) << w.told().join(u'|').toStdString();
        w.told().clear();
        ASSERT_TRUE(w.pty.write("eco")); // taken, and changing nothing
        QTest::qWait(100);
        EXPECT_EQ(w.form->Texto_Mensajes->text(), "");
        EXPECT_EQ(w.form->MSComm1->input(), QByteArray());
        std::string sent;
        for (int half = 0; half < 10; ++half, w.fake.clock.advanceMs(500)) {
            w.tick();
            w.form->Texto_Mensajes->setText(QStringLiteral("-")); // for the notification
            sent += carried(w.pty.readCount(7)) + '|';
            EXPECT_EQ(opens(), 1) << half;
        }
        EXPECT_EQ(sent, "07:29:58 70|07:29:58 70|07:29:59 71|07:29:59 71|07:30:00 74|"
                        "07:30:00 74|07:30:01 75|07:30:01 71|07:30:02 70|07:30:02 70|");
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.form->Texto_Mensajes->text() != "-"; }));
        EXPECT_EQ(w.form->Texto_Mensajes->text(),
                  edition == Edition::Sonvira ? "Enviando por COM 2:" : "Enviando");

        w.form->Boton_Cerrar->click();
        EXPECT_EQ(w.pty.read(), "qqjjZZJJ==..");
        for (int half = 0; half < 2; ++half, w.fake.clock.advanceMs(500)) {
            w.tick();
            EXPECT_EQ(w.status, "Detenido...");
            EXPECT_EQ(w.form->Label6->text(), regionalTimeText(w.fake.clock.now().time()));
        }
        EXPECT_EQ(w.pty.read(300), QByteArray()) << "nothing after the closing string";
        EXPECT_EQ(opens(), 0);
        EXPECT_EQ(w.form->Texto_a_Enviar->text(), "Apagados");
        ::close(watch);
    }
}
