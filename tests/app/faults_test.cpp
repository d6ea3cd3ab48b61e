// The window and its real serial component under the faults of a station in the
// field: each test is named by its fault.
#include "window_on_line.h"

#include "app/port_reload.h"
#include "serial/port_settings_file.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

// The adapter is pulled out and its COM entry goes with it (satelite ended, or the
// operator deleted the link). Every failing tick writes the status before any box;
// the pair of boxes comes at the first failing tick, never stacked by ticks under
// it, then at most once a minute. Nothing reaches the system's own name for the
// port, which may be another device altogether. The entry put back ends the outage
// within one tick, and a new outage is told at once. "Cerrar puerto" closes it out.
TEST(Faults, AdapterPulledOutAndPutBack)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    PseudoTerminal fallback; // stands for /dev/ttyS1
    ASSERT_TRUE(QFile::link(fallback.slavePath(), w.fake.home.filePath("ttyS1")));
    w.pty.pullOut();
    ASSERT_TRUE(QFile::remove(w.fake.dataFolder() + "/COM2"));
    ASSERT_EQ(w.fake.host.places.portDevice(2), w.fake.home.filePath("ttyS1"));
    const QString failed = QStringLiteral("Ocurrió error al enviar");
    w.fake.messages.whileOpen = [&](const QString &) {
        EXPECT_EQ(w.form->Texto_Mensajes->text(), failed);
        w.tick(); // under the box: no box of its own
    };
    const auto pairs = [&] { return w.told().size() / 2; };

    for (const char *at : {"07:30:00.020", "07:30:01.020", "07:30:30.020", "07:30:59.520"}) {
        w.tick(at);
        EXPECT_EQ(w.status, failed);
    }
    EXPECT_EQ(pairs(), 1) << "reminded within the minute";
    w.tick("07:31:00.020");
    EXPECT_EQ(pairs(), 2);
    EXPECT_TRUE(fallback.read(300).isEmpty()) << "a byte reached the system's own port";

    PseudoTerminal back;
    w.link(2, &back);
    EXPECT_EQ(w.frame("07:31:00.520", &back), "07:31:00 70");
    back.pullOut(); // out again: a new outage
    w.tick("07:31:01.020");
    EXPECT_EQ(pairs(), 3);
    EXPECT_EQ(w.toldShort().mid(0, 2),
              (QStringList{"Ocurrió un error al intentar acceder a repetidores esclavos",
                           "Sistema detectó: …"}));
    // An opening refused meanwhile reports its own refusal, though the failing tick
    // under its first box left another description in the component.
    w.option(11)->setChecked(true);
    w.form->Boton_Abrir->click();
    ASSERT_FALSE(w.form->MSComm1->setCommPort(1));
    EXPECT_EQ(w.told().last(), "Error detectado: " + w.form->MSComm1->errorString());
    w.form->Boton_Cerrar->click(); // the lost device takes no farewell, and closes all the same
    EXPECT_TRUE(w.told().last() == "Puertos COM: cerrados OK" && !w.form->MSComm1->portOpen());
}

// Ticks go on while a box is open, and other things happen: presses that reach the
// controls without a click on them (an accessibility client, another program) do
// nothing, as a mouse click would do nothing; the window closed (or the program told
// to end) ends the program, and nothing more is sent, whatever comes next.
TEST(Faults, PressesOrTheWindowClosedWhileAMessageBoxIsOpen)
{
    WindowOnLine w(Edition::Sonvira);
    ASSERT_TRUE(w.put(w.settingsFile(), "\" 2\"\r\n"));
    ASSERT_TRUE(w.put(w.fake.dataFolder() + "/timbres_2.txt", ""));
    w.form->File2->refresh();
    QSignalSpy ended(w.form.get(), &Form1::ended);
    w.fake.messages.whileOpen = [&](const QString &text) {
        if (!text.contains(QStringLiteral("abierto OK")))
            return;
        for (const char *name : {"Boton_Abrir", "Boton_Cerrar", "Option13", "Option9", "Option4",
                                 "Canal2", "Boton_Ayuda"})
            w.form->findChild<QAbstractButton *>(name)->click();
        w.form->File2->setCurrentIndex(
            w.form->File2->model()->index(1, 0)); // timbres_2.txt, not by a click
        EXPECT_EQ(w.frame("07:30:00.020"), "07:30:00 70");
        w.form->Timer1->start(); // as the window runs it
        w.form->close();
        w.tick("07:30:00.520");
        w.form->Boton_Cerrar->click();
    };
    w.form->Form_Load();

    EXPECT_EQ(w.told().size(), 2) << w.told().join(u'|').toStdString();
    EXPECT_TRUE(w.option(12)->isChecked() && w.option(7)->isChecked() && w.option(1)->isChecked());
    EXPECT_EQ(w.words(), "SSS");
    EXPECT_EQ(w.form->File2->fileName(), "timbres_1.txt");
    EXPECT_TRUE(w.fake.launcher.starts.isEmpty());
    EXPECT_EQ(ended.size(), 1);
    w.tick("07:30:01.020");
    EXPECT_FALSE(w.form->Timer1->isActive());
    EXPECT_TRUE(w.pty.read(200).isEmpty()) << "sent after the window closed";
}

