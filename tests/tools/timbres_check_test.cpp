// What the checker finds in a bell program (each line's fate, the schedule, what
// rings at one second, the bells a change of the clock skips or rings twice) and
// in the operations log (what it says happened at one second of each day), then the
// checker as a person runs it: files on disk, a report, an exit status.
#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/log_replay.h"
#include "tools/timbres_check/log_report.h"
#include "tools/timbres_check/program_analysis.h"
#include "tools/timbres_check/report.h"

#include "files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::string_literals;

namespace {

using P = Problem;
using Times = std::vector<std::string>;
constexpr int h = 3600, m = 60;

// Each line alone, with CR LF after it: whether it fires, and why not or what to know.
TEST(Program, eachLineFiresOrSaysWhyNot)
{
    const struct
    {
        std::string line;
        std::vector<Problem> problems; // none: it fires
        int meant;                     // the second it seems meant for, -1 none
        std::vector<Note> notes = {};
    } rows[] = {
        {"3,17:45:30", {}, 17 * h + 45 * m + 30},
        {"2;08:00:00", {}, 8 * h},
        {"12,08:00:00", {}, 8 * h, {Note::ChannelIsFirstCharacter}},
        {"12:00:00", {}, 12 * h, {Note::TimeAlone}},
        {"1,8:00:00", {P::FieldWidth}, 8 * h},
        {"1,08:00", {P::MissingSeconds}, 8 * h},
        {"1,08:00:00 ", {P::TrailingBlank}, 8 * h},
        {" 1,08:00:00", {P::LeadingBlank}, 8 * h},
        {"0,08:00:00", {P::BadChannel}, 8 * h},
        {"08:00:00", {P::NoChannel}, 8 * h},
        {"1,24:00:00", {P::HourOutOfRange}, -1},
        {"1,07:00:60", {P::SecondOutOfRange}, -1},
        {"1,08:00:00 recreo", {P::TextAfterTime}, 8 * h},
        {"\t4,8:60 ",
         {P::LeadingBlank, P::BadChannel, P::FieldWidth, P::MissingSeconds, P::MinuteOutOfRange,
          P::TrailingBlank},
         -1},
        {"1,008:0000:00 ", {P::FieldWidth, P::TrailingBlank}, 8 * h},
        {"1,100:00:00 ", {P::FieldWidth, P::TrailingBlank}, -1},
    };
    for (const auto &[line, problems, meant, notes] : rows) {
        const ProgramAnalysis a = analyseProgram(line + "\r\n");
        ASSERT_EQ(a.bells.size(), 1u) << line;
        const bool fires = problems.empty();
        EXPECT_TRUE(a.bells[0].fires == fires && a.everyBellFires() == fires &&
                    a.bells[0].problems == problems && a.bells[0].notes == notes &&
                    a.bells[0].meantSecond == meant &&
                    a.schedule[0].size() + a.schedule[1].size() + a.schedule[2].size() == fires)
            << '"' << line << '"';
    }
}

// Lines that do not look like bells are left out. An editor shows four lines where
// the program reads two: the first three joined, and the last piece matches what
// the joined line rings, so it does ring. The schedule is in time order, each bell
// once, and bells listed twice are told.
TEST(Program, readsLinesAsTheProgramDoesAndListsTheSchedule)
{
    const ProgramAnalysis none =
        analyseProgram("Canal,HH:MM:SS\r\nRecreo 10:30\r\n\r\n1 de mayo: fiesta\r\n7\r\n");
    EXPECT_TRUE(none.bells.empty() && none.everyBellFires() && !none.empty &&
                analyseProgram("").empty);
    const ProgramAnalysis joined = analyseProgram("1,08:00:00\n2,09:00:00\n1,10:00:00\r3,11:00:00");
    std::string told;
    for (const BellLineReport &b : joined.bells)
        told += std::to_string(b.line) + (b.fires ? " fires " : " joined ") + b.readTime +
                (b.fires || b.problems == std::vector{P::JoinedByLf} ? ";" : "?;");
    EXPECT_EQ(told, "1 joined 10:00:00;2 joined 10:00:00;3 fires 10:00:00;4 fires 11:00:00;");
    EXPECT_EQ(joined.schedule, (std::array<Times, 3>{Times{"10:00:00"}, {}, Times{"11:00:00"}}));

    const ProgramAnalysis a = analyseProgram(
        "2,10:00:00\r\n1,09:00:00\r\n12,09:00:00\r\n1,08:00:00\r\n2,10:00:00\r\n3,23:59:59\r\n");
    EXPECT_EQ(a.schedule, (std::array<Times, 3>{Times{"08:00:00", "09:00:00"}, Times{"10:00:00"},
                                                Times{"23:59:59"}}));
    ASSERT_EQ(a.duplicates.size(), 2u);
    EXPECT_TRUE(a.duplicates[0].bell == (Bell{1, "09:00:00"}) &&
                a.duplicates[0].lines == (std::vector<int>{2, 3}) &&
                a.duplicates[1].bell == (Bell{2, "10:00:00"}) &&
                a.duplicates[1].lines == (std::vector<int>{1, 5}));
}

// The --hora report and whether it is fine, its heading aside, with each "Línea N:
// ..." told as N+ when it rings and N- when it never does, and other lines up to a
// comma.
std::string moment(std::string_view program, int second)
{
    char *buffer = nullptr;
    std::size_t size = 0;
    std::FILE *out = ::open_memstream(&buffer, &size);
    std::string told = writeMomentReport(out, "timbres_1.txt", program, second) ? "bien" : "mal";
    std::fclose(out);
    std::istringstream in(std::string(buffer, size));
    std::free(buffer);
    std::string line;
    for (std::getline(in, line); std::getline(in, line);) {
        if (line.rfind("Línea ", 0) == 0)
            told += ' ' + std::to_string(std::stoi(line.substr(std::string("Línea ").size()))) +
                    (line.find("hace sonar el canal") != std::string::npos ? '+' : '-');
        else if (line[0] != ' ')
            told += ' ' + line.substr(0, line.find(','));
    }
    return told;
}

TEST(MomentReport, linesThatRingAndLinesMeantForThatSecond)
{
    const std::string program = "Canal,HH:MM:SS\r\n"    // 1
                                "2,08:00:00\r\n"        // 2 rings channel 2
                                "1,8:00:00\r\n"         // 3 meant for 08:00:00, never rings
                                "12,08:00:00\r\n"       // 4 rings channel 1
                                "3,08:00\r\n"           // 5 meant for 08:00:00, never rings
                                "1,09:00:00\n"          // 6 joined to 7: read as 1 at 10:00:00
                                "3,10:00:00\r\n"        // 7
                                "1,10:00:00 recreo\r\n" // 8 meant for 10:00:00
                                "3,23:59:59\r\n";       // 9
    const std::pair<int, const char *> rows[] = {
        {8 * h, "mal A esa hora suenan los canales 1 y 2. 2+ 3- 4+ 5-"},
        {9 * h, "mal A esa hora no suena ningún canal. 6-"},
        {10 * h, "mal A esa hora suena el canal 1. 7- 8- El canal 1 suena por una línea partida "
                 "por un LF sin CR"},
        {23 * h + 59 * m + 59, "bien A esa hora suena el canal 3. 9+"},
        {12 * h, "mal A esa hora no suena ningún canal."},
    };
    for (const auto &[second, expected] : rows)
        EXPECT_EQ(moment(program, second), expected);
}

// The day of each change, and only the bells inside the local hours it skips or lives
// twice (01:59:59 and 03:00:00 are outside):
// Madrid on 2027-03-28 and 2027-10-31, both at 01:00 UTC.
TEST(Zone, warnsOfBellsInsideTheHourAChangeSkipsOrLivesTwice)
{
    const auto changes = clockChanges({{1806195600, h, 2 * h}, {1824944400, 2 * h, h}});
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[0].year == 2027 && changes[0].month == 3 && changes[0].day == 28 &&
                changes[1].month == 10 && changes[1].day == 31);
    const auto warnings =
        daylightWarnings({{{"01:59:59", "02:00:00"}, {"02:59:59", "03:00:00"}, {}}}, changes);
    ASSERT_EQ(warnings.size(), 4u);
    EXPECT_TRUE(warnings[0].bell == (Bell{1, "02:00:00"}) &&
                warnings[1].bell == (Bell{2, "02:59:59"}) && warnings[0].change.skipped &&
                !warnings[3].change.skipped);
}

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

QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    EXPECT_TRUE(writeFile(dir.filePath(name), bytes));
    return dir.filePath(name);
}

std::vector<LogEntry> read(const QTemporaryDir &dir, const QString &name, const QByteArray &text,
                           int skipped = 0)
{
    int bad = -1;
    QString error;
    const auto lines = readLogFile(write(dir, name, text), &bad, &error);
    EXPECT_TRUE(lines && bad == skipped) << error.toStdString();
    return lines.value_or(std::vector<LogEntry>{});
}

// A month of a school's log (December 2026, when Madrid keeps one offset), one story
// a day, each asked about at 08:00:00: whether the bell rang, else what stood in its
// way and the line that says so.
TEST(LogReplay, eachDayTellsWhatHappenedAtThatSecond)
{
    const std::string open = "07:30:00 INICIO|07:30:01 ABIERTO puerto=COM1|", end = "|18:00:00 FIN";
    constexpr V clear = V::NothingInTheWay;
    // The 8th: back before; another program, the clock unsynchronised, lines lost:
    // nothing in the log stood in the way.
    const std::string busy =
        "07:40:00 PERDIDO|07:50:00 RECUPERADO|07:51:00 PROGRAMA archivo=timbres_2.txt|"
        "07:52:00 RELOJ sincronizado=no|07:53:00 RESUMEN perdidas=4|08:00:02 ERROR_ENVIO";
    const struct
    {
        std::string lines;
        Verdict verdict;
        std::optional<LogEvent> cause; // the event of the line it rests on
        const char *program = "Sonvira";
    } days[] = {
        {"09:00:00 INICIO|09:00:01 ABIERTO" + end, V::BeforeLog, E::Inicio, ""},
        {open + "08:00:03 DISPARO canal=2 origen=timbres_1.txt:2" + end, V::Fired, E::Disparo},
        {"09:00:00 INICIO" + end, V::NotRunning, E::Fin}, // the FIN of the 2nd stands
        {open + "07:50:00 CERRADO" + end, V::PortClosed, E::Cerrado},
        {"07:30:00 INICIO" + end, V::PortClosed, E::Inicio},
        {"07:30:00 INICIO|07:30:01 APERTURA_FALLIDA" + end, V::OpeningFailed, E::AperturaFallida},
        // A Prueba just before is no bell.
        {open + "07:40:00 PERDIDO|07:59:56 DISPARO canal=1 origen=Prueba|09:00:00 RECUPERADO" + end,
         V::DeviceLost, E::Perdido},
        {open + busy + end, clear, {}},
        {open + "07:45:00 PROGRAMA_ILEGIBLE" + end, V::ProgramUnreadable, E::ProgramaIlegible},
        {open + "07:45:00 PROGRAMA_ILEGIBLE|07:59:59 PROGRAMA_LEGIBLE" + end, clear, {}},
        {open + "07:45:00 PROGRAMA_SOLO_LF" + end, V::ProgramLfOnly, E::ProgramaSoloLf},
        // Silent from 05:00 until after 08:00: the PC was off.
        {"05:00:00 INICIO|05:00:01 ABIERTO|09:00:00 RESUMEN" + end, V::LogSilent, E::Abierto},
        {open + "08:00:20 SALTO segundos=+30" + end, V::ClockSkipped, E::Salto},
        // Sonvira ended; repetidores rings by hand, then runs on with nothing new.
        {open + "08:00:05 DISPARO canal=1 origen=t.txt:1", V::Fired, E::Disparo, "repetidores"},
        {"07:30:00 RESUMEN", clear, {}, "repetidores"},
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
    const std::vector<LogEntry> log =
        mergeLogs({read(dir, "registro.txt", newer + "2026-12-16 07:00:01.0", 1),
                   read(dir, "registro.1.txt", older), read(dir, "registro.2.txt", "")});
    const auto eventAt = [&](int i) {
        return i < 0 ? std::nullopt : std::optional(log[std::size_t(i)].event);
    };
    const std::vector<DayFinding> found =
        replayLog(log, daysToTell(log, nullptr).value(), 8 * 3600);
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
                           eventAt(eighth.dropped), eventAt(eighth.window.at(0))}),
              std::vector<std::optional<E>>({E::Programa, E::Reloj, E::Resumen, E::ErrorEnvio}));
    EXPECT_EQ(eighth.window.size(), 1u);
    // A new start forgets the clock; lost lines count for a day.
    EXPECT_TRUE(found[9].unsynchronised < 0 && found[9].dropped < 0);
    EXPECT_TRUE(eventAt(found[6].byHand) == E::Disparo && found[1].byHand < 0);
}

