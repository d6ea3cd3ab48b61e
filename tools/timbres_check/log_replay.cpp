#include "tools/timbres_check/log_replay.h"

#include "bells/tick_steps.h"
#include "host/small_file.h"

#include <QDateTime>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string_view>

namespace {

constexpr std::int64_t msPerDay = 24 * 3600 * 1000;

// The local date and time as written, as one number: the lines carry no zone, and
// the hour the clock goes back must not be turned into two other hours.
std::int64_t localKey(const QDateTime &when)
{
    return when.date().toJulianDay() * msPerDay + when.time().msecsSinceStartOfDay();
}

std::vector<std::int64_t> keysOf(const std::vector<LogEntry> &entries)
{
    std::vector<std::int64_t> keys;
    keys.reserve(entries.size());
    for (const LogEntry &e : entries)
        keys.push_back(localKey(e.when));
    return keys;
}

enum class Port { Unknown, Closed, Open };

// One program as the log tells it, line by line. Each member is the index of the
// line that put it so, or -1.
struct ProgramState
{
    bool running = false;
    int since = -1; // INICIO
    int ended = -1; // FIN
    Port port = Port::Unknown;
    int portLine = -1; // ABIERTO, APERTURA_FALLIDA or CERRADO
    bool openingFailed = false;
    int lost = -1;
    int unreadable = -1;
    int lfOnly = -1;
    int programFile = -1;
    int unsynchronised = -1;
    int last = -1; // its latest line
};

void setSynchronised(ProgramState &s, const QString &yesNo, int line)
{
    if (yesNo == QLatin1StringView("no"))
        s.unsynchronised = s.unsynchronised < 0 ? line : s.unsynchronised;
    else if (yesNo == QLatin1StringView("si"))
        s.unsynchronised = -1;
}

void apply(ProgramState &s, const LogEntry &e, int line)
{
    if (e.event == LogEvent::Inicio) {
        s = ProgramState{};
        s.running = true;
        s.since = s.last = line;
        s.port = Port::Closed; // every program starts with its port closed
        return;
    }
    s.last = line;
    if (e.event == LogEvent::Fin) {
        s.running = false;
        s.ended = line;
        s.port = Port::Closed;
        s.lost = -1;
        return;
    }
    // A program that writes runs, even when its INICIO is in a file not given;
    // then the port is unknown until a line tells it.
    if (!s.running) {
        s.running = true;
        s.since = -1;
        s.port = Port::Unknown;
    }
    const auto openIfUnknown = [&] {
        if (s.port == Port::Unknown)
            s.port = Port::Open;
    };
    switch (e.event) {
    case LogEvent::Abierto:
    case LogEvent::AperturaFallida:
    case LogEvent::Cerrado:
        s.port = e.event == LogEvent::Abierto ? Port::Open : Port::Closed;
        s.portLine = line;
        s.openingFailed = e.event == LogEvent::AperturaFallida;
        s.lost = -1;
        break;
    case LogEvent::Perdido:
        openIfUnknown();
        s.lost = line;
        break;
    case LogEvent::Recuperado:
        openIfUnknown();
        s.lost = -1;
        break;
    case LogEvent::Disparo:
        openIfUnknown();
        break;
    case LogEvent::Programa:
        s.programFile = line;
        s.unreadable = s.lfOnly = -1;
        break;
    case LogEvent::ProgramaIlegible:
        s.unreadable = line;
        break;
    case LogEvent::ProgramaLegible:
        s.unreadable = s.lfOnly = -1;
        break;
    case LogEvent::ProgramaSoloLf:
        s.lfOnly = line;
        break;
    case LogEvent::Reloj:
        setSynchronised(s, e.detail(QLatin1StringView(LogKey::sincronizado)), line);
        break;
    case LogEvent::Resumen:
        setSynchronised(s, e.detail(QLatin1StringView(LogKey::relojSincronizado)), line);
        break;
    default:
        break;
    }
}

// Why a running program did not ring, as far as its state tells, with the line
// that says so.
std::pair<Verdict, int> stateVerdict(const ProgramState &s, std::int64_t moment,
                                     const std::vector<std::int64_t> &key)
{
    if (key[std::size_t(s.last)] < moment - std::int64_t(silentLogMinutes) * 60 * 1000)
        return {Verdict::LogSilent, s.last};
    if (s.port == Port::Closed)
        return {s.openingFailed ? Verdict::OpeningFailed : Verdict::PortClosed,
                s.portLine >= 0 ? s.portLine : s.since};
    if (s.lost >= 0)
        return {Verdict::DeviceLost, s.lost};
    if (s.unreadable >= 0)
        return {Verdict::ProgramUnreadable, s.unreadable};
    if (s.lfOnly >= 0)
        return {Verdict::ProgramLfOnly, s.lfOnly};
    return {Verdict::NothingInTheWay, -1};
}

std::int64_t wholeSecond(std::int64_t key)
{
    return key - key % 1000;
}

// A reading as desde and hasta hold it, as a key; nothing when it does not read.
std::optional<std::int64_t> readingKey(const QString &text)
{
    const QDate day = QDate::fromString(text.left(10), Qt::ISODate);
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss.zzz"));
    if (text.size() != 23 || text[10] != QLatin1Char('T') || !day.isValid() || !time.isValid())
        return std::nullopt;
    return day.toJulianDay() * msPerDay + time.msecsSinceStartOfDay();
}

// Whether a step forward told by a SALTO or an OMITIDO kept the clock from showing
// the second `moment`: it passed from the second of desde to that of hasta. A SALTO
// written before desde and hasta existed tells only its size, counted back from
// the line, which was written at the first tick after the step.
bool stepCovers(const LogEntry &e, std::int64_t lineKey, std::int64_t moment)
{
    const auto from = readingKey(e.detail(QLatin1StringView(LogKey::desde)));
    const auto to = readingKey(e.detail(QLatin1StringView(LogKey::hasta)));
    if (from && to)
        return wholeSecond(*from) <= moment && moment < wholeSecond(*to);
    bool ok = false;
    const qint64 seconds = e.detail(QLatin1StringView(LogKey::segundos)).toLongLong(&ok);
    return e.event == LogEvent::Salto && ok && seconds > 0 &&
           wholeSecond(lineKey - seconds * 1000) <= moment && moment < lineKey;
}

} // namespace

