// The checker as a person runs it: files on disk, a report, an exit status.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return file.fileName();
}

// Each run's exit status (0 every bell rings, 1 some never does or nothing rings at
// the hour asked, 2 a file unread or an argument wrong), a text its error must hold
// and texts its report must hold. Madrid skips 02:00 to 03:00 once and lives it
// twice once in any twelve months.
TEST(TimbresCheckRun, exitStatusReportAndErrors)
{
    qputenv("TZ", "Europe/Madrid");
    QTemporaryDir dir;
    const QString good =
        write(dir, u"timbres_1.txt"_s, "Canal,HH:MM:SS\r\n2,08:00:00\r\n1,02:30:00\r\n");
    const QString bad = write(dir, u"timbres_2.txt"_s, "1,08:00:00\r\n1,24:00:00\r\n");
    const QString older = write(dir, u"registro.1.txt"_s,
                                "2026-12-07 08:00:00.000 Sonvira DISPARO canal=2 "
                                "origen=timbres_1.txt:2\n");
    const QString newer = write(dir, u"registro.txt"_s,
                                "2026-12-08 07:30:00.000 Sonvira INICIO\n"
                                "2026-12-08 07:30:01.000 Sonvira ABIERTO puerto=COM1\n"
                                "2026-12-08 07:45:00.000 Sonvira PERDIDO puerto=COM1 "
                                "motivo=desconectado\n"
                                "2026-12-08 09:00:00.000 Sonvira RESUMEN\n");
    const QString fifo = dir.filePath(u"fifo"_s), missing = dir.filePath(u"no-existe.txt"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString hora = u"--hora"_s, registro = u"--registro"_s;
    const struct
    {
        QStringList arguments;
        int status;
        QString err;
        QStringList out = {};
    } runs[] = {
        {{good},
         0,
         {},
         {u"Timbres del día:\n  Canal 1 (1): 02:30:00\n  Canal 2 (1): 08:00:00\n  Canal 3: "
          "ninguno\nCambio de hora (Europe/Madrid):\n"_s,
          u"esa hora no existe"_s, u"esa hora pasa dos veces"_s}},
        {{good, bad}, 1, {}, {u"Línea 2: «1,24:00:00» no suena nunca."_s}},
        {{missing, bad}, 2, missing, {u"== %1 ==\n"_s.arg(bad)}},
        // The command the README gives for "the bell did not ring at 08:00".
        {{u"--hora=08:00:00"_s, registro, newer, "--registro="_L1 + older, good},
         0,
         {},
         {u"== %1 a las 08:00:00 ==\nA esa hora suena el canal 2.\n"
          "Línea 2: «2,08:00:00» hace sonar el canal 2.\n"_s.arg(good),
          u"== Registro a las 08:00:00 (±5 s) ==\nlunes 07/12/2026: sonó el canal 2 (línea 2 "
          "de timbres_1.txt) a las 08:00:00.000.\n"_s,
          u"martes 08/12/2026: no sonó: el dispositivo del puerto COM1 se perdió a las "
          "07:45:00 (desconectado) y no había vuelto.\n"_s}},
        {{hora, u"24:00:00"_s, good}, 2, u"la hora «24:00:00» no vale"_s},
        // Whatever a name points at, the checker ends at once with a reason: here a
        // FIFO with no writer.
        {{fifo}, 2, u"no puedo leer «%1»: no es un archivo de texto normal."_s.arg(fifo)},
        {{hora, u"08:00:00"_s, registro, bad},
         2,
         u"no puedo leer «%1»: no es un registro: ninguna de sus líneas se entiende."_s.arg(bad)},
    };
    for (const auto &[arguments, status, err, out] : runs) {
        QProcess checker;
        checker.start(QStringLiteral(TIMBRES_CHECK_PROGRAM), arguments);
        // A checker that blocks fails here, and is killed with the QProcess.
        ASSERT_TRUE(checker.waitForFinished(10000)) << arguments.join(u' ').toStdString();
        const QString told = QString::fromUtf8(checker.readAllStandardOutput());
        EXPECT_EQ(checker.exitCode(), status) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(checker.readAllStandardError()).contains(err))
            << err.toStdString();
        for (const QString &text : out)
            EXPECT_TRUE(told.contains(text)) << told.toStdString();
    }
}

} // namespace
