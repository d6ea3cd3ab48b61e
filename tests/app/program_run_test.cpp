// The real Sonvira program, run as a process on a pseudo-terminal, with a stand-in
// operator that closes every message box (the box-closer plugin of the line
// measurement).
#include "pseudo_terminal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// A home folder with the data folder whose COMn entries lead to the test's line.
struct Station
{
    Station()
    {
        EXPECT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Quirzal")) &&
                    QFile::link(line.slavePath(), data(QStringLiteral("COM2"))));
        for (const char *com : {"COM1", "COM3", "COM4"}) // nowhere: no real port is reached
            QFile::link(home.filePath(QStringLiteral("nada")), data(QLatin1String(com)));
    }
    QString data(const QString &name) const
    {
        return home.filePath(QStringLiteral("Quirzal/") + name);
    }
    bool put(const QString &name, const QByteArray &bytes) const
    {
        QFile file(data(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    void start(QProcess &program, const QString &executable, const QStringList &arguments,
               bool closeBoxes) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (closeBoxes) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            environment.insert(QStringLiteral("QT_PLUGIN_PATH"),
                               QStringLiteral(BOX_CLOSER_PLUGINS));
            environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"),
                               QStringLiteral("sonvira-box-closer"));
        }
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(data({}));
        program.start(executable, arguments);
    }

    QTemporaryDir home;
    PseudoTerminal line;
};

// Where Qt's serial port keeps the lock of a device, by the device's name.
QStringList lockFiles(const QString &device)
{
    const QString name = QStringLiteral("LCK..") + device.mid(5).replace(u'/', u'_');
    QStringList found;
    for (const char *folder : {"/var/lock", "/run/lock", "/tmp", "/var/tmp"})
        if (QFileInfo::exists(QLatin1String(folder) + u'/' + name))
            found += QLatin1String(folder) + u'/' + name;
    return found;
}

} // namespace

// SIGTERM (a shutdown, a service manager) and SIGINT (Ctrl+C) end the program as
// closing the window does: it exits normally, what reached the line is whole frames
// and no closing string, and the port's lock is gone.
TEST(ProgramRun, TerminationSignalsEndItAsClosingTheWindow)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        Station station;
        ASSERT_TRUE(station.put(QStringLiteral("puertos.txt"), "\" 2\"\r\n"));
        QProcess program;
        station.start(program, QStringLiteral(SONVIRA_PROGRAM), {}, true);
        ASSERT_TRUE(program.waitForStarted());

        QByteArray sent = station.line.readCount(14, 10000); // two frames: it runs
        ASSERT_GE(sent.size(), 14);
        const QStringList locks = lockFiles(station.line.slavePath());
        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(3000));
        sent += station.line.read(300);
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(sent.size() % 7, 0) << "a frame cut short";
        EXPECT_FALSE(sent.contains("qqjj")) << "closing window or signal says no farewell";
        for (const QString &lock : locks)
            EXPECT_FALSE(QFileInfo::exists(lock)) << lock.toStdString();
    }
}

// The service, with no display and no one to answer: the saved port opens at once,
// frames start within a second and come two a second, a bell of the program chosen
// rings, the start-up messages go to standard error in the order the window shows
// them, and SIGTERM ends it cleanly.
TEST(ProgramRun, ServiceRunsUnattended)
{
    Station station;
    const QTime soon = QTime::currentTime().addSecs(2);
    ASSERT_TRUE(station.put(QStringLiteral("puertos.txt"), "\" 2\"\r\n"));
    ASSERT_TRUE(station.put(QStringLiteral("timbres_fiesta.txt"),
                            "3," + soon.toString(QStringLiteral("HH:mm:ss")).toLatin1() + "\r\n"));
    QProcess service;
    QElapsedTimer since;
    since.start();
    station.start(service, QStringLiteral(SONVIRA_PROGRAM),
                  {QStringLiteral("--servicio"), QStringLiteral("--programa"),
                   QStringLiteral("timbres_fiesta.txt")},
                  false);
    ASSERT_TRUE(service.waitForStarted());
    QByteArray sent = station.line.readCount(7, 3000);
    EXPECT_LT(since.elapsed(), 1500) << "the first frame";
    while (since.elapsed() < 4500)
        sent += station.line.read(100, 50);
    ::kill(pid_t(service.processId()), SIGTERM);
    ASSERT_TRUE(service.waitForFinished(3000));
    sent += station.line.read(300);
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
    ASSERT_EQ(sent.size() % 7, 0);
    QMap<QByteArray, int> perSecond;
    bool rang = false;
    for (qsizetype i = 0; i < sent.size(); i += 7) {
        ++perSecond[sent.mid(i, 6)];
        rang = rang || (sent[i + 6] & 0x08);
    }
    EXPECT_TRUE(rang) << "channel 3 of timbres_fiesta.txt";
    const QList<int> counts = perSecond.values();
    EXPECT_GE(counts.count(2), counts.size() - 2) << "two frames in every whole second";
    // Standard error (the journal) carries the operations log, the boxes' texts in it.
    const QString told = QString::fromUtf8(service.readAllStandardError());
    QFile log(station.data(QStringLiteral("registro.txt")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(log.readAll());
    for (const QString &where : {told, logged}) {
        const qsizetype reminder = where.indexOf(
            "MENSAJE texto=\"Recuerde, si no hay un puerto abierto, debe abrirlo antes de empezar "
            "a usarlo\"");
        EXPECT_TRUE(reminder >= 0 &&
                    reminder < where.indexOf("MENSAJE texto=\"Puerto COM 2: abierto OK\""))
            << where.toStdString();
        EXPECT_TRUE(where.contains(" Sonvira DISPARO canal=3 origen=timbres_fiesta.txt:1 "))
            << where.toStdString();
        EXPECT_TRUE(where.contains(" Sonvira FIN")) << where.toStdString();
    }
}

// What a service cannot run with is refused at once, with the reason.
TEST(ProgramRun, ServiceRefusesWhatItCannotRun)
{
    Station station;
    const std::tuple<const char *, QStringList, const char *> rows[] = {
        {SONVIRA_PROGRAM, {"--servicio", "--programa", "../timbres_1.txt"}, "timbres*.txt"},
        {SONVIRA_PROGRAM, {"--servicio", "--programa", "horario.txt"}, "timbres*.txt"},
        {SONVIRA_PROGRAM, {"--servicio", "--datos"}, "falta el valor de --datos"},
        {REPETIDORES_PROGRAM, {"--servicio"}, "repetidores no funciona como servicio"},
    };
    for (const auto &[executable, arguments, why] : rows) {
        QProcess program;
        station.start(program, QLatin1String(executable), arguments, false);
        ASSERT_TRUE(program.waitForFinished(5000)) << arguments.join(u' ').toStdString();
        EXPECT_EQ(program.exitCode(), 2);
        EXPECT_TRUE(program.readAllStandardError().contains(why)) << why;
    }
    EXPECT_TRUE(station.line.read(200).isEmpty());
}