// A day without a line is told inside a run: 02:30:00 does not exist in Madrid on
// 29 March 2026.
TEST(LogReplay, aTimeTheClockSkipsIsToldApart)
{
    QTemporaryDir dir;
    const auto log = read(dir, "registro.txt",
                          logText("2026-03-28", "10:00:00 INICIO", "Sonvira") +
                              logText("2026-03-30", "10:00:00 FIN", "Sonvira"));
    const auto found = replayLog(log, daysToTell(log, nullptr).value(), 2 * h + 30 * m);
    EXPECT_TRUE(found.size() == 3 && found[1].verdict == V::NoSuchTime);
}

// A step of the clock around the bell of channel 2 due at 08:00:00 ("%D" the date):
// rung late counts, rung late for another second does not; a step forward is matched
// by the span it covers, which begins 20 ms into the second (in older lines, by its
// size); a bell skipped by a larger step, and one held back after a step back.
TEST(LogReplay, aStepOfTheClockIsToldByWhatItCovers)
{
    const std::string salto10 = "08:00:10.020 SALTO segundos=+10",
                      bell = "canal=2 origen=timbres_1.txt:2";
    const std::pair<std::string, const char *> rows[] = {
        {"08:00:10.020 DISPARO " + bell + " tarde_s=10",
         "sonó el canal 2 (línea 2 de timbres_1.txt) a las 08:00:10.020, 10 s tarde"},
        {"08:00:12.020 DISPARO " + bell + " tarde_s=10", "no sonó, y el registro no dice por qué"},
        {salto10 + " desde=%DT08:00:00.020 hasta=%DT08:00:10.020",
         "no sonó: el reloj del PC se adelantó 10 s"},
        {salto10, "no sonó: el reloj del PC se adelantó 10 s"},
        {"08:00:00.520 SALTO segundos=+10 desde=%DT07:59:50.520 hasta=%DT08:00:00.520",
         "no sonó, y el registro no dice"},
        {"09:00:00.020 OMITIDO " + bell +
             " hora=08:00:00 desde=%DT08:00:00.020 hasta=%DT09:00:00.020",
         "no sonó: el reloj del PC saltó de 2026-12-07 08:00:00 a 2026-12-07 09:00:00"},
        {"08:00:00.020 DISPARO " + bell +
             "|07:59:53.520 SALTO segundos=-8|08:00:00.020 REPETICION_EVITADA " + bell +
             " hora=08:00:00",
         "a las 08:00:00: el timbre no se repitió (REPETICION_EVITADA)"},
    };
    for (const auto &[lines, said] : rows) {
        QByteArray text = "2026-12-07 07:30:00.000 Sonvira ABIERTO\n";
        for (QByteArray line : QByteArray::fromStdString(lines + "|18:00:00.000 FIN").split('|'))
            text += "2026-12-07 " + line.replace("%D", "2026-12-07").insert(12, " Sonvira") + '\n';
        QTemporaryDir dir;
        char *buffer = nullptr;
        std::size_t size = 0;
        std::FILE *out = ::open_memstream(&buffer, &size);
        EXPECT_EQ(writeLogReport(out, read(dir, "registro.txt", text), {QDate(2026, 12, 7)}, 8 * h,
                                 {{2, u"timbres_1.txt:2"_s}}),
                  std::string_view(said).starts_with("sonó") ||
                      lines.find("REPE") != std::string::npos);
        std::fclose(out);
        EXPECT_NE(std::string(buffer, size).find(said), std::string::npos) << buffer;
        std::free(buffer);
    }
}