std::optional<std::vector<LogEntry>> readLogFile(const QString &path, int *skipped, QString *error)
{
    SmallFileReader reader;
    if (!reader.read(path, maxLogFileSize, SmallFileReader::Beyond::Refuse, error))
        return std::nullopt;
    const std::string_view text = reader.contents();
    std::vector<LogEntry> entries;
    int bad = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t lf = text.find('\n', at);
        if (lf == std::string_view::npos)
            lf = text.size();
        const std::string_view line = text.substr(at, lf - at);
        at = lf + 1;
        if (line.empty() || line == "\r")
            continue;
        if (std::optional<LogEntry> entry =
                parseLogLine(QByteArrayView(line.data(), qsizetype(line.size()))))
            entries.push_back(std::move(*entry));
        else
            ++bad;
    }
    if (skipped)
        *skipped = bad;
    if (entries.empty() && bad > 0) {
        if (error)
            *error = QStringLiteral("no es un registro: ninguna de sus líneas se entiende");
        return std::nullopt;
    }
    return entries;
}

std::vector<LogEntry> mergeLogs(std::vector<std::vector<LogEntry>> files)
{
    std::vector<std::vector<std::int64_t>> keys;
    std::size_t total = 0;
    for (const auto &file : files) {
        keys.push_back(keysOf(file));
        total += file.size();
    }
    std::vector<std::size_t> head(files.size(), 0);
    std::vector<LogEntry> merged;
    merged.reserve(total);
    while (merged.size() < total) {
        std::size_t pick = files.size();
        for (std::size_t f = 0; f < files.size(); ++f)
            if (head[f] < files[f].size() &&
                (pick == files.size() || keys[f][head[f]] < keys[pick][head[pick]]))
                pick = f;
        merged.push_back(std::move(files[pick][head[pick]++]));
    }
    return merged;
}

bool firedByHand(const LogEntry &e)
{
    return e.detail(QLatin1StringView(LogKey::origen)) == QLatin1StringView("Prueba");
}

int lateSeconds(const LogEntry &e)
{
    const int late = e.detail(QLatin1StringView(LogKey::tardeS)).toInt();
    return late > 0 && late <= TickSteps::catchUpSeconds ? late : 0;
}

