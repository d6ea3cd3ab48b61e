// The real programs, run as processes on a pseudo-terminal: the window program with a
// stand-in operator that closes every message box (the box-closer plugin of the line
// measurement), the service with no one at all.
#include "files.h"
#include "host/operations_log_format.h"
#include "pseudo_terminal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTime>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Only a process that runs: kill(0, …) would signal the test's whole process group,
// ctest's and the test command's with it.
void signalProcess(const QProcess &program, int signal)
{
    if (program.processId() > 0)
        ::kill(pid_t(program.processId()), signal);
}

// A home folder with the data folder whose COMn entries lead to the test's line, and
// COM2 the port saved.
struct Station
{
    Station()
    {
        EXPECT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Quirzal")) &&
                    QFile::link(line.slavePath(), data(QStringLiteral("COM2"))) &&
                    put(QStringLiteral("puertos.txt"), "\" 2\"\r\n"));
        for (const char *com : {"COM1", "COM3", "COM4"}) // nowhere: no real port is reached
            QFile::link(home.filePath(QStringLiteral("nada")), data(QLatin1String(com)));
    }
    QString data(const QString &name) const { return home.filePath("Quirzal/" + name); }
    bool put(const QString &name, const QByteArray &bytes) const
    {
        return writeFile(data(name), bytes);
    }
    void start(QProcess &program, const char *executable, const QStringList &arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (const QString &setting : extraEnvironment)
            environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        if (!arguments.contains(QStringLiteral("--servicio"))) {
            environment.insert("QT_QPA_PLATFORM", "offscreen");
            environment.insert("QT_PLUGIN_PATH", BOX_CLOSER_PLUGINS);
            environment.insert("QT_QPA_GENERIC_PLUGINS", "sonvira-box-closer");
        }
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(data({}));
        program.start(QLatin1String(executable), arguments);
    }
    // Once two frames went out, ends the program with the signal as closing the window
    // does: it exits normally, what reached the line is whole frames and no closing
    // string, and the port's lock is gone. Gives what reached the line.
    QByteArray endWith(QProcess &program, int signal, QByteArray sent = {})
    {
        sent += line.readCount(14, 10000);
        EXPECT_GE(sent.size(), 14) << "it runs";
        // Where Qt's serial port keeps the lock of a device, by the device's name.
        const QString lock = "LCK.." + line.slavePath().mid(5).replace(u'/', u'_');
        QStringList locks;
        for (const QString folder : {"/var/lock/", "/run/lock/", "/tmp/", "/var/tmp/"})
            if (QFileInfo::exists(folder + lock))
                locks += folder + lock;
        signalProcess(program, signal);
        EXPECT_TRUE(program.waitForFinished(3000));
        sent += line.read(300);
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(sent.size() % 7, 0) << "a frame cut short";
        EXPECT_FALSE(sent.contains("qqjj")) << "closing window or signal says no farewell";
        for (const QString &held : locks)
            EXPECT_FALSE(QFileInfo::exists(held)) << held.toStdString();
        return sent;
    }

    QTemporaryDir home;
    PseudoTerminal line;
    QStringList extraEnvironment; // "NAME=value"
};

} // namespace

// SIGTERM (a shutdown, a service manager) and SIGINT (Ctrl+C) end the window program.
TEST(ProgramRun, TerminationSignalsEndItAsClosingTheWindow)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        Station station;
        QProcess program;
        station.start(program, SONVIRA_PROGRAM, {});
        ASSERT_TRUE(program.waitForStarted());
        station.endWith(program, signal);
    }
}

