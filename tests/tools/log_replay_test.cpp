// The operations log read back and replayed: what it says happened at one second
// of each day.
#include "tools/timbres_check/log_replay.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

namespace {

using Details = QList<std::pair<QString, QString>>;
using V = Verdict;
using E = LogEvent;

struct Line
{
    int day; // of December 2026, when Madrid keeps one offset all month
    const char *time;
    LogEvent event;
    Details details = {};
    const char *program = "Sonvira";
};

LogEntry entryOf(const Line &l, int month = 12)
{
    return {
        QDateTime(QDate(2026, month, l.day),
                  QTime::fromString(QString::fromLatin1(l.time), QStringLiteral("HH:mm:ss.zzz")),
                  Qt::LocalTime),
        QString::fromLatin1(l.program), l.event, l.details};
}

QString write(const QTemporaryDir &dir, const char *name, const std::vector<LogEntry> &entries,
              const QByteArray &extra = {})
{
    QFile file(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    for (const LogEntry &e : entries)
        file.write(formatLogLine(e));
    file.write(extra);
    return file.fileName();
}

std::vector<LogEntry> read(const QString &path, int expectSkipped = 0)
{
    int skipped = -1;
    QString error;
    std::optional<std::vector<LogEntry>> lines = readLogFile(path, &skipped, &error);
    EXPECT_TRUE(lines.has_value()) << error.toStdString();
    EXPECT_EQ(skipped, expectSkipped);
    return lines ? *lines : std::vector<LogEntry>{};
}

const Details com1 = {{LogKey::puerto, QStringLiteral("COM1")}};
const Details opened = {{LogKey::puerto, QStringLiteral("COM1")},
                        {LogKey::dispositivo, QStringLiteral("/dev/ttyUSB0")},
                        {LogKey::ajustes, QStringLiteral("300,n,8,1")}};
const Details program1 = {{LogKey::archivo, QStringLiteral("timbres_1.txt")}};

// A month of a school's log, one story a day, each asked about at 08:00:00: whether
// the bell rang, else what stood in its way and the line that says so.
TEST(LogReplay, eachDayTellsWhatHappenedAtThatSecond)
{
    const Line lines[] = {
        {1, "09:00:00.000", E::Inicio}, // 1st: the log starts after 08:00
        {1, "09:00:01.000", E::Abierto, opened},
        {1, "18:00:00.000", E::Fin},
        // 2nd: rang, a few seconds late
        {2, "07:30:00.000", E::Inicio},
        {2, "07:30:01.000", E::Abierto, opened},
        {2,
         "08:00:03.021",
         E::Disparo,
         {{LogKey::canal, QStringLiteral("2")},
          {LogKey::origen, QStringLiteral("timbres_1.txt:14")},
          {LogKey::trama, QStringLiteral("60 57 43 30 20 10 74")}}},
        {2, "18:00:00.000", E::Fin},
        // 3rd: no line at all, the FIN of the 2nd stands
        // 4th: the port closed before
        {4, "07:30:00.000", E::Inicio},
        {4, "07:30:01.000", E::Abierto, opened},
        {4, "07:50:00.000", E::Cerrado, com1},
        {4, "18:00:00.000", E::Fin},
        // 5th: started, never opened
        {5, "07:30:00.000", E::Inicio},
        {5, "18:00:00.000", E::Fin},
        // 6th: the opening refused
        {6, "07:30:00.000", E::Inicio},
        {6,
         "07:30:01.000",
         E::AperturaFallida,
         {{LogKey::puerto, QStringLiteral("COM1")}, {LogKey::motivo, QStringLiteral("no existe")}}},
        {6, "18:00:00.000", E::Fin},
        // 7th: the device went away and came back after 08:00
        {7, "07:30:00.000", E::Inicio},
        {7, "07:30:01.000", E::Abierto, opened},
        {7, "07:40:00.000", E::Perdido, com1},
        {7, "09:00:00.000", E::Recuperado, com1},
        {7, "18:00:00.000", E::Fin},
        // 8th: it came back before; another program in use, the clock unsynchronised,
        // lines lost: nothing in the log stood in the way
        {8, "07:30:00.000", E::Inicio},
        {8, "07:30:01.000", E::Abierto, opened},
        {8, "07:40:00.000", E::Perdido, com1},
        {8, "07:50:00.000", E::Recuperado, com1},
        {8, "07:51:00.000", E::Programa, {{LogKey::archivo, QStringLiteral("timbres_2.txt")}}},
        {8, "07:52:00.000", E::Reloj, {{LogKey::sincronizado, QStringLiteral("no")}}},
        {8,
         "07:53:00.000",
         E::Resumen,
         {{LogKey::relojSincronizado, QStringLiteral("no")}, {LogKey::perdidas, "4"}}},
        {8, "08:00:02.000", E::ErrorEnvio, {{LogKey::motivo, QStringLiteral("E/S")}}},
        {8, "18:00:00.000", E::Fin},
        // 9th: the program unreadable
        {9, "07:30:00.000", E::Inicio},
        {9, "07:30:01.000", E::Abierto, opened},
        {9, "07:45:00.000", E::ProgramaIlegible, program1},
        {9, "18:00:00.000", E::Fin},
        // 10th: unreadable, then readable again
        {10, "07:30:00.000", E::Inicio},
        {10, "07:30:01.000", E::Abierto, opened},
        {10, "07:45:00.000", E::ProgramaIlegible, program1},
        {10, "07:59:59.000", E::ProgramaLegible, program1},
        {10, "18:00:00.000", E::Fin},
        // 11th: line feeds without CR
        {11, "07:30:00.000", E::Inicio},
        {11, "07:30:01.000", E::Abierto, opened},
        {11, "07:45:00.000", E::ProgramaSoloLf, program1},
        {11, "18:00:00.000", E::Fin},
        // 12th: started at 05:00 and silent until after 08:00: the PC was off
        {12, "05:00:00.000", E::Inicio},
        {12, "05:00:01.000", E::Abierto, opened},
        {12, "09:00:00.000", E::Resumen},
        {12, "18:00:00.000", E::Fin},
        // 13th: the clock stepped forward over 08:00:00
        {13, "07:30:00.000", E::Inicio},
        {13, "07:30:01.000", E::Abierto, opened},
        {13, "08:00:20.000", E::Salto, {{LogKey::segundos, QStringLiteral("+30")}}},
        {13, "18:00:00.000", E::Fin},
        // 14th: Sonvira closed, repetidores running with its port open; rung by hand
        {14, "07:30:00.000", E::Inicio, {}, "repetidores"},
        {14, "07:30:01.000", E::Abierto, opened, "repetidores"},
        {14,
         "08:00:05.000",
         E::Disparo,
         {{LogKey::canal, QStringLiteral("1")}, {LogKey::origen, QStringLiteral("Prueba")}},
         "repetidores"},
        // 15th: still running with nothing new, an hourly summary at 07:30
        {15, "07:30:00.000", E::Resumen, {}, "repetidores"},
        // 16th: the log ends before 08:00
        {16, "07:00:00.000", E::Resumen, {}, "repetidores"},
    };
    const struct
    {
        Verdict verdict;
        std::optional<LogEvent> cause; // the event of the line it rests on
        const char *program;
    } days[] = {
        {V::BeforeLog, E::Inicio, ""},
        {V::Fired, E::Disparo, "Sonvira"},
        {V::NotRunning, E::Fin, "Sonvira"},
        {V::PortClosed, E::Cerrado, "Sonvira"},
        {V::PortClosed, E::Inicio, "Sonvira"},
        {V::OpeningFailed, E::AperturaFallida, "Sonvira"},
        {V::DeviceLost, E::Perdido, "Sonvira"},
        {V::NothingInTheWay, {}, "Sonvira"},
        {V::ProgramUnreadable, E::ProgramaIlegible, "Sonvira"},
        {V::NothingInTheWay, {}, "Sonvira"},
        {V::ProgramLfOnly, E::ProgramaSoloLf, "Sonvira"},
        {V::LogSilent, E::Abierto, "Sonvira"},
        {V::ClockSkipped, E::Salto, "Sonvira"},
        {V::Fired, E::Disparo, "repetidores"},
        {V::NothingInTheWay, {}, "repetidores"},
        {V::AfterLog, E::Resumen, ""},
    };

    // Written as the program writes it, rotated in two files, a torn last line in
    // the newer one, and given newest first.
    std::vector<LogEntry> older, newer;
    for (const Line &l : lines)
        (l.day <= 8 ? older : newer).push_back(entryOf(l));
    QTemporaryDir dir;
    const QString olderFile = write(dir, "registro.1.txt", older);
    const QString newerFile = write(dir, "registro.txt", newer, "2026-12-16 07:00:01.0");
    const std::vector<LogEntry> log = mergeLogs({read(newerFile, 1), read(olderFile)});
    ASSERT_EQ(log.size(), std::size(lines));

    const std::vector<DayFinding> found = replayLog(log, 8 * 3600);
    ASSERT_EQ(found.size(), std::size(days));
    for (std::size_t d = 0; d < found.size(); ++d) {
        const DayFinding &f = found[d];
        SCOPED_TRACE("day " + std::to_string(d + 1));
        EXPECT_EQ(f.day, QDate(2026, 12, int(d) + 1));
        EXPECT_EQ(f.verdict, days[d].verdict);
        EXPECT_EQ(f.cause >= 0 ? std::optional(log[std::size_t(f.cause)].event) : std::nullopt,
                  days[d].cause);
        EXPECT_EQ(f.program, QString::fromLatin1(days[d].program));
    }

    // What the 8th adds: the program in use, the clock, the lost lines, the window.
    const DayFinding &eighth = found[7];
    ASSERT_GE(eighth.programFile, 0);
    EXPECT_EQ(log[std::size_t(eighth.programFile)].detail(QLatin1StringView(LogKey::archivo)),
              QStringLiteral("timbres_2.txt"));
    ASSERT_GE(eighth.unsynchronised, 0);
    EXPECT_EQ(log[std::size_t(eighth.unsynchronised)].event, E::Reloj);
    ASSERT_GE(eighth.dropped, 0);
    EXPECT_EQ(log[std::size_t(eighth.dropped)].event, E::Resumen);
    ASSERT_EQ(eighth.window.size(), 1u);
    EXPECT_EQ(log[std::size_t(eighth.window[0])].event, E::ErrorEnvio);
    // A new start forgets the clock; lost lines count for a day.
    EXPECT_EQ(found[9].unsynchronised, -1);
    EXPECT_EQ(found[9].dropped, -1);
}

// Files merge by time in whatever order they are given; each keeps its own order,
// even where its clock went back.
TEST(LogReplay, filesMergeByTimeAndKeepTheirOwnOrder)
{
    const auto at = [](const char *time, LogEvent e) { return entryOf({20, time, e}); };
    const std::vector<LogEntry> a = {at("10:00:00.000", E::Inicio), at("10:10:00.000", E::Abierto),
                                     at("10:05:00.000", E::Salto), at("10:06:00.000", E::Cerrado)};
    const std::vector<LogEntry> b = {at("10:20:00.000", E::Resumen), at("10:30:00.000", E::Fin)};
    const std::vector<LogEntry> c = {at("09:00:00.000", E::Mensaje)};
    std::vector<LogEntry> expected = c;
    expected.insert(expected.end(), a.begin(), a.end());
    expected.insert(expected.end(), b.begin(), b.end());
    for (const auto &files : {std::vector{a, b, c}, std::vector{b, c, a}, std::vector{c, a, b}})
        EXPECT_EQ(mergeLogs(files), expected);
}

// 02:30:00 does not exist in Madrid on 29 March 2026.
TEST(LogReplay, aTimeTheClockSkipsIsToldApart)
{
    const std::vector<LogEntry> log = {entryOf({28, "10:00:00.000", E::Inicio}, 3),
                                       entryOf({28, "10:00:01.000", E::Abierto, opened}, 3),
                                       entryOf({30, "10:00:00.000", E::Fin}, 3)};
    const std::vector<DayFinding> found = replayLog(log, 2 * 3600 + 30 * 60);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].verdict, V::BeforeLog);
    EXPECT_EQ(found[1].verdict, V::NoSuchTime);
    EXPECT_EQ(found[2].verdict, V::LogSilent);
}

TEST(LogReplay, onlyLogsAreRead)
{
    QTemporaryDir dir;
    const QString program = write(dir, "timbres_1.txt", {}, "Canal,HH:MM:SS\r\n1,08:00:00\r\n");
    const QString empty = write(dir, "registro.txt", {});
    QString error;
    EXPECT_FALSE(readLogFile(program, nullptr, &error).has_value());
    EXPECT_EQ(error, QStringLiteral("no es un registro: ninguna de sus líneas se entiende"));
    EXPECT_TRUE(read(empty).empty());
}

} // namespace
