#include "host/launcher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

bool waitForFile(const QString &path, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(path)) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeScript(const QString &path, const QByteArray &body)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The started program records its arguments, then stays until the test releases
// it: the launcher must return while it is still running.
TEST(ProcessLauncher, StartsWithoutWaiting)
{
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/programa de prueba");
    writeScript(script, "d=\"$(dirname \"$0\")\"\n"
                        "printf '%s|' \"$@\" > \"$d/args.tmp\"\n"
                        "mv \"$d/args.tmp\" \"$d/args\"\n"
                        "i=0\n"
                        "while [ ! -e \"$d/release\" ] && [ $i -lt 500 ]; do sleep 0.02; "
                        "i=$((i+1)); done\n"
                        "touch \"$d/finished\"\n");

    ProcessLauncher launcher;
    QString error;
    ASSERT_TRUE(
        launcher.startDetached(script, {QStringLiteral("uno dos"), QStringLiteral("")}, &error))
        << error.toStdString();

    ASSERT_TRUE(waitForFile(dir.path() + QStringLiteral("/args"), 10000));
    EXPECT_EQ(contents(dir.path() + QStringLiteral("/args")), QByteArray("uno dos||"));
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/finished")));

    QFile(dir.path() + QStringLiteral("/release")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(waitForFile(dir.path() + QStringLiteral("/finished"), 10000));
}

TEST(ProcessLauncher, FailureCarriesTheDescription)
{
    QTemporaryDir dir;
    const QString notExecutable = dir.path() + QStringLiteral("/sin permiso");
    QFile file(notExecutable);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    for (const QString &program :
         {dir.path() + QStringLiteral("/no existe"), notExecutable, dir.path()}) {
        SCOPED_TRACE(program.toStdString());
        ProcessLauncher launcher;
        QString error;
        EXPECT_FALSE(launcher.startDetached(program, {}, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
