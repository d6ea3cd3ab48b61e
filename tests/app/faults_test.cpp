// The window and its real serial component under the faults of a station in the
// field: each test is named by its fault.
#include "window_on_line.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr Edition both[] = {Edition::Sonvira, Edition::Repetidores};

} // namespace

// The adapter is pulled out. Every failing tick writes the status, before any box.
// The pair of boxes comes at the first failing tick, never stacked by ticks under it,
// then at most once a minute while the outage lasts; the adapter put back ends the
// outage within one tick, and a new outage is told at once. The component stays
// quiet meanwhile (its own test measures the CPU).
TEST(Faults, AdapterPulledOutAndPutBack)
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
        w.fake.messages.whileOpen = [&](const QString &) {
            EXPECT_EQ(w.form->Texto_Mensajes->text(), failed);
            w.tick(); // under the box: no box of its own
            EXPECT_EQ(w.status, failed);
        };
        const auto pairs = [&] { return w.told().size() / 2; };

        w.tick("07:30:00.020");
        EXPECT_EQ(w.words(), "SDS") << "the words keep what the failed tick made of them";
        EXPECT_EQ(pairs(), 1);
        for (const char *at : {"07:30:01.020", "07:30:30.020", "07:30:59.520"}) {
            w.tick(at);
            EXPECT_EQ(w.status, failed);
        }
        EXPECT_EQ(pairs(), 1) << "reminded within the minute";
        w.tick("07:31:00.020");
        EXPECT_EQ(pairs(), 2);

        PseudoTerminal back;
        w.link(2, &back);
        EXPECT_EQ(w.frame("07:31:00.520", &back), "07:31:00 70");
        back.closeMaster(); // out again: a new outage
        errno = ENOTTY;
        QTest::qWait(100);
        w.tick("07:31:01.020");
        EXPECT_EQ(pairs(), 3);
        const QString access =
            QStringLiteral("Ocurrió un error al intentar acceder a repetidores esclavos");
        EXPECT_EQ(w.toldShort().mid(0, 2), (QStringList{access, "Sistema detectó: …"}));
    }
}

// A program no tick can read: the frame still goes out before the notice, which is
// told once, ticks under it stacking none; told again, for the program deleted and
// named as missing, only after a readable one in between.
TEST(Faults, BellProgramUnreadable)
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
    EXPECT_TRUE(w.told()[1].startsWith("No existe el programa de timbres " + program.fileName() +
                                       ". Los relojes siguen en hora"))
        << w.told()[1].toStdString();
}

// Ticks run while a box is open. A refused opening reports its own refusal even when
// a tick under its first box left another description in the component.
TEST(Faults, OpeningRefusedWhileATickFailsUnderItsBox)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    w.pty.closeMaster(); // every tick's write now fails
    QTest::qWait(50);
    w.option(11)->setChecked(true); // told to close the open port first
    w.fake.messages.whileOpen = [&](const QString &text) {
        if (text.startsWith(QStringLiteral("Error al intentar abrir")))
            w.tick();
    };
    w.form->Boton_Abrir->click();
    ASSERT_FALSE(w.form->MSComm1->setCommPort(1));
    ASSERT_EQ(w.told().size(), 5) << w.told().join(u'|').toStdString();
    EXPECT_EQ(w.told().last(), "Error detectado: " + w.form->MSComm1->errorString());
}


