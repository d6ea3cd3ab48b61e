// The operations log read back and replayed: what it says happened at one second
// of each day.
#include "tools/timbres_check/log_replay.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

namespace {

using V = Verdict;
using E = LogEvent;

// The log lines of one day, '|' between them, each "HH:MM:SS WORD details".
QByteArray logText(const QByteArray &date, const std::string &lines, const char *program)
{
    QByteArray text;
    for (const QByteArray &l : QByteArray::fromStdString(lines).split('|'))
        if (!l.isEmpty())
            text += date + ' ' + l.left(8) + ".000 " + program + ' ' + l.mid(9) + '\n';
    return text;
}

std::vector<LogEntry> read(const QString &path, const QByteArray &text, int skipped = 0)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    int bad = -1;
    QString error;
    const auto lines = readLogFile(path, &bad, &error);
    EXPECT_TRUE(lines && bad == skipped) << error.toStdString();
    return lines.value_or(std::vector<LogEntry>{});
}

// A month of a school's log (December 2026, when Madrid keeps one offset), one story
// a day, each asked about at 08:00:00: whether the bell rang, else what stood in its
// way and the line that says so.
TEST(LogReplay, eachDayTellsWhatHappenedAtThatSecond)
{
    const std::string open = "07:30:00 INICIO|07:30:01 ABIERTO puerto=COM1|", end = "|18:00:00 FIN";
    const struct
    {
        std::string lines;
        Verdict verdict;
        std::optional<LogEvent> cause; // the event of the line it rests on
        const char *program = "Sonvira";
    } days[] = {
        {"09:00:00 INICIO|09:00:01 ABIERTO" + end, V::BeforeLog, E::Inicio, ""},
        {open + "08:00:03 DISPARO canal=2" + end, V::Fired, E::Disparo},
        {"", V::NotRunning, E::Fin}, // the FIN of the 2nd stands
        {open + "07:50:00 CERRADO" + end, V::PortClosed, E::Cerrado},
        {"07:30:00 INICIO" + end, V::PortClosed, E::Inicio},
        {"07:30:00 INICIO|07:30:01 APERTURA_FALLIDA" + end, V::OpeningFailed, E::AperturaFallida},
        {open + "07:40:00 PERDIDO|09:00:00 RECUPERADO" + end, V::DeviceLost, E::Perdido},
        // Back before; another program, the clock unsynchronised, lines lost: nothing
        // in the log stood in the way.
        {open +
             "07:40:00 PERDIDO|07:50:00 RECUPERADO|07:51:00 PROGRAMA archivo=timbres_2.txt|"
             "07:52:00 RELOJ sincronizado=no|07:53:00 RESUMEN perdidas=4|08:00:02 ERROR_ENVIO" +
             end,
         V::NothingInTheWay,
         {}},
        {open + "07:45:00 PROGRAMA_ILEGIBLE" + end, V::ProgramUnreadable, E::ProgramaIlegible},
        {open + "07:45:00 PROGRAMA_ILEGIBLE|07:59:59 PROGRAMA_LEGIBLE" + end,
         V::NothingInTheWay,
         {}},
        {open + "07:45:00 PROGRAMA_SOLO_LF" + end, V::ProgramLfOnly, E::ProgramaSoloLf},
        // Silent from 05:00 until after 08:00: the PC was off.
        {"05:00:00 INICIO|05:00:01 ABIERTO|09:00:00 RESUMEN" + end, V::LogSilent, E::Abierto},
        {open + "08:00:20 SALTO segundos=+30" + end, V::ClockSkipped, E::Salto},
        // Sonvira ended; repetidores rings by hand, then runs on with nothing new.
        {open + "08:00:05 DISPARO canal=1", V::Fired, E::Disparo, "repetidores"},
        {"07:30:00 RESUMEN", V::NothingInTheWay, {}, "repetidores"},
        {"07:00:00 RESUMEN", V::AfterLog, E::Resumen, ""},
    };
    // Rotated in three files, the newest with a torn last line and one empty, given
    // newest first.
    QByteArray older, newer;
    for (int d = 0; d < int(std::size(days)); ++d)
        (d < 8 ? older : newer) +=
            logText(QDate(2026, 12, d + 1).toString(Qt::ISODate).toLatin1(), days[d].lines,
                    *days[d].program ? days[d].program : "Sonvira");
    QTemporaryDir dir;
    const std::vector<LogEntry> log = mergeLogs(
        {read(dir.filePath("registro.txt"), newer + "2026-12-16 07:00:01.0", 1),
         read(dir.filePath("registro.1.txt"), older), read(dir.filePath("registro.2.txt"), "")});
    const auto eventAt = [&](int i) {
        return i < 0 ? std::nullopt : std::optional(log[std::size_t(i)].event);
    };
    const std::vector<DayFinding> found = replayLog(log, 8 * 3600);
    ASSERT_EQ(found.size(), std::size(days));
    for (std::size_t d = 0; d < found.size(); ++d)
        EXPECT_TRUE(found[d].day == QDate(2026, 12, int(d) + 1) &&
                    found[d].verdict == days[d].verdict &&
                    eventAt(found[d].cause) == days[d].cause &&
                    found[d].program == QLatin1StringView(days[d].program))
            << "day " << d + 1;

    // What the 8th adds: the program in use, the clock, the lost lines, the window.
    const DayFinding &eighth = found[7];
    EXPECT_EQ(std::vector({eventAt(eighth.programFile), eventAt(eighth.unsynchronised),
                           eventAt(eighth.dropped)}),
              std::vector<std::optional<E>>({E::Programa, E::Reloj, E::Resumen}));
    ASSERT_EQ(eighth.window.size(), 1u);
    EXPECT_EQ(eventAt(eighth.window[0]), E::ErrorEnvio);
    // A new start forgets the clock; lost lines count for a day.
    EXPECT_TRUE(found[9].unsynchronised < 0 && found[9].dropped < 0);
}