// On the window's own timer, across midnight, with a satellite flooding the line: the
// received characters are taken without a trace, and a frame goes out every half
// second, none held up.
TEST(Faults, SatelliteFloodsTheLine)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    const QDateTime from(QDate(2026, 3, 29), QTime(23, 59, 58, 700));
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
    // 3 s give six ticks; a loaded machine may lose one at either end.
    EXPECT_TRUE(line.size() % 7 == 0 && line.size() >= 5 * 7) << line.size();
    EXPECT_EQ(carried(line.right(7)).substr(0, 6), "00:00:") << "the last tick after midnight";
}

// The bell program as editors, sync tools and mistakes leave it, while in use: every
// tick returns at once and sends its frame (before any notice: the tick's own test has
// the order); the program in use is never read in part, a binary one by the same rule
// as text; what cannot be read is told once, and told again only after a readable one
// in between; so is a program saved with line feeds alone, which says which file and
// what to do. A program at rest is read once however many ticks look at it; touched,
// replaced by another file or edited, it is read again, and so is one saved so lately
// that the file system's time of change could not yet tell a new save from it. (A
// FIFO, a device and a folder are one branch of the reader, whose own test has them
// all.)
// A hostile calendario.txt beside it is told once per kind of trouble and never
// changes the program the day rings by.
TEST(Faults, BellProgramReplacedDeletedOrHostile)
{
    WindowOnLine w(Edition::Sonvira);
    w.start();
    const QString program = w.fake.host.places.defaultProgram();
    const auto replace = [&](const QByteArray &content) { // as editors save: write, rename
        const QString saved = program + QStringLiteral(".nuevo");
        return w.put(saved, content) && ::rename(qPrintable(saved), qPrintable(program)) == 0;
    };
    const auto lineFeedsAlone = [&] { return replace("1,08:00:00\n3,08:00:00\n"); };
    const auto modified = [&] {
        struct stat status
        {
        };
        ::stat(qPrintable(program), &status);
        return status.st_mtim;
    };
    const auto setModified = [](const QString &name, timespec at) {
        const timespec times[2] = {at, at};
        return ::utimensat(AT_FDCWD, qPrintable(name), times, 0) == 0;
    };
    // Bells of every channel each second from 10:00 to midnight, then one at 08:00.
    QByteArray large;
    for (int second = 10 * 3600; second < 24 * 3600; ++second)
        for (const int channel : {1, 2, 3})
            large += QByteArray::number(channel) + ',' +
                     QTime(0, 0).addSecs(second).toString(u"HH:mm:ss\r\n").toLatin1();
    const qint64 bellAt = large.size();
    large += "2,08:00:00\r\n";
    const auto inPlace = [&](char channel) { // the editor that writes into the same file
        QFile file(program);
        return file.open(QIODevice::ReadWrite) && file.seek(bellAt) && file.write(&channel, 1) == 1;
    };
    const timespec longAgo{1780000000, 123456789};
    const QString calendar = w.fake.dataFolder() + QStringLiteral("/calendario.txt");
    // What to do, the ticks before the one judged, its command byte, the boxes told so
    // far, and the reads of the program over those ticks.
    const std::tuple<const char *, std::function<bool()>, int, const char *, int, int> steps[] = {
        {"large, at rest", [&] { return replace(large) && setModified(program, longAgo); }, 40,
         "74", 0, 1},
        {"touched",
         [&] {
             return setModified(program, {longAgo.tv_sec + 60, 0});
         },
         10, "74", 0, 1},
        {"replaced, same time",
         [&] {
             const QString copy = program + QStringLiteral(".copia");
             return QFile::copy(program, copy) && setModified(copy, modified()) &&
                    ::rename(qPrintable(copy), qPrintable(program)) == 0;
         },
         10, "74", 0, 1},
        {"edited, 1 ns later",
         [&] {
             const timespec at = modified();
             return inPlace('3') && setModified(program, {at.tv_sec, at.tv_nsec + 1});
         },
         10, "78", 0, 1},
        {"saved just now", [&] { return inPlace('1'); }, 2, "72", 0, 3},
        {"saved again, same time",
         [&] {
             const timespec at = modified();
             return inPlace('2') && setModified(program, at);
         },
         0, "74", 0, 1},
        {"huge", [&] { return QFile::resize(program, 65 << 20); }, 0, "70", 1, 0},
        {"fifo", [&] { return QFile::remove(program) && ::mkfifo(qPrintable(program), 0644) == 0; },
         1, "70", 1, 0},
        {"binary", [&] { return replace(QByteArray("\0\xff\0\r\n2,08:00:00\r\n\0", 17)); }, 0, "74",
         1, 1},
        {"deleted", [&] { return QFile::remove(program); }, 0, "70", 2, 0},
        // Line feeds alone: the lines joined are one, and nothing rings.
        {"LF", lineFeedsAlone, 0, "70", 3, 1},
        {"LF again", lineFeedsAlone, 0, "70", 3, 1},
        {"CR LF", [&] { return replace("1,08:00:00\r\n3,08:00:00\r\n"); }, 0, "7a", 3, 1},
        {"LF once more", lineFeedsAlone, 0, "70", 4, 1},
        // A hostile calendario.txt is told once and the day keeps the program it has.
        {"CR LF again", [&] { return replace("2,08:00:00\r\n") && setModified(program, longAgo); },
         0, "74", 4, 1},
        {"calendar fifo", [&] { return ::mkfifo(qPrintable(calendar), 0644) == 0; }, 0, "74", 5, 0},
        {"calendar binary",
         [&] {
             return QFile::remove(calendar) &&
                    w.put(calendar, QByteArray("lunes\0timbres_9.txt\r\n", 20));
         },
         0, "74", 6, 0},
        {"calendar folder", [&] { return QFile::remove(calendar) && QDir().mkdir(calendar); }, 0,
         "74", 7, 0},
        {"calendar /dev/zero",
         [&] { return QDir().rmdir(calendar) && QFile::link("/dev/zero", calendar); }, 0, "74", 8,
         0},
        {"calendar 100 MB",
         [&] {
             return QFile::remove(calendar) && w.put(calendar, "lunes timbres_9.txt\r\n") &&
                    QFile::resize(calendar, 100 << 20);
         },
         0, "74", 9, 0},
        {"calendar again", [] { return true; }, 0, "74", 9, 0},
    };
    ::alarm(20); // a tick that blocks ends the test with the alarm instead of hanging it
    for (const auto &[what, make, before, command, told, reads] : steps) {
        ASSERT_TRUE(make()) << what;
        const std::uint64_t readsBefore = w.fake.programReads.reads;
        for (int i = 0; i < before; ++i)
            EXPECT_EQ(w.frame("07:59:58.020"), "07:59:58 70") << what;
        QElapsedTimer tick;
        tick.start();
        w.tick("08:00:00.020");
        EXPECT_LT(tick.elapsed(), 100) << what;
        QCoreApplication::processEvents(); // the calendar's notice comes after the tick
        EXPECT_EQ(carried(w.pty.readCount(7)), std::string("08:00:00 ") + command) << what;
        EXPECT_EQ(w.told().size(), told) << what;
        EXPECT_EQ(w.fake.programReads.reads - readsBefore, std::uint64_t(reads)) << what;
        w.frame("08:00:01.020"); // the words back to rest
    }
    ::alarm(0);
    const QString ringsNot =
        QStringLiteral(". Los relojes siguen en hora, pero no sonará ningún timbre del programa.");
    const QString lineFeeds = "El programa de timbres " + program +
                              " tiene líneas que terminan solo con un salto de línea";
    EXPECT_EQ(w.told().mid(0, 2),
              (QStringList{"No se puede leer el programa de timbres " + program +
                               ": es demasiado grande (más de 64 MB)" + ringsNot,
                           "No existe el programa de timbres " + program + ringsNot}));
    EXPECT_EQ(w.told().mid(4).filter("No se puede leer el calendario " + calendar).size(), 5);
    EXPECT_TRUE(w.told().value(2).startsWith(lineFeeds) &&
                w.told().value(3).startsWith(lineFeeds) &&
                w.told().value(2).contains("timbres-check " + program));
}