// The COM entry the port was opened by goes away with its device (satelite ended, or
// the operator deleted the link). The port is reopened only there: never by the
// system's own name for that port, which may be another device altogether.
TEST(Faults, LostDeviceWhoseComEntryWasRemoved)
{
    WindowOnLine w(Edition::Sonvira, 1);
    PseudoTerminal fallback; // stands for /dev/ttyS0
    ASSERT_TRUE(QFile::link(fallback.slavePath(), w.fake.home.filePath("ttyS0")));
    w.form->Form_Load(); // Sonvira opens COM1 by itself
    ASSERT_TRUE(w.form->MSComm1->portOpen()) << w.told().join(u'|').toStdString();
    EXPECT_EQ(w.frame("07:30:00.020"), "07:30:00 70");
    ASSERT_TRUE(QFile::remove(w.fake.dataFolder() + "/COM1"));
    ASSERT_EQ(w.fake.host.places.portDevice(1), w.fake.home.filePath("ttyS0"));
    w.pty.closeMaster();
    errno = ENOTTY; // as in the serial component's own test: Qt must see the hang-up
    QTest::qWait(100);
    for (const char *at : {"07:30:00.520", "07:30:01.020", "07:30:01.520"}) {
        w.tick(at);
        EXPECT_EQ(w.status, "Ocurrió error al enviar") << at;
    }
    EXPECT_TRUE(fallback.read(300).isEmpty()) << "a byte reached the fallback device";
    EXPECT_EQ(w.form->Etiq_Estado->text(), "ABIERTO");

    PseudoTerminal back; // the COM entry comes back, to a new device
    ASSERT_TRUE(QFile::link(back.slavePath(), w.fake.dataFolder() + "/COM1"));
    EXPECT_EQ(w.frame("07:30:02.020", &back), "07:30:02 70");
    EXPECT_TRUE(fallback.read(100).isEmpty());
}

// An accessibility client (or anything else but the box) presses controls while a box
// is open: nothing happens, as with a mouse click, while ticks go on. Under the start-up
// reminder and under "Puerto COM 2: abierto OK".
TEST(Faults, PressesThatBypassAnOpenMessageBox)
{
    WindowOnLine w(Edition::Sonvira);
    ASSERT_TRUE(w.put(w.settingsFile(), "\" 2\"\r\n"));
    w.form->show();
    const auto press = [&](const char *name) {
        QAccessibleInterface *control =
            QAccessible::queryAccessibleInterface(w.form->findChild<QWidget *>(name));
        ASSERT_TRUE(control && control->actionInterface()) << name;
        const QStringList actions = control->actionInterface()->actionNames();
        for (const QString &action : actions) // press, and toggle where the control has it
            control->actionInterface()->doAction(action);
    };
    const auto pressEverything = [&] {
        for (const char *name : {"Boton_Abrir", "Boton_Cerrar", "Option13", "Option9", "Option4",
                                 "Canal2", "Boton_Ayuda"})
            press(name);
        w.form->File2->setCurrentRow(0); // a list selection that did not come from a click
        QTest::qWait(200);               // a press is animated: it lands a little later
    };
    w.fake.messages.whileOpen = [&](const QString &text) {
        if (text.startsWith(QStringLiteral("Recuerde")) || text.contains(QStringLiteral("abierto OK")))
            pressEverything();
        if (w.form->MSComm1->portOpen()) { // ticks go on
            EXPECT_EQ(w.frame("07:30:00.020"), "07:30:00 70");
        }
    };
    ASSERT_TRUE(w.put(w.fake.dataFolder() + "/timbres_2.txt", ""));
    w.form->File2->refresh();
    w.form->Form_Load();

    EXPECT_EQ(w.told(), (QStringList{
                            "Recuerde, si no hay un puerto abierto, debe abrirlo antes de empezar a usarlo",
                            "Puerto COM 2: abierto OK"}));
    EXPECT_EQ(w.labels(), "COM 2:| 300 bauds|#888800|ABIERTO|#888800");
    EXPECT_TRUE(w.option(12)->isChecked() && w.option(7)->isChecked() && w.option(1)->isChecked());
    EXPECT_EQ(w.words(), "SSS");
    EXPECT_EQ(w.form->File2->fileName(), "timbres_1.txt");
    EXPECT_TRUE(w.fake.launcher.starts.isEmpty());
    EXPECT_TRUE(w.form->MSComm1->portOpen());
}

// The window is closed (or the program told to end) while a box is open: the program
// ends, and nothing more is sent, whatever the handler under the box does next.
TEST(Faults, WindowClosedWhileAMessageBoxIsOpen)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    QSignalSpy ended(w.form.get(), &Form1::ended);
    w.option(11)->setChecked(true); // "Recuerde cerrar puerto anterior para cambiar"
    w.fake.messages.whileOpen = [&](const QString &) {
        w.form->close();
        w.tick("07:30:00.020");
        w.form->Boton_Cerrar->click();
    };
    w.form->Boton_Abrir->click(); // its refusal's first box
    EXPECT_EQ(ended.size(), 1);
    EXPECT_EQ(w.told().size(), 3) << "the handler under the box runs to its end, alone";
    w.tick("07:30:00.520");
    EXPECT_FALSE(w.form->Timer1->isActive());
    EXPECT_TRUE(w.pty.read(200).isEmpty()) << "sent after the window closed";
}