bool firedByProgramLine(const LogEntry &e)
{
    const QString origen = e.detail(QLatin1StringView(LogKey::origen));
    const qsizetype colon = origen.lastIndexOf(QLatin1Char(':'));
    bool number = false;
    if (colon > 0)
        origen.sliced(colon + 1).toInt(&number);
    return e.event == LogEvent::Disparo && number;
}

std::optional<std::vector<QDate>> daysToTell(const std::vector<LogEntry> &log, QString *error)
{
    std::set<qint64> told;
    // The day of each program's latest line, while that line leaves it running.
    std::map<QString, std::pair<qint64, const LogEntry *>> running;
    for (const LogEntry &e : log) {
        const qint64 day = e.when.date().toJulianDay();
        told.insert(day);
        if (const auto it = running.find(e.program); it != running.end()) {
            // A clock stepped back may write a later line on an earlier day.
            const qint64 from = std::min(it->second.first, day),
                         to = std::max(it->second.first, day);
            if (to - from > longestRunGapDays) {
                if (error)
                    *error = QStringLiteral(
                                 "el registro salta de la línea del %1 a la del %2 de %3: %4 "
                                 "días sin nada escrito con el programa en marcha. No doy un "
                                 "veredicto día a día de más de %5 días; mire si esas fechas "
                                 "están bien o dé solo los ficheros del registro que quiere ver")
                                 .arg(it->second.second->when.toString(u"dd/MM/yyyy HH:mm:ss"),
                                      e.when.toString(u"dd/MM/yyyy HH:mm:ss"), e.program)
                                 .arg(to - from)
                                 .arg(longestRunGapDays);
                return std::nullopt;
            }
            for (qint64 d = from + 1; d < to; ++d)
                told.insert(d);
        }
        if (e.event == LogEvent::Fin)
            running.erase(e.program);
        else
            running[e.program] = {day, &e};
    }
    std::vector<QDate> days;
    days.reserve(told.size());
    for (qint64 d : told)
        days.push_back(QDate::fromJulianDay(d));
    return days;
}