// The checker as a person runs it: files on disk, a report, an exit status.

// Each run's exit status (0 every bell rings, 1 some never does, nothing rings at
// the hour asked, the log does not say it rang or the calendar has a warning, 2 a
// file unread or an argument wrong), a text its
// error must hold and texts its report must hold. Madrid skips 02:00 to 03:00 once and lives it
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
                                "2026-12-08 07:59:56.000 Sonvira DISPARO canal=1 "
                                "origen=Prueba\n"
                                "2026-12-08 09:00:00.000 Sonvira RESUMEN\n");
    // One run over the whole calendar, and the same two days not in one run: the
    // days between are not told.
    const QString ages = write(dir, u"siglos.txt"_s,
                               "0001-01-01 00:00:00.000 Sonvira INICIO\n"
                               "9999-12-31 23:59:59.000 Sonvira RESUMEN\n");
    const QString apart = write(dir, u"aparte.txt"_s,
                                "0001-01-01 00:00:00.000 Sonvira FIN\n"
                                "9999-12-31 23:59:59.000 Sonvira INICIO\n");
    // Channel 2 by a line of another time, then channel 1 by its line without channel 2.
    const QString others = write(dir, u"otros.txt"_s,
                                 "2026-12-09 07:00:00.000 Sonvira INICIO\n"
                                 "2026-12-09 07:00:01.000 Sonvira ABIERTO puerto=COM1\n"
                                 "2026-12-09 08:00:01.000 Sonvira DISPARO canal=2 "
                                 "origen=timbres_1.txt:3\n"
                                 "2026-12-10 08:00:01.000 Sonvira DISPARO canal=1 "
                                 "origen=timbres_1.txt:3\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"dos"_s));
    const QString twoAt8 =
        write(dir, u"dos/timbres_1.txt"_s, "2,08:00:00\r\n9,09:00:00\r\n1,08:00:00\r\n");
    const QString fifo = dir.filePath(u"fifo"_s), missing = dir.filePath(u"no-existe.txt"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    // A calendar with each of the look-ahead's warnings, line by line; and one without.
    const QString calendar =
        write(dir, u"calendario.txt"_s,
              "lunes-viernes timbres_1.txt\r\nsábado ninguno\r\n2020-01-01..2020-01-31 ninguno\r\n"
              "2026-12-21..2026-12-31 timbres_2.txt\r\n2026-12-28..2027-01-03 ninguno\r\n"
              "2027-01-02 ninguno\r\n2026-13-01 ninguno\r\n2026-12-24 timbres_nada.txt\r\n"
              "2027-01-10..2027-01-05 ninguno\r\n2027-03-28 timbres_1.txt\r\n");
    const QString week = write(dir, u"semana.txt"_s, "lunes-domingo timbres_1.txt\n");
    const QString c = u"--calendario"_s, from = u"--desde"_s;
    const QString weekend = write(dir, u"sabado.txt"_s,
                                  "2026-12-12 07:00:00.000 Sonvira INICIO\n"
                                  "2026-12-12 07:00:01.000 Sonvira ABIERTO puerto=COM1\n"
                                  "2026-12-12 07:00:01.000 Sonvira PROGRAMA archivo=\"\" "
                                  "motivo=calendario regla=calendario.txt:2\n"
                                  "2026-12-12 09:00:00.000 Sonvira RESUMEN\n");
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
        // The command the README gives for "the bell did not ring at 08:00"; on the
        // 8th a Prueba of channel 1 just before is no bell of channel 2.
        {{u"--hora=08:00:00"_s, u"--registro"_s, newer, "--registro="_L1 + older, good},
         1,
         {},
         {u"== %1 a las 08:00:00 ==\nA esa hora suena el canal 2.\n"
          "Línea 2: «2,08:00:00» hace sonar el canal 2.\n"_s.arg(good),
          u"== Registro a las 08:00:00 (±5 s) ==\nlunes 07/12/2026: sonó el canal 2 (línea 2 "
          "de timbres_1.txt) a las 08:00:00.000.\n"_s,
          u"martes 08/12/2026: no sonó: el dispositivo del puerto COM1 se perdió a las "
          "07:45:00 (desconectado) y no había vuelto.\n"_s,
          u"  Ojo: a las 07:59:56 se hizo sonar a mano el canal 1 (Prueba); eso no es el timbre "
          "del programa.\n"_s}},
        {{u"--hora"_s, u"24:00:00"_s, good}, 2, u"la hora «24:00:00» no vale"_s},
        {{u"--hora"_s, u"08:00:00"_s, u"--registro"_s, others, twoAt8},
         1,
         {},
         {u"miércoles 09/12/2026: no sonó, y el registro no dice por qué"_s,
          u"jueves 10/12/2026: sonó el canal 1 (línea 3 de timbres_1.txt) a las 08:00:01.000.\n"
          "  No consta que sonara el canal 2 (línea 1 de timbres_1.txt).\n"_s}},
        {{u"--hora"_s, u"08:00:00"_s, u"--registro"_s, ages},
         2,
         u"3652058 días sin nada escrito con el programa en marcha. No doy un veredicto día a "
         "día de más de 400 días"_s},
        {{u"--hora"_s, u"08:00:00"_s, u"--registro"_s, apart},
         1,
         {},
         {u"(±5 s) ==\nlunes 01/01/0001: no sonó: Sonvira no estaba en marcha (terminó a las "
          "00:00:00).\n    0001-01-01 00:00:00.000 Sonvira FIN\nviernes 31/12/9999: no sonó: "
          "Sonvira no estaba en marcha (terminó el 01/01/0001 a las 00:00:00).\n"_s}},
        // Whatever a name points at, the checker ends at once with a reason: here a
        // FIFO with no writer.
        {{fifo}, 2, u"no puedo leer «%1»: no es un archivo de texto normal."_s.arg(fifo)},
        {{c, calendar, from, u"2026-12-21"_s, u"--dias"_s, u"100"_s},
         1,
         {},
         {u"lunes 21/12/2026: timbres_2.txt, por la línea 4 («2026-12-21..2026-12-31 "
          "timbres_2.txt»): 1 timbre en el canal 1; el primero a las 08:00:00, el último a las "
          "08:00:00.\n"_s,
          u"jueves 24/12/2026: timbres_2.txt, por la línea 4"_s,
          u"sábado 02/01/2027: ninguno, por la línea 6"_s,
          u"domingo 10/01/2027: ninguna regla lo cubre"_s,
          u"  - Línea 7: la fecha «2026-13-01» no existe en el calendario; esa línea no cuenta.\n"
          "  - Línea 8: no se puede leer el programa timbres_nada.txt: el archivo no existe; esa "
          "línea no cuenta.\n  - Línea 9: el rango «2027-01-10..2027-01-05» termina antes de "
          "empezar; esa línea no cuenta.\n  - El programa timbres_2.txt tiene 1 línea que no "
          "suena nunca:\n    Línea 2: «1,24:00:00» no suena nunca.\n"_s,
          u"  - Ninguna regla de días de la semana cubre el domingo"_s,
          u"  - Línea 3: el rango del 01/01/2020 al 31/01/2020 ya pasó.\n"
          "  - Las líneas 4 y 5 son rangos de fechas que se solapan del 28/12/2026 al 31/12/2026 "
          "con programas distintos: gana la línea 5.\n"
          "  - Línea 6: el sábado 02/01/2027 ya es «ninguno» por la línea 5; esa fecha no cambia "
          "nada.\n  - El domingo 28/03/2027, cambio de hora: el canal 1 de timbres_1.txt a las "
          "02:30:00 no suena: el reloj salta de 02:00:00 a 03:00:00.\n"_s}},
        {{c, week, from, u"2026-06-01"_s, u"--dias"_s, u"2"_s},
         0,
         {},
         {u"lunes 01/06/2026: timbres_1.txt, por la línea 1 («lunes-domingo timbres_1.txt»): 2 "
          "timbres en los canales 1, 2; el primero a las 02:30:00, el último a las 08:00:00.\n"
          "martes 02/06/2026: timbres_1.txt"_s,
          u"Sin avisos.\n"_s}},
        {{c, calendar, u"--fecha"_s, u"2027-01-02"_s, u"--hora"_s, u"08:00:00"_s},
         0,
         {},
         {u"A las 08:00:00 no suena nada: ese día es «ninguno».\n"_s}},
        {{c, calendar, u"--fecha=2026-12-21"_s, u"--hora=08:00:00"_s},
         0,
         {},
         {u"== timbres_2.txt a las 08:00:00 ==\nA esa hora suena el canal 1.\n"_s}},
        {{c, week, u"--hora"_s, u"08:00:00"_s, u"--registro"_s, newer},
         1,
         {},
         {u"martes 08/12/2026: no sonó"_s,
          u"  Ese día el calendario eligió timbres_1.txt (línea 1).\n"_s}},
        {{u"--hora"_s, u"08:00:00"_s, u"--registro"_s, weekend},
         0,
         {},
         {u"sábado 12/12/2026: no sonó: ese día el calendario decía «ninguno» "
          "(calendario.txt:2, desde las 07:00:01).\n"_s}},
        {{c, fifo}, 2, u"no puedo leer «%1»: no es un archivo de texto normal."_s.arg(fifo)},
        {{c, week, u"--dias"_s, u"0"_s}, 2, u"--dias quiere un número"_s},
        {{c, week, u"--fecha"_s, u"2026-02-03"_s}, 2, u"--fecha necesita --hora"_s},
        {{u"--dia"_s, good}, 2, u"opción desconocida: --dia\n\nUso: timbres-check"_s},
        {{u"--version"_s}, 0, {}, {u"timbres-check "_s}},
        {{u"--hora"_s, u"08:00:00"_s, u"--registro"_s, bad},
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