// On the window's own timer, across midnight, with a satellite flooding the line: a
// frame every half second carrying the time it was sent at, none held up, and the
// received characters taken without a trace. The clock keeps step with time passing.
TEST(Faults, SatelliteFloodsTheLine)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    const QDateTime from(QDate(2026, 3, 29), QTime(23, 59, 58, 700));
    w.fake.clock.set(from);
    w.form->Timer1->start();
    const char garbage[256] = {};
    QByteArray line;
    qint64 flooded = 0;
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < 3000) {
        w.fake.clock.set(from.addMSecs(run.elapsed()));
        flooded += std::max<ssize_t>(::write(w.pty.masterFd(), garbage, sizeof garbage), 0);
        line += w.pty.read(5, 0); // runs the event loop meanwhile
    }
    EXPECT_GT(flooded, 50000) << "the received characters must keep being taken";
    EXPECT_EQ(w.form->Texto_Mensajes->text(), "Enviando por COM 2:");

    // 3 s give six ticks, two a second; a loaded machine may lose one at either end.
    QStringList times;
    for (qsizetype i = 0; i < line.size(); i += 7)
        times += QString::fromStdString(carried(line.mid(i, 7))).left(8);
    EXPECT_GE(times.size(), 5);
    EXPECT_TRUE(QStringLiteral("23:59:59 23:59:59 00:00:00 00:00:00 00:00:01 00:00:01 00:00:02")
                    .contains(times.join(u' ')))
        << times.join(u' ').toStdString();
}

// The bell program as editors, sync tools and mistakes leave it, while in use: every
// tick returns at once and sends its frame; what can be read rings, what cannot is
// told, and the program in use is never read in part.
TEST(Faults, BellProgramReplacedDeletedOrHostile)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    const QString program = w.fake.host.places.defaultProgram();
    const auto replace = [&](const QByteArray &content) { // as editors save: write, rename
        const QString saved = program + QStringLiteral(".nuevo");
        return w.put(saved, content) && ::rename(qPrintable(saved), qPrintable(program)) == 0;
    };
    const auto become = [&](const char *what) {
        QFile::remove(program);
        if (!strcmp(what, "fifo"))
            return ::mkfifo(qPrintable(program), 0644) == 0;
        if (!strcmp(what, "zero"))
            return QFile::link(QStringLiteral("/dev/zero"), program);
        if (!strcmp(what, "100MB"))
            return w.put(program, "2,08:00:00\r\n") && QFile::resize(program, 100 << 20);
        return !strcmp(what, "deleted");
    };
    const std::tuple<const char *, std::function<bool()>, const char *> steps[] = {
        {"renamed over", [&] { return replace("2,08:00:00\r\n"); }, "74"},
        {"binary", [&] { return replace(QByteArray("\0\xff\0\r\n2,08:00:00\r\n\0", 17)); }, "74"},
        {"deleted", [&] { return become("deleted"); }, "70"},
        {"fifo", [&] { return become("fifo"); }, "70"},
        {"zero", [&] { return become("zero"); }, "70"},
        {"100MB", [&] { return become("100MB"); }, "70"},
        {"back", [&] { return replace("2,08:00:00\r\n"); }, "74"},
    };
    ::alarm(20); // a tick that blocks ends the test with the alarm instead of hanging it
    for (const auto &[what, make, command] : steps) {
        ASSERT_TRUE(make()) << what;
        QElapsedTimer tick;
        tick.start();
        w.tick("08:00:00.020");
        EXPECT_LT(tick.elapsed(), 100) << what;
        EXPECT_EQ(carried(w.pty.readCount(7)), std::string("08:00:00 ") + command) << what;
        w.frame("08:00:01.020"); // the words back to rest
    }
    ::alarm(0);
    // Told when it went missing; the FIFO, the device and the huge file that followed
    // it are the same outage, and the program readable again ends it.
    ASSERT_EQ(w.told().size(), 1) << w.told().join(u'|').toStdString();
    EXPECT_TRUE(w.told()[0].startsWith("No existe el programa de timbres " + program));
}