std::vector<DayFinding> replayLog(const std::vector<LogEntry> &log, const std::vector<QDate> &told,
                                  int second, const std::vector<DueBell> &due)
{
    const auto rings = [](const LogEntry &e, const DueBell &b) {
        return e.detail(QLatin1StringView(LogKey::canal)).toInt() == b.channel &&
               e.detail(QLatin1StringView(LogKey::origen)) == b.origen;
    };
    const auto isTheBell = [&](const LogEntry &e) {
        return firedByProgramLine(e) &&
               (due.empty() ||
                std::any_of(due.begin(), due.end(), [&](const DueBell &b) { return rings(e, b); }));
    };
    const auto fileOf = [](const QString &origen) {
        return origen.left(origen.lastIndexOf(QLatin1Char(':')));
    };
    std::vector<DayFinding> days;
    if (log.empty())
        return days;
    const std::vector<std::int64_t> key = keysOf(log);
    const auto lastKey = std::max_element(key.begin(), key.end());
    const std::size_t lastLine = std::size_t(lastKey - key.begin());
    const QTime time = QTime::fromMSecsSinceStartOfDay(second * 1000);

    std::map<QString, ProgramState> programs;
    std::size_t applied = 0, windowStart = 0;
    int dropped = -1;
    for (const QDate day : told) {
        DayFinding f;
        f.day = day;
        const std::int64_t moment = day.toJulianDay() * msPerDay + std::int64_t(second) * 1000;
        const std::int64_t window = std::int64_t(logWindowSeconds) * 1000;
        for (; applied < log.size() && key[applied] <= moment; ++applied) {
            const LogEntry &e = log[applied];
            apply(programs[e.program], e, int(applied));
            if (!e.detail(QLatin1StringView(LogKey::perdidas)).isNull())
                dropped = int(applied);
        }
        while (windowStart < log.size() && key[windowStart] < moment - window)
            ++windowStart;
        for (std::size_t i = windowStart; i < log.size() && key[i] <= moment + window; ++i)
            f.window.push_back(int(i));
        if (dropped >= 0 && key[std::size_t(dropped)] > moment - msPerDay)
            f.dropped = dropped;

        const QDateTime local(day, time, Qt::LocalTime);
        // A bell rung by hand nearby is told, but never taken for the program's bell.
        for (int i : f.window)
            if (log[std::size_t(i)].event == LogEvent::Disparo && firedByHand(log[std::size_t(i)]))
                f.byHand = f.byHand < 0 ? i : f.byHand;
        // A bell rung late is written up to catchUpSeconds after its second, and
        // says how late, counted from the second the clock landed in: one rung late
        // for another second is not this one.
        const auto bellAt = [&](std::size_t i) {
            const int late = lateSeconds(log[i]);
            return late > 0 ? wholeSecond(key[i]) - late * 1000 == moment
                            : std::abs(key[i] - moment) <= window;
        };
        for (std::size_t i = windowStart;
             i < log.size() && key[i] <= moment + window + TickSteps::catchUpSeconds * 1000; ++i)
            if (isTheBell(log[i]) && bellAt(i))
                f.bells.push_back(int(i));
        const QString hora = time.toString(u"HH:mm:ss");
        const auto aboutThisBell = [&](const LogEntry &e) {
            return e.detail(QLatin1StringView(LogKey::hora)) == hora &&
                   (due.empty() || std::any_of(due.begin(), due.end(),
                                               [&](const DueBell &b) { return rings(e, b); }));
        };
        for (int i : f.window)
            if (log[std::size_t(i)].event == LogEvent::RepeticionEvitada &&
                aboutThisBell(log[std::size_t(i)]) && f.repeatAvoided < 0)
                f.repeatAvoided = i;
        // A step forward is told at the first tick after it: among the lines of
        // that moment, an OMITIDO of this bell, or a SALTO over that second.
        int omitted = -1, skippedBy = -1;
        for (std::size_t i = applied; i < log.size() && key[i] <= key[applied] + 1000; ++i) {
            const LogEntry &e = log[i];
            if (e.event == LogEvent::Omitido && omitted < 0 && aboutThisBell(e) &&
                stepCovers(e, key[i], moment))
                omitted = int(i);
            if (e.event == LogEvent::Salto && skippedBy < 0 && stepCovers(e, key[i], moment))
                skippedBy = int(i);
        }
        if (!f.bells.empty()) {
            // The other bells the program that rang has at that second must ring too.
            const QString file =
                fileOf(log[std::size_t(f.bells[0])].detail(QLatin1StringView(LogKey::origen)));
            for (const DueBell &b : due)
                if (fileOf(b.origen) == file &&
                    std::none_of(f.bells.begin(), f.bells.end(),
                                 [&](int i) { return rings(log[std::size_t(i)], b); }))
                    f.notLogged.push_back(b);
        }
        const auto fired = f.bells.begin();
        if (fired != f.bells.end()) {
            f.verdict = Verdict::Fired;
            f.cause = *fired;
            f.program = log[std::size_t(*fired)].program;
        } else if (omitted >= 0) {
            f.verdict = Verdict::Omitted;
            f.cause = omitted;
            f.program = log[std::size_t(omitted)].program;
        } else if (!local.isValid() || local.time() != time) {
            f.verdict = Verdict::NoSuchTime;
        } else if (applied == 0) {
            f.verdict = Verdict::BeforeLog;
            f.cause = int(std::min_element(key.begin(), key.end()) - key.begin());
        } else if (moment > *lastKey) {
            f.verdict = Verdict::AfterLog;
            f.cause = int(lastLine);
        } else {
            f.verdict = Verdict::NotRunning;
            const ProgramState *chosen = nullptr;
            for (const auto &[name, state] : programs) {
                if (!state.running) {
                    if (f.verdict == Verdict::NotRunning && state.ended > f.cause) {
                        f.cause = state.ended;
                        f.program = name;
                    }
                    continue;
                }
                const auto [verdict, cause] = stateVerdict(state, moment, key);
                if (!chosen || verdict < f.verdict) {
                    chosen = &state;
                    f.verdict = verdict;
                    f.cause = cause;
                    f.program = name;
                }
            }
            if (chosen) {
                f.programFile = chosen->programFile;
                f.unsynchronised = chosen->unsynchronised;
                if (f.verdict == Verdict::NothingInTheWay && skippedBy >= 0) {
                    f.verdict = Verdict::ClockSkipped;
                    f.cause = skippedBy;
                }
            }
        }
        days.push_back(std::move(f));
    }
    return days;
}
