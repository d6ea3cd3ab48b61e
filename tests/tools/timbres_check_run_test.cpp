// The checker as a person runs it: files on disk, a report, an exit status.
#include "bells/bell_program.h"
#include "host/operations_log_format.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct CheckRun
{
    int status = -1;
    QString out;
    QString err;
};

CheckRun check(const QStringList &arguments)
{
    QProcess checker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Madrid"));
    checker.setProcessEnvironment(env);
    checker.start(QStringLiteral(TIMBRES_CHECK_PROGRAM), arguments);
    // A checker that blocks fails here, and is killed with the QProcess.
    EXPECT_TRUE(checker.waitForFinished(10000)) << arguments.join(u' ').toStdString();
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

// The command the README gives for "the bell did not ring at 08:00".
TEST(TimbresCheckRun, hourWithTheLogTellsEachDay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = write(dir, "timbres_1.txt", "Canal,HH:MM:SS\r\n2,08:00:00\r\n");
    const auto line = [](int day, const char *time, LogEvent event,
                         QList<std::pair<QString, QString>> details = {}) {
        return formatLogLine(
            {QDateTime(QDate(2026, 12, day), QTime::fromString(QString::fromLatin1(time)),
                       Qt::LocalTime),
             QStringLiteral("Sonvira"), event, details});
    };
    const QString older =
        write(dir, "registro.1.txt",
              line(7, "07:30:00", LogEvent::Inicio) +
                  line(7, "07:30:01", LogEvent::Abierto, {{LogKey::puerto, "COM1"}}) +
                  line(7, "08:00:00", LogEvent::Disparo,
                       {{LogKey::canal, "2"}, {LogKey::origen, "timbres_1.txt:2"}}) +
                  line(7, "18:00:00", LogEvent::Fin));
    const QString newer =
        write(dir, "registro.txt",
              line(8, "07:30:00", LogEvent::Inicio) +
                  line(8, "07:30:01", LogEvent::Abierto, {{LogKey::puerto, "COM1"}}) +
                  line(8, "07:45:00", LogEvent::Perdido,
                       {{LogKey::puerto, "COM1"}, {LogKey::motivo, "desconectado"}}) +
                  line(8, "09:00:00", LogEvent::Resumen));
    const CheckRun run =
        check({QStringLiteral("--hora"), QStringLiteral("08:00:00"), QStringLiteral("--registro"),
               newer, QStringLiteral("--registro=") + older, program});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList expected = {
        QStringLiteral("== %1 a las 08:00:00 ==\nA esa hora suena el canal 2.\n"
                       "Línea 2: «2,08:00:00» hace sonar el canal 2.\n")
            .arg(program),
        QStringLiteral("== Registro a las 08:00:00 (±5 s) ==\n"
                       "lunes 07/12/2026: sonó el canal 2 (línea 2 de timbres_1.txt) a las "
                       "08:00:00.000.\n"),
        QStringLiteral("martes 08/12/2026: no sonó: el dispositivo del puerto COM1 se perdió a "
                       "las 07:45:00 (desconectado) y no había vuelto.\n"),
    };
    for (const QString &text : expected)
        EXPECT_TRUE(run.out.contains(text)) << run.out.toStdString();

    const CheckRun lateHour = check({QStringLiteral("--hora=8:00:01"), program});
    EXPECT_EQ(lateHour.status, 1) << "no channel rings then";
    for (const char *wrong : {"24:00:00", "8:0", "08:00:00:00", "ocho"}) {
        const CheckRun bad = check({QStringLiteral("--hora"), QString::fromLatin1(wrong), program});
        EXPECT_EQ(bad.status, 2) << wrong;
        EXPECT_TRUE(bad.err.contains(QStringLiteral("no vale"))) << wrong;
    }
    EXPECT_EQ(check({QStringLiteral("--registro"), newer, program}).status, 2);
}

// Whatever a name points at, the checker ends at once with a reason: a FIFO with no
// writer, a device without end, a file beyond the limit (sparse, so the test
// writes nothing), each as a program and as a log.
TEST(TimbresCheckRun, onlySmallRegularFilesAreRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto at = [&](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), at("cero")));
    for (const auto &[name, size] : {std::pair{"programa_grande", maxProgramSize + 1},
                                     std::pair{"registro_grande", maxLogFileSize + 1}}) {
        QFile big(at(name));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(size));
    }
    const QStringList asLog = {QStringLiteral("--hora"), QStringLiteral("08:00:00"),
                               QStringLiteral("--registro")};
    const struct
    {
        QStringList arguments;
        const char *why;
    } rows[] = {
        {{at("fifo")}, "no es un archivo de texto normal"},
        {{at("cero")}, "no es un archivo de texto normal"},
        {{at("programa_grande")}, "es demasiado grande (más de 64 MB)"},
        {asLog + QStringList{at("fifo")}, "no es un archivo de texto normal"},
        {asLog + QStringList{at("cero")}, "no es un archivo de texto normal"},
        {asLog + QStringList{at("registro_grande")}, "es demasiado grande (más de 4 MB)"},
        {asLog + QStringList{write(dir, "timbres_1.txt", "1,08:00:00\r\n")},
         "no es un registro: ninguna de sus líneas se entiende"},
    };
    for (const auto &[arguments, why] : rows) {
        const CheckRun run = check(arguments);
        EXPECT_EQ(run.status, 2) << arguments.last().toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("no puedo leer «%1»: %2.")
                                         .arg(arguments.last(), QString::fromUtf8(why))))
            << run.err.toStdString();
    }
}

} // namespace
