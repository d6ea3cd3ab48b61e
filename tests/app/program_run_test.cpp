// The real Sonvira program, run as a process on a pseudo-terminal, with a stand-in
// operator that closes every message box (the box-closer plugin of the line
// measurement).
#include "pseudo_terminal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace {

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
        QTemporaryDir home;
        PseudoTerminal line;
        ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Quirzal")) &&
                    QFile::link(line.slavePath(), home.filePath(QStringLiteral("Quirzal/COM1"))));
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(BOX_CLOSER_PLUGINS));
        environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"),
                           QStringLiteral("sonvira-box-closer"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(home.filePath(QStringLiteral("Quirzal")));
        program.start(QStringLiteral(SONVIRA_PROGRAM), QStringList());
        ASSERT_TRUE(program.waitForStarted());

        QByteArray sent = line.readCount(14, 10000); // two frames: it runs
        ASSERT_GE(sent.size(), 14);
        const QStringList locks = lockFiles(line.slavePath());
        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(3000));
        sent += line.read(300);
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(sent.size() % 7, 0) << "a frame cut short";
        EXPECT_FALSE(sent.contains("qqjj")) << "closing window or signal says no farewell";
        for (const QString &lock : locks)
            EXPECT_FALSE(QFileInfo::exists(lock)) << lock.toStdString();
    }
}
