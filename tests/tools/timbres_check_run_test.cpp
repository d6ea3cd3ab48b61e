// The checker as a person runs it: files on disk, a report, an exit status.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CheckRun
{
    int status = -1;
    QString out;
    QString err;
};

CheckRun check(const QStringList &files)
{
    QProcess checker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Madrid"));
    checker.setProcessEnvironment(env);
    checker.start(QStringLiteral(TIMBRES_CHECK_PROGRAM), files);
    EXPECT_TRUE(checker.waitForFinished(10000));
    return {checker.exitCode(), QString::fromUtf8(checker.readAllStandardOutput()),
            QString::fromUtf8(checker.readAllStandardError())};
}

QString write(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    QFile file(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

TEST(TimbresCheckRun, exitStatusTellsWhetherEveryBellRings)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good =
        write(dir, "timbres_1.txt", "Canal,HH:MM:SS\r\n2,10:00:00\r\n1,02:30:00\r\n");
    const QString bad = write(dir, "timbres_2.txt", "1,08:00:00\r\n1,24:00:00\r\n");

    const CheckRun fine = check({good});
    EXPECT_EQ(fine.status, 0) << fine.out.toStdString();
    EXPECT_TRUE(fine.out.contains(QStringLiteral("Canal 2 (1): 10:00:00")));
    // Madrid skips 02:00 to 03:00 once and lives it twice once in any twelve months.
    EXPECT_TRUE(fine.out.contains(QStringLiteral("Europe/Madrid")));
    EXPECT_TRUE(fine.out.contains(QStringLiteral("esa hora no existe")));
    EXPECT_TRUE(fine.out.contains(QStringLiteral("esa hora pasa dos veces")));

    const CheckRun wrong = check({good, bad});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(wrong.out.contains(QStringLiteral("Línea 2: «1,24:00:00» no suena nunca.")))
        << wrong.out.toStdString();

    const CheckRun missing = check({dir.filePath(QStringLiteral("no-existe.txt")), bad});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("no-existe.txt")));
    EXPECT_TRUE(missing.out.contains(QStringLiteral("timbres_2.txt")));
}

} // namespace