// The service, with no display and no one to answer: the saved port opens at once, a
// bell of the program chosen rings, and SIGTERM ends it. repetidores, which never
// opens a port by itself, would send nothing: it is refused, with the reason.
TEST(ProgramRun, ServiceRunsUnattendedAndOnlyAsSonvira)
{
    Station station;
    QProcess refused;
    station.start(refused, REPETIDORES_PROGRAM, {"--servicio"});
    EXPECT_TRUE(refused.waitForFinished(5000) && refused.exitCode() == 2) << refused.exitCode();
    EXPECT_TRUE(refused.readAllStandardError().contains("repetidores no funciona como servicio"));
    const QByteArray soon = QTime::currentTime().addSecs(2).toString(u"HH:mm:ss").toLatin1();
    ASSERT_TRUE(station.put(QStringLiteral("timbres_fiesta.txt"), "3," + soon + "\r\n"));
    QProcess service;
    station.start(service, SONVIRA_PROGRAM, {"--servicio", "--programa", "timbres_fiesta.txt"});
    const qint64 pid = service.waitForStarted() ? service.processId() : 0;
    QByteArray sent = station.line.readCount(7, 1500);
    EXPECT_GE(sent.size(), 7) << "the first frame at once";
    sent += station.line.readCount(8 * 7, 4000); // past the bell
    sent = station.endWith(service, SIGTERM, sent);
    bool rang = false;
    for (qsizetype i = 6; i < sent.size(); i += 7)
        rang = rang || (sent[i] & 0x08);
    EXPECT_TRUE(rang) << "channel 3 of timbres_fiesta.txt";

    // The journal and registro.txt get the log, the boxes' texts in it in the order the
    // window shows them.
    const QRegularExpression inOrder(
        "MENSAJE texto=\"Recuerde, si no hay un puerto abierto, debe abrirlo antes de empezar a "
        "usarlo\".*MENSAJE texto=\"Puerto COM 2: abierto OK\".* Sonvira DISPARO canal=3 "
        "origen=timbres_fiesta\\.txt:1 .* Sonvira FIN",
        QRegularExpression::DotMatchesEverythingOption);
    QFile log(station.data(QStringLiteral("registro.txt")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString signature = QStringLiteral(" pid=%1 modo=servicio").arg(pid);
    const QRegularExpression logLine("^(<\\d>)?\\d{4}-\\d\\d-\\d\\d .*\n",
                                     QRegularExpression::MultilineOption);
    for (const QString where : {service.readAllStandardError(), log.readAll()}) {
        EXPECT_TRUE(where.contains(inOrder)) << where.toStdString();
        EXPECT_EQ(where.count(signature + u'\n'), where.count(logLine)) << "each line signed";
    }
}

// Runs the program in a private mount namespace whose /dev holds only the
// pseudo-terminals, so that whatever it picks by itself cannot be a real device.
static void startIsolated(QProcess &program, const QStringList &command, const QString &home)
{
    program.setEnvironment(QStringList{"QT_QPA_PLATFORM=offscreen", "PATH=/usr/bin:/bin"} +
                           (home.isNull() ? QStringList() : QStringList{"HOME=" + home}));
    program.start("unshare", QStringList{"-m", "--propagation", "private", "sh", "-c",
                                         "set -e; h=$(mktemp -d); mount --bind /dev/pts $h; "
                                         "mount -t tmpfs tmpfs /dev; mkdir /dev/pts; "
                                         "mount --move $h /dev/pts; exec \"$@\"",
                                         "sh"} +
                                 command);
}

// Started wrong, it ends at once with exit 2 and why, making nothing: a mistyped
// --datos, a relative or empty HOME. A fresh service data folder and no HOME: with
// no COM entry, then with one leading nowhere, nothing goes out and the log says
// why once each; the port opens within a second or two of the entry leading to a
// line.
TEST(ProgramRun, ServiceOpensOnlyAChosenPortAndStartsWrongAreRefused)
{
    Station station;
    const QString missing = station.home.filePath(QStringLiteral("datos mal"));
    const std::tuple<QStringList, QString, const char *> refused[] = {
        {{"--servicio", "--datos", missing}, station.home.path(), "no existe"},
        {{}, QStringLiteral("casa"), "HOME («casa»)"},
        {{}, QStringLiteral(""), "HOME («»)"},
    };
    for (const auto &[arguments, home, why] : refused) {
        QProcess program;
        startIsolated(program, QStringList{SONVIRA_PROGRAM} + arguments, home);
        EXPECT_TRUE(program.waitForFinished(5000) && program.exitCode() == 2 &&
                    QString(program.readAllStandardError()).contains(QString::fromUtf8(why)) &&
                    !QFileInfo::exists(missing))
            << why;
    }
    const QString data = station.home.filePath(QStringLiteral("servicio")), com1 = data + "/COM1";
    ASSERT_TRUE(QDir().mkdir(data));
    QProcess service;
    startIsolated(service, {SONVIRA_PROGRAM, "--servicio", "--datos", data}, QString());
    EXPECT_TRUE(station.line.read(1500).isEmpty());
    ASSERT_TRUE(QFile::link(data + "/nada", com1));
    EXPECT_TRUE(station.line.read(1500).isEmpty());
    ASSERT_TRUE(QFile::remove(com1) && QFile::link(station.line.slavePath(), com1));
    station.endWith(service, SIGTERM);
    const QString journal = service.readAllStandardError();
    EXPECT_EQ(journal.count(QStringLiteral("APERTURA_FALLIDA")), 2) << journal.toStdString();
    EXPECT_TRUE(journal.contains("No hay ninguna entrada COM1 en la carpeta de datos " + data) &&
                journal.contains("No se encuentra el dispositivo " + com1));
}

// The service under a clock stepped while it runs (libfaketime, the monotonic clock
// left alone): 8 s back just after the bell of channel 1, which does not ring again as
// the clock passes its time once more; 10 s forward over the bell of channel 2, which
// rings at once, late.
TEST(ProgramRun, ServiceClockSteppedBackAndForward)
{
    const QString library = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
    if (!QFileInfo::exists(library))
        GTEST_SKIP() << "libfaketime is missing: tools/install-deps.sh installs it";
    Station station;
    const QString offset = station.home.filePath(QStringLiteral("desfase"));
    // A sanitized build wants its runtime first among the libraries; the preload comes
    // before it, which the sanitizer accepts when told.
    station.extraEnvironment = {"LD_PRELOAD=" + library, "FAKETIME_TIMESTAMP_FILE=" + offset,
                                "FAKETIME_NO_CACHE=1", "FAKETIME_DONT_FAKE_MONOTONIC=1",
                                "ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS") +
                                    ":verify_asan_link_order=0"};
    const QTime start = QTime::currentTime();
    const auto at = [&](int s) { return start.addSecs(s).toString(u"HH:mm:ss").toLatin1(); };
    ASSERT_TRUE(writeFile(offset, "+0\n") &&
                station.put("timbres_1.txt", "1," + at(3) + "\r\n2," + at(10) + "\r\n"));
    QProcess service;
    station.start(service, SONVIRA_PROGRAM, {"--servicio", "--datos", station.data({})});
    QElapsedTimer run;
    run.start();
    QByteArray sent; // back to start - 3 s at start + 5 s, forward to start + 15 s at 13 s
    for (const auto &[until, then] : {std::pair{5, "-8\n"}, {13, "+2\n"}, {15, ""}}) {
        sent += station.line.readCount(1 << 20, int(until * 1000 - run.elapsed()));
        EXPECT_TRUE(!*then || writeFile(offset, then));
    }
    station.endWith(service, SIGTERM, sent);
    QFile file(station.data(QStringLiteral("registro.txt")));
    const QString log = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "";
    EXPECT_TRUE(log.contains(QRegularExpression(
                    " DISPARO canal=1 origen=timbres_1.txt:1 trama.* SALTO segundos=-8 .* "
                    "REPETICION_EVITADA canal=1 origen=timbres_1.txt:1 hora=" +
                        at(3) +
                        " .*\n.* SALTO segundos=\\+10 .*DISPARO canal=2 origen=timbres_1.txt:2 "
                        "tarde_s=[3-7] ",
                    QRegularExpression::DotMatchesEverythingOption)) &&
                log.count(" DISPARO ") == 2)
        << log.toStdString();
}

// The service as systemd runs it under DynamicUser=: no HOME, no XDG_RUNTIME_DIR, a
// cache that cannot be written, a fresh temporary folder; --datos and --alarma given,
// and a socket of ours as NOTIFY_SOCKET. Ready once started, then a watchdog ping and
// the status on the ticks while frames go out, and while they fail once the device is
// lost; none while its event loop is stopped. The alarm runs once per fault with the
// word and its details; standard error holds only log lines, with their priority.
TEST(ProgramRun, ServiceTellsItsManagerRaisesAlarmsAndWritesOnlyLogLines)
{
#ifndef SONVIRA_HAVE_LIBSYSTEMD
    GTEST_SKIP() << "built without libsystemd";
#endif
    Station station;
    QTemporaryDir tmp;
    const QString socketPath = tmp.filePath("notify"), runs = tmp.filePath("runs");
    const int manager = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, qPrintable(socketPath), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(manager, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    const QString alarm = tmp.filePath("alarma");
    ASSERT_TRUE(writeFile(alarm, "#!/bin/sh\nfor a; do printf '%s|' \"$a\"; done >>'" +
                                     runs.toUtf8() + "'\necho >>'" + runs.toUtf8() + "'\n"));
    QFile::setPermissions(alarm, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(writeFile(tmp.filePath("cache"), {}));

    QProcessEnvironment environment;
    environment.insert("PATH", qgetenv("PATH"));
    environment.insert("TMPDIR", tmp.path());
    environment.insert("XDG_CACHE_HOME", tmp.filePath("cache/nunca"));
    environment.insert("NOTIFY_SOCKET", socketPath);
    // Its copy of the master would keep the line up when ours closes.
    ::fcntl(station.line.masterFd(), F_SETFD, FD_CLOEXEC);
    QProcess service;
    service.setProcessEnvironment(environment);
    service.setWorkingDirectory(station.data({}));
    service.start(SONVIRA_PROGRAM, {"--servicio", "--datos", station.data({}), "--alarma", alarm});
    const auto told = [&](int ms) {
        QStringList got;
        QElapsedTimer elapsed;
        for (elapsed.start(); elapsed.elapsed() < ms; station.line.read(50, 20)) {
            char datagram[4096];
            for (ssize_t n; (n = ::recv(manager, datagram, sizeof datagram, 0)) > 0;)
                got += QString::fromUtf8(datagram, n);
        }
        return got;
    };
    const QStringList running = told(2500);
    ASSERT_FALSE(running.isEmpty());
    EXPECT_TRUE(running[0].startsWith("READY=1\nSTATUS=COM2 abierto ("))
        << running[0].toStdString();
    EXPECT_GE(running.filter("WATCHDOG=1").size(), 3);
    EXPECT_FALSE(running
                     .filter(QRegularExpression("STATUS=COM2 abierto \\(.*\\); última trama "
                                                "enviada \\d{4}-\\d\\d-\\d\\d \\d\\d:"))
                     .isEmpty());
    station.line.closeMaster();
    const QStringList lost = told(2500);
    EXPECT_GE(lost.filter("WATCHDOG=1").size(), 3) << "frames refused by the component's rules";
    EXPECT_FALSE(lost.filter("falla el envío").isEmpty());
    signalProcess(service, SIGSTOP);
    told(100);
    EXPECT_EQ(told(1500), QStringList()) << "a stopped event loop feeds no watchdog";
    signalProcess(service, SIGCONT);
    signalProcess(service, SIGTERM);
    ASSERT_TRUE(service.waitForFinished(5000));
    ::close(manager);

    QFile ran(runs);
    ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
    const QStringList alarms = QString::fromUtf8(ran.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(alarms.size(), 2) << alarms.join('\n').toStdString();
    EXPECT_EQ(alarms[0], "PROGRAMA_ILEGIBLE|archivo=" + station.data("timbres_1.txt") +
                             "|motivo=el archivo no existe|");
    EXPECT_TRUE(alarms[1].startsWith("PERDIDO|puerto=2|motivo=Se perdió el dispositivo "))
        << alarms[1].toStdString();

    const QList<QByteArray> lines = service.readAllStandardError().split('\n');
    QStringList priorities;
    for (const QByteArray &line : lines.first(lines.size() - 1)) {
        const std::optional<LogEntry> entry = parseLogLine(line.mid(3));
        ASSERT_TRUE(line.startsWith('<') && line[2] == '>' && entry) << line.toStdString();
        priorities += line.left(3) + logEventWord(entry->event);
    }
    EXPECT_TRUE(priorities.contains("<6>INICIO") && priorities.contains("<3>PERDIDO") &&
                priorities.contains("<3>PROGRAMA_ILEGIBLE") && priorities.contains("<6>FIN"))
        << priorities.join(' ').toStdString();
}
