#pragma once

#include "host/operations_log_format.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <cstdint>
#include <optional>
#include <vector>

// Log lines this far either side of the second asked about count as "at that
// second": the tick that fires may come late, and the line is written after it.
inline constexpr int logWindowSeconds = 5;

// A program that runs writes a RESUMEN every hour; a log silent much longer than
// that while the program should be running means the PC was off or the program
// was cut short without its FIN.
inline constexpr int silentLogMinutes = 90;

// The lines of one log file; lines that do not read are counted in *skipped. A file
// that is not a regular file, is larger than maxLogFileSize, or holds characters but
// not one log line, gives nothing and *error says why in Spanish.
std::optional<std::vector<LogEntry>> readLogFile(const QString &path, int *skipped, QString *error);

// Several log files as one, in the order things happened: each file keeps the order
// its lines were written in (a clock stepped back does not reorder them), and the
// files are merged by time, so they may be given in any order.
std::vector<LogEntry> mergeLogs(std::vector<std::vector<LogEntry>> files);

// What the log says about one second of one day, from the closest to ringing down.
enum class Verdict {
    Fired,             // a DISPARO of a program line within the window, or caught up late
    Omitted,           // OMITIDO: a step forward too large to ring it late jumped over it
    NothingInTheWay,   // running, port open, program readable: its lines decide
    ClockSkipped,      // a SALTO forward passed over that second
    ProgramLfOnly,     // PROGRAMA_SOLO_LF in force: its lines may be read joined
    ProgramUnreadable, // PROGRAMA_ILEGIBLE in force
    DeviceLost,        // PERDIDO without RECUPERADO
    OpeningFailed,     // the last opening was refused
    PortClosed,        // CERRADO, or no ABIERTO since INICIO
    LogSilent,         // running, but no line of it for silentLogMinutes
    NotRunning,        // FIN, or no line of any program before
    NoSuchTime,        // the clock skips that time that day (daylight saving)
    BeforeLog,         // the log starts after that second
    AfterLog,          // the log ends before it
};

// A bell a program given says is due at that second: its channel (1 to 3) and the
// `origen` its DISPARO carries ("<file>:<line>").
struct DueBell
{
    int channel = 0;
    QString origen;
};

struct DayFinding
{
    QDate day;
    Verdict verdict = Verdict::NothingInTheWay;
    // Indices into the merged log; -1 when there is none.
    int cause = -1;                 // the line the verdict rests on (FIN, CERRADO, PERDIDO...)
    int programFile = -1;           // the PROGRAMA line of the program in use
    int unsynchronised = -1;        // the line that said the clock was not synchronised
    int dropped = -1;               // a line with perdidas= in the day before the second
    std::vector<int> bells;         // the DISPAROs that are the bell, when Fired
    std::vector<DueBell> notLogged; // due bells of the program that rang, without a DISPARO
    int byHand = -1;                // a DISPARO by Prueba within the window: never the bell
    int repeatAvoided = -1;         // REPETICION_EVITADA: the clock passed there again
    std::vector<int> window;        // every line within the window
    QString program;                // whose state the verdict tells; empty when none
};

// Two lines of one run further apart than this are not a log to fill day by day: a
// date written wrong, or a file that is not this station's.
inline constexpr int longestRunGapDays = 400;

// The days the log can speak of, in order: each day that has a line, and each day
// between two lines of one run of a program (from a line that leaves it running to
// its next line, FIN or INICIO). Days after a FIN and before the next line are not
// told: nothing was running, and the log could otherwise be made to cover any span.
// A run with a gap longer than longestRunGapDays gives nothing; *error says why.
std::optional<std::vector<QDate>> daysToTell(const std::vector<LogEntry> &log, QString *error);

// Whether a DISPARO was rung by hand ("Prueba"), and whether by a line of a program
// (`origen` is "<file>:<line>"): only the latter is ever a program's bell.
bool firedByHand(const LogEntry &e);
bool firedByProgramLine(const LogEntry &e);

// How late a DISPARO rang its bell, from its tarde_s (a clock stepped forward over
// the bell's second); 0 when on time.
int lateSeconds(const LogEntry &e);

// For each of `days` (in order, as daysToTell gives them): what happened at `second`
// (seconds since midnight), replaying the log's lines up to it. With `due` (the
// programs given), only a DISPARO of a due channel from its due line is the bell;
// without, a DISPARO of any program line.
std::vector<DayFinding> replayLog(const std::vector<LogEntry> &log, const std::vector<QDate> &days,
                                  int second, const std::vector<DueBell> &due = {});