// A port another program holds; a COM entry that leads to something that is not a
// serial port. Each opening is refused with the two messages, and the window goes on
// with the port closed. (The serial component's own test has the port held under each
// of its names.)
TEST(Faults, PortHeldOrNotASerialPort)
{
    for (const bool held : {true, false}) {
        SCOPED_TRACE(held ? "held" : "/dev/null");
        WindowOnLine w(Edition::Sonvira);
        const QString com2 = w.fake.dataFolder() + QStringLiteral("/COM2");
        MSComm other([&](int) { return com2; }); // another program's component
        ASSERT_TRUE(held ? other.setPortOpen(true)
                         : QFile::remove(com2) && QFile::link("/dev/null", com2));
        w.option(12)->setChecked(true);
        w.form->Boton_Abrir->click();
        EXPECT_FALSE(w.form->MSComm1->portOpen());
        EXPECT_EQ(w.toldShort(),
                  (QStringList{"Error al intentar abrir COM 2", "Error detectado: …"}));
    }
}

// The data folder missing: start-up reads no saved port, opens COM1 all the same, and
// the port's store makes the folder again. (A folder in the place of puertos.txt, or a
// read-only data folder, are the opening's and the port settings file's own tests.)
TEST(Faults, DataFolderMissing)
{
    WindowOnLine w(Edition::Sonvira, 1);
    // COM1 stays reachable by the system's own name, home/COM0.
    w.fake.host.places.setSystemPorts(w.fake.home.filePath("COM"));
    ASSERT_TRUE(QFile::rename(w.fake.dataFolder() + "/COM1", w.fake.home.filePath("COM0")));
    ASSERT_TRUE(QDir(w.fake.dataFolder()).removeRecursively());
    w.form->Form_Load();
    EXPECT_EQ(w.told().last(), "Puerto COM 1: abierto OK") << w.told().join(u'|').toStdString();
    EXPECT_EQ(w.settings(), "\" 1\"\r\n");
}

