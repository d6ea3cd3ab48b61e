#include "host/alarm_command.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

// An alarm command that hangs is killed once its time is up, and said so; one that
// cannot start is said so as well. Neither is waited for.
TEST(AlarmCommand, AHangingCommandIsKilledAndTold)
{
    const QTemporaryDir dir;
    const QString script = dir.filePath(u"alarma"_s), pidFile = dir.filePath(u"pid"_s);
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho $$ >\"$1\"\nexec sleep 60\n");
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QStringList told;
    const auto waitTold = [&told](qsizetype count) {
        for (int i = 0; i < 60 && told.size() < count; ++i)
            QTest::qWait(50);
        return told.size() >= count;
    };
    AlarmCommand hanging(script, 300);
    QObject::connect(&hanging, &AlarmCommand::trouble, [&told](const QString &t) { told += t; });
    hanging.run({pidFile});
    ASSERT_TRUE(waitTold(1));
    EXPECT_TRUE(told[0].contains(u"no terminó en 0 s"_s)) << told[0].toStdString();
    QFile pid(pidFile);
    ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
    const pid_t started = pid_t(pid.readAll().trimmed().toInt());
    ASSERT_GT(started, 0);
    for (int i = 0; i < 60 && ::kill(started, 0) == 0; ++i)
        QTest::qWait(50); // until Qt has reaped it
    EXPECT_NE(::kill(started, 0), 0) << "still running";

    AlarmCommand missing(dir.filePath(u"no-existe"_s));
    QObject::connect(&missing, &AlarmCommand::trouble, [&told](const QString &t) { told += t; });
    missing.run({u"PERDIDO"_s});
    ASSERT_TRUE(waitTold(2));
    EXPECT_TRUE(told[1].startsWith(u"No se puede ejecutar"_s)) << told[1].toStdString();
}