// A port another program holds, at start-up and at "Abrir puerto"; COM entries that
// lead to something that is not a serial port. Each opening is refused with the two
// messages, at once, and the window goes on with the port closed.
TEST(Faults, PortHeldOrNotASerialPort)
{
    const std::pair<const char *, bool> rows[] = {
        {"held", true}, {"held", false},   {"file", false}, {"folder", false},
        {"null", false}, {"nothing", false}};
    for (const auto &[what, atStartUp] : rows) {
        SCOPED_TRACE(std::string(what) + (atStartUp ? " at start-up" : " at Abrir puerto"));
        WindowOnLine w(Edition::Sonvira);
        const QString com2 = w.fake.dataFolder() + QStringLiteral("/COM2");
        MSComm other([&](int) { return com2; }); // another program's component
        if (!strcmp(what, "held")) {
            ASSERT_TRUE(other.setPortOpen(true));
        } else {
            QFile::remove(com2);
            const QString target = w.fake.home.filePath(what);
            if (!strcmp(what, "file")) {
                ASSERT_TRUE(w.put(target, "x"));
            } else if (!strcmp(what, "folder")) {
                ASSERT_TRUE(QDir().mkpath(target));
            }
            ASSERT_TRUE(QFile::link(!strcmp(what, "null") ? QStringLiteral("/dev/null") : target,
                                    com2));
        }
        ASSERT_TRUE(w.put(w.settingsFile(), "\" 2\"\r\n"));
        QElapsedTimer opening;
        opening.start();
        w.form->Form_Load();
        if (!atStartUp) {
            w.told().clear();
            w.form->Boton_Abrir->click();
        }
        EXPECT_LT(opening.elapsed(), 2000);
        EXPECT_FALSE(w.form->MSComm1->portOpen());
        const QStringList told = w.toldShort();
        EXPECT_EQ(told.mid(told.size() - 2),
                  (QStringList{"Error al intentar abrir COM 2", "Error detectado: …"}));
        EXPECT_EQ(w.form->Etiq_Estado->text(), "CERRADO");
        w.tick("08:00:00.020");
        EXPECT_EQ(w.status, "Detenido...");
    }
}

// The data folder missing, puertos.txt a folder: start-up reads no saved port, cannot
// store one, and opens COM1 all the same. (A read-only folder needs a user other than
// root; the port settings file's own test has it.)
TEST(Faults, DataFolderMissingOrSettingsAFolder)
{
    for (const char *what : {"missing", "settings a folder"}) {
        SCOPED_TRACE(what);
        WindowOnLine w(Edition::Sonvira, 1);
        const QString data = w.fake.dataFolder();
        if (!strcmp(what, "settings a folder")) {
            ASSERT_TRUE(QDir().mkpath(w.settingsFile()));
        }
        // COM1 must stay reachable: its link moves beside the data folder's place.
        const QString com1 = w.fake.home.filePath("COM1");
        ASSERT_TRUE(QFile::rename(data + "/COM1", com1));
        if (!strcmp(what, "missing")) {
            ASSERT_TRUE(QDir(data).removeRecursively());
        }
        w.fake.host.places.setSystemPorts(w.fake.home.filePath("COM")); // COM1 -> home/COM0
        ASSERT_TRUE(QFile::rename(com1, w.fake.home.filePath("COM0")));
        w.form->Form_Load();
        EXPECT_TRUE(w.form->MSComm1->portOpen()) << w.told().join(u'|').toStdString();
        EXPECT_EQ(w.told().last(), "Puerto COM 1: abierto OK");
        EXPECT_EQ(w.frame("08:00:00.020"), "08:00:00 70");
        // A missing folder is made again by the port's store; a folder in the file's
        // place is left alone.
        EXPECT_EQ(w.settings(), strcmp(what, "missing") ? "<none>" : "\" 1\"\r\n");
    }
}