// SIGHUP with puertos.txt empty, cut short or naming no port: the open COM3 and
// the file stay, PUERTO_ILEGIBLE says why. A burst while the file turns between
// COM3 and another text is one reload, of the file as it ends: for COM2, one
// closing and one opening.
TEST(Faults, ReloadOverAnUnreadableSavedPortOrInABurst)
{
    WindowOnLine w(Edition::Sonvira, 3);
    PseudoTerminal com2;
    w.link(2, &com2);
    ASSERT_TRUE(w.put(w.settingsFile(), "\" 3\"\r\n"));
    w.form->Form_Load();
    PortReload reload(*w.form);
    for (const QByteArray bytes : {"", "\"", "\" 7\"\r\n", "\"\r\n\" 2\"\r\n", "\" 2\"\r\n"}) {
        SCOPED_TRACE(bytes.toStdString());
        w.fake.log.entries.clear();
        for (int i = 0; i < 7; ++i) {
            ASSERT_TRUE(w.put(w.settingsFile(), i % 2 ? "\" 3\"\r\n" : bytes));
            reload.request();
        }
        QTest::qWait(PortReload::burstMs + 100);
        const QList<LogEvent> events = w.fake.log.events();
        const bool valid = bytes.startsWith("\" 2");
        EXPECT_EQ(events.count(LogEvent::PuertoIlegible), valid ? 0 : 1);
        EXPECT_EQ(events.count(LogEvent::Cerrado) + events.count(LogEvent::Abierto), valid ? 2 : 0);
        EXPECT_EQ(w.settings(), bytes);
        EXPECT_TRUE(w.form->MSComm1->portOpen() && w.form->MSComm1->commPort() == (valid ? 2 : 3));
    }
}

// registro.txt and puertos.txt as links to a file of the account's: the log writes
// nothing through the link, and saving the port replaces the link by a file.
TEST(Faults, DataFolderFilesAsLinksAreNeverWrittenThrough)
{
    FakeHost fake;
    const QString target = fake.home.filePath("otro.txt"),
                  saved = fake.host.places.portSettingsFile();
    ASSERT_TRUE(writeFile(target, "del usuario\n") &&
                QFile::link(target, fake.dataFolder() + "/registro.txt") &&
                QFile::link(target, saved));
    FileOperationsLog(fake.dataFolder(), "Sonvira", fake.clock).write(LogEvent::Inicio);
    ASSERT_TRUE(writeSavedPort(saved, 2, nullptr));
    QFile file(target);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == "del usuario\n");
    EXPECT_TRUE(!QFileInfo(saved).isSymLink() && readSavedPort(saved) == 2);
}
