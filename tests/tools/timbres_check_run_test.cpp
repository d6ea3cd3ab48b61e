// The checker as a person runs it: files on disk, a report, an exit status.
#include "bells/bell_program.h"
#include "host/operations_log_format.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct CheckRun
{
    int status = -1;
    QString out, err;
};

CheckRun check(const QStringList &arguments)
{
    QProcess checker;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TZ"_s, u"Europe/Madrid"_s);
    checker.setProcessEnvironment(env);
    checker.start(QStringLiteral(TIMBRES_CHECK_PROGRAM), arguments);
    // A checker that blocks fails here, and is killed with the QProcess.
    EXPECT_TRUE(checker.waitForFinished(10000)) << arguments.join(u' ').toStdString();
    return {checker.exitCode(), QString::fromUtf8(checker.readAllStandardOutput()),
            QString::fromUtf8(checker.readAllStandardError())};
}

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return file.fileName();
}

TEST(TimbresCheckRun, exitStatusTellsWhetherEveryBellRings)
{
    QTemporaryDir dir;
    const QString good =
        write(dir, u"timbres_1.txt"_s, "Canal,HH:MM:SS\r\n2,10:00:00\r\n1,02:30:00\r\n");
    const QString bad = write(dir, u"timbres_2.txt"_s, "1,08:00:00\r\n1,24:00:00\r\n");

    const CheckRun fine = check({good});
    EXPECT_EQ(fine.status, 0) << fine.out.toStdString();
    // Madrid skips 02:00 to 03:00 once and lives it twice once in any twelve months.
    for (const QString &text : {u"Canal 2 (1): 10:00:00"_s, u"Europe/Madrid"_s,
                                u"esa hora no existe"_s, u"esa hora pasa dos veces"_s})
        EXPECT_TRUE(fine.out.contains(text)) << text.toStdString();

    const CheckRun wrong = check({good, bad});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(wrong.out.contains(u"Línea 2: «1,24:00:00» no suena nunca."_s))
        << wrong.out.toStdString();

    const CheckRun missing = check({dir.filePath(u"no-existe.txt"_s), bad});
    EXPECT_TRUE(missing.status == 2 && missing.err.contains(u"no-existe.txt"_s) &&
                missing.out.contains(u"timbres_2.txt"_s));
}

// The command the README gives for "the bell did not ring at 08:00".
TEST(TimbresCheckRun, hourWithTheLogTellsEachDay)
{
    QTemporaryDir dir;
    const QString program = write(dir, u"timbres_1.txt"_s, "Canal,HH:MM:SS\r\n2,08:00:00\r\n");
    const QString older = write(dir, u"registro.1.txt"_s,
                                "2026-12-07 07:30:00.000 Sonvira INICIO\n"
                                "2026-12-07 07:30:01.000 Sonvira ABIERTO puerto=COM1\n"
                                "2026-12-07 08:00:00.000 Sonvira DISPARO canal=2 "
                                "origen=timbres_1.txt:2\n");
    const QString newer = write(dir, u"registro.txt"_s,
                                "2026-12-08 07:30:00.000 Sonvira INICIO\n"
                                "2026-12-08 07:30:01.000 Sonvira ABIERTO puerto=COM1\n"
                                "2026-12-08 07:45:00.000 Sonvira PERDIDO puerto=COM1 "
                                "motivo=desconectado\n"
                                "2026-12-08 09:00:00.000 Sonvira RESUMEN\n");
    const CheckRun run = check(
        {u"--hora"_s, u"08:00:00"_s, u"--registro"_s, newer, "--registro="_L1 + older, program});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QString expected[] = {
        u"== %1 a las 08:00:00 ==\nA esa hora suena el canal 2.\n"
        "Línea 2: «2,08:00:00» hace sonar el canal 2.\n"_s.arg(program),
        u"== Registro a las 08:00:00 (±5 s) ==\nlunes 07/12/2026: sonó el canal 2 (línea 2 de "
        "timbres_1.txt) a las 08:00:00.000.\n"_s,
        u"martes 08/12/2026: no sonó: el dispositivo del puerto COM1 se perdió a las 07:45:00 "
        "(desconectado) y no había vuelto.\n"_s,
    };
    for (const QString &text : expected)
        EXPECT_TRUE(run.out.contains(text)) << run.out.toStdString();

    EXPECT_EQ(check({u"--hora=8:00:01"_s, program}).status, 1) << "no channel rings then";
    for (const char *wrong : {"24:00:00", "8:0", "08:00:00:00", "ocho"}) {
        const CheckRun bad = check({u"--hora"_s, QString::fromLatin1(wrong), program});
        EXPECT_TRUE(bad.status == 2 && bad.err.contains(u"no vale"_s)) << wrong;
    }
    EXPECT_EQ(check({u"--registro"_s, newer, program}).status, 2);
}

// Whatever a name points at, the checker ends at once with a reason: a FIFO with no
// writer, a file beyond the limit (sparse, so the test writes nothing), each as a
// program and as a log.
TEST(TimbresCheckRun, onlySmallRegularFilesAreRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    QFile program(dir.filePath(u"programa_grande"_s)), log(dir.filePath(u"registro_grande"_s));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly) && program.resize(maxProgramSize + 1) &&
                log.open(QIODevice::WriteOnly) && log.resize(maxLogFileSize + 1));
    const QStringList asLog = {u"--hora"_s, u"08:00:00"_s, u"--registro"_s};
    const std::pair<QStringList, QString> rows[] = {
        {{fifo}, u"no es un archivo de texto normal"_s},
        {{program.fileName()}, u"es demasiado grande (más de 64 MB)"_s},
        {asLog + QStringList{fifo}, u"no es un archivo de texto normal"_s},
        {asLog + QStringList{log.fileName()}, u"es demasiado grande (más de 4 MB)"_s},
        {asLog + QStringList{write(dir, u"timbres_1.txt"_s, "1,08:00:00\r\n")},
         u"no es un registro: ninguna de sus líneas se entiende"_s},
    };
    for (const auto &[arguments, why] : rows) {
        const CheckRun run = check(arguments);
        EXPECT_TRUE(run.status == 2 &&
                    run.err.contains(u"no puedo leer «%1»: %2."_s.arg(arguments.last(), why)))
            << run.err.toStdString();
    }
}

} // namespace