// Files merge by time in whatever order they are given; each keeps its own order,
// even where its clock went back.
TEST(LogReplay, filesMergeByTimeAndKeepTheirOwnOrder)
{
    const auto at = [](const char *time, LogEvent e) {
        return LogEntry{QDateTime(QDate(2026, 12, 20), QTime::fromString(time), Qt::LocalTime),
                        "Sonvira",
                        e,
                        {}};
    };
    const std::vector<LogEntry> a = {at("10:00:00", E::Inicio), at("10:10:00", E::Abierto),
                                     at("10:05:00", E::Salto), at("10:06:00", E::Cerrado)};
    const std::vector<LogEntry> b = {at("10:20:00", E::Resumen), at("10:30:00", E::Fin)};
    const std::vector<LogEntry> c = {at("09:00:00", E::Mensaje)};
    std::vector<LogEntry> expected = c;
    expected.insert(expected.end(), a.begin(), a.end());
    expected.insert(expected.end(), b.begin(), b.end());
    for (const auto &files : {std::vector{a, b, c}, std::vector{b, c, a}, std::vector{c, a, b}})
        EXPECT_EQ(mergeLogs(files), expected);
}

// 02:30:00 does not exist in Madrid on 29 March 2026.
TEST(LogReplay, aTimeTheClockSkipsIsToldApart)
{
    QTemporaryDir dir;
    const auto found =
        replayLog(read(dir.filePath("registro.txt"),
                       logText("2026-03-28", "10:00:00 INICIO|10:00:01 ABIERTO", "Sonvira") +
                           logText("2026-03-30", "10:00:00 FIN", "Sonvira")),
                  2 * 3600 + 30 * 60);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(std::vector({found[0].verdict, found[1].verdict, found[2].verdict}),
              std::vector({V::BeforeLog, V::NoSuchTime, V::LogSilent}));
}

} // namespace
