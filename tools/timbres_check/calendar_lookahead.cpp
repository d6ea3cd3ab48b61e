#include "tools/timbres_check/calendar_lookahead.h"

#include "bells/bell_program.h"
#include "bells/calendar.h"
#include "host/small_file.h"
#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/program_analysis.h"
#include "tools/timbres_check/report.h"
#include "tools/timbres_check/zone_shifts.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <map>
#include <memory>

namespace {

void put(std::FILE *out, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out);
}

QString dateText(const QDate &day)
{
    return day.toString(QStringLiteral("dd/MM/yyyy"));
}

QString dayText(const QDate &day)
{
    return weekdayName(day.dayOfWeek() - 1) + u' ' + dateText(day);
}

struct ProgramFile
{
    bool readable = false;
    QString why;
    std::string text;
    ProgramAnalysis analysis;
};

// The calendar as the station uses it: its rules without those whose program is
// missing, and each program it names read once.
struct Reading
{
    Calendar calendar;
    std::vector<CalendarProblem> missing;
    std::map<QString, ProgramFile> programs;
    QStringList lines; // the file's lines, for showing a rule as written

    explicit Reading(const CalendarLookahead &c) : calendar(parseCalendar(c.text))
    {
        const QString folder = QFileInfo(c.path).absolutePath();
        SmallFileReader reader;
        for (const CalendarRule &rule : calendar.rules) {
            if (rule.none || programs.count(rule.program))
                continue;
            ProgramFile &p = programs[rule.program];
            p.readable = reader.read(QDir(folder).filePath(rule.program), maxProgramSize,
                                     SmallFileReader::Beyond::Refuse, &p.why);
            if (p.readable) {
                p.text = std::string(reader.contents());
                p.analysis = analyseProgram(p.text);
            }
        }
        std::erase_if(calendar.rules, [&](const CalendarRule &rule) {
            if (rule.none || programs[rule.program].readable)
                return false;
            missing.push_back({rule.line, QStringLiteral("no se puede leer el programa %1: %2")
                                              .arg(rule.program, programs[rule.program].why)});
            return true;
        });
        // Split as the calendar's reader splits: LF, CR LF or CR.
        const std::string_view t = c.text;
        for (std::size_t at = 0; at < t.size();) {
            std::size_t end = std::min(t.find_first_of("\r\n", at), t.size());
            const QByteArray raw(t.data() + at, qsizetype(end - at));
            QString line = QString::fromUtf8(raw);
            if (line.contains(QChar::ReplacementCharacter))
                line = QString::fromLatin1(raw);
            lines += line.section(u'#', 0, 0).simplified();
            at = end;
            if (at < t.size() && t[at] == '\r')
                ++at;
            if (at < t.size() && t[at] == '\n')
                ++at;
        }
    }

    QString ruleText(const CalendarRule &rule) const
    {
        return QStringLiteral("línea %1 («%2»)").arg(rule.line).arg(lines.value(rule.line - 1));
    }
};

QString bellsText(const ProgramAnalysis &a)
{
    QStringList channels;
    std::string first, last;
    std::size_t count = 0;
    for (int c = 0; c < 3; ++c) {
        const auto &times = a.schedule[std::size_t(c)];
        if (times.empty())
            continue;
        channels += QString::number(c + 1);
        count += times.size();
        if (first.empty() || times.front() < first)
            first = times.front();
        if (times.back() > last)
            last = times.back();
    }
    if (count == 0)
        return QStringLiteral("no hace sonar ningún timbre");
    return QStringLiteral("%1 %2 en %3 %4; el primero a las %5, el último a las %6")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("timbre") : QStringLiteral("timbres"))
        .arg(channels.size() == 1 ? QStringLiteral("el canal") : QStringLiteral("los canales"))
        .arg(channels.join(QStringLiteral(", ")))
        .arg(QString::fromStdString(first), QString::fromStdString(last));
}

QString choiceText(const Reading &r, const CalendarRule *rule)
{
    if (!rule)
        return QStringLiteral("ninguna regla lo cubre: sigue el programa elegido en \"Programa "
                              "en uso\" (o el de --programa)");
    if (rule->none)
        return QStringLiteral("ninguno, por la %1: no suena ningún timbre").arg(r.ruleText(*rule));
    return QStringLiteral("%1, por la %2: %3")
        .arg(rule->program, r.ruleText(*rule), bellsText(r.programs.at(rule->program).analysis));
}

// The rule for the day among the rules less specific than a date.
const CalendarRule *withoutDates(const Calendar &calendar, const QDate &day)
{
    const CalendarRule *best = nullptr;
    for (const CalendarRule &rule : calendar.rules)
        if (rule.kind != CalendarKind::Date && rule.covers(day) &&
            (best == nullptr || rule.kind >= best->kind))
            best = &rule;
    return best;
}

QStringList warnings(const CalendarLookahead &c, const Reading &r, const QDate &from, int days)
{
    QStringList found;
    std::vector<CalendarProblem> problems = r.calendar.problems;
    problems.insert(problems.end(), r.missing.begin(), r.missing.end());
    std::stable_sort(problems.begin(), problems.end(),
                     [](const auto &a, const auto &b) { return a.line < b.line; });
    for (const CalendarProblem &p : problems)
        found += QStringLiteral("Línea %1: %2; esa línea no cuenta.").arg(p.line).arg(p.reason);

    const std::vector<CalendarRule> &rules = r.calendar.rules;
    for (const auto &[name, program] : r.programs) {
        if (!program.readable)
            continue;
        if (program.analysis.silentLines > 0)
            found += QStringLiteral("El programa %1 tiene %2 que no %3 nunca:")
                         .arg(name)
                         .arg(program.analysis.silentLines == 1
                                  ? QStringLiteral("1 línea")
                                  : QStringLiteral("%1 líneas").arg(program.analysis.silentLines))
                         .arg(program.analysis.silentLines == 1 ? QStringLiteral("suena")
                                                                : QStringLiteral("suenan"));
        else if (bellsText(program.analysis).startsWith(QStringLiteral("no ")))
            found += QStringLiteral("El programa %1 no hace sonar ningún timbre.").arg(name);
    }

    std::array<bool, 7> covered{};
    for (const CalendarRule &rule : rules)
        if (rule.kind == CalendarKind::Weekday)
            for (std::size_t d = 0; d < 7; ++d)
                covered[d] = covered[d] || rule.weekdays[d];
    for (int d = 0; d < 7; ++d)
        if (!covered[std::size_t(d)])
            found += QStringLiteral("Ninguna regla de días de la semana cubre el %1: ese día, "
                                    "si no lo cubre una fecha, sigue el programa elegido.")
                         .arg(weekdayName(d));

    for (const CalendarRule &rule : rules)
        if (rule.kind == CalendarKind::DateRange && rule.to < c.today)
            found += QStringLiteral("Línea %1: el rango del %2 al %3 ya pasó.")
                         .arg(rule.line)
                         .arg(dateText(rule.from), dateText(rule.to));

    for (std::size_t i = 0; i < rules.size(); ++i)
        for (std::size_t j = i + 1; j < rules.size(); ++j) {
            const CalendarRule &a = rules[i], &b = rules[j];
            if (a.kind != CalendarKind::DateRange || b.kind != CalendarKind::DateRange ||
                (a.none == b.none && a.program == b.program) || a.to < b.from || b.to < a.from)
                continue;
            found += QStringLiteral("Las líneas %1 y %2 son rangos de fechas que se solapan "
                                    "del %3 al %4 con programas distintos: gana la línea %2.")
                         .arg(a.line)
                         .arg(b.line)
                         .arg(dateText(std::max(a.from, b.from)), dateText(std::min(a.to, b.to)));
        }

    for (const CalendarRule &rule : rules) {
        if (rule.kind != CalendarKind::Date || !rule.none)
            continue;
        if (const CalendarRule *other = withoutDates(r.calendar, rule.from); other && other->none)
            found += QStringLiteral("Línea %1: el %2 ya es «ninguno» por la línea %3; esa fecha "
                                    "no cambia nada.")
                         .arg(rule.line)
                         .arg(dayText(rule.from))
                         .arg(other->line);
    }

    // The changes of the clock in the days shown, each against that day's program.
    const QDateTime start(from, QTime(0, 0), c.zone);
    const QDateTime end(from.addDays(days), QTime(0, 0), c.zone);
    for (const ClockChange &change : clockChanges(zoneShifts(c.zone, start, end))) {
        const QDate day(change.year, change.month, change.day);
        const CalendarRule *rule = ruleForDay(r.calendar, day);
        if (!rule || rule->none)
            continue;
        const ProgramFile &program = r.programs.at(rule->program);
        for (const DaylightWarning &w : daylightWarnings(program.analysis.schedule, {change}))
            found +=
                QStringLiteral("El %1, cambio de hora: el canal %2 de %3 a las %4 %5.")
                    .arg(dayText(day))
                    .arg(w.bell.channel)
                    .arg(rule->program, QString::fromStdString(w.bell.time))
                    .arg(change.skipped
                             ? QStringLiteral("no suena: el reloj salta de %1 a %2")
                                   .arg(QString::fromStdString(tickTimeText(change.fromSecond)),
                                        QString::fromStdString(tickTimeText(change.toSecond)))
                             : QStringLiteral("suena dos veces: el reloj vuelve de %1 a %2")
                                   .arg(QString::fromStdString(tickTimeText(change.toSecond)),
                                        QString::fromStdString(tickTimeText(change.fromSecond))));
    }
    return found;
}

} // namespace

bool writeCalendarReport(std::FILE *out, const CalendarLookahead &c, const QDate &from, int days)
{
    const Reading r(c);
    put(out, QStringLiteral("== %1, del %2 al %3 ==\n")
                 .arg(c.path, dateText(from), dateText(from.addDays(days - 1))));
    for (int i = 0; i < days; ++i) {
        const QDate day = from.addDays(i);
        put(out, dayText(day) + QStringLiteral(": ") + choiceText(r, ruleForDay(r.calendar, day)) +
                     QStringLiteral(".\n"));
    }
    const QStringList found = warnings(c, r, from, days);
    if (found.isEmpty()) {
        put(out, QStringLiteral("Sin avisos.\n"));
        return true;
    }
    put(out, QStringLiteral("Avisos:\n"));
    for (const QString &w : found) {
        put(out, QStringLiteral("  - ") + w + u'\n');
        // The checker's own reasons for the lines of a program that never ring.
        for (const auto &[name, program] : r.programs)
            if (program.readable && program.analysis.silentLines > 0 &&
                w.startsWith(QStringLiteral("El programa %1 tiene").arg(name)))
                writeSilentLines(out, program.text, "    ");
    }
    return false;
}

bool writeCalendarMoment(std::FILE *out, const CalendarLookahead &c, const QDate &day, int second)
{
    const Reading r(c);
    const CalendarRule *rule = ruleForDay(r.calendar, day);
    put(out,
        QStringLiteral("== %1, el %2 ==\n%3.\n").arg(c.path, dayText(day), choiceText(r, rule)));
    if (!rule)
        return true;
    if (rule->none) {
        put(out, QStringLiteral("A las %1 no suena nada: ese día es «ninguno».\n")
                     .arg(QString::fromStdString(tickTimeText(second))));
        return true;
    }
    const ProgramFile &program = r.programs.at(rule->program);
    return writeMomentReport(out, rule->program.toStdString(), program.text, second);
}

QString calendarChoiceText(const CalendarLookahead &c, const QDate &day)
{
    // Asked once a day of the log: the programs are only looked for, as the station
    // looks for them, not read.
    Calendar calendar = parseCalendar(c.text);
    const QDir folder = QFileInfo(c.path).absoluteDir();
    std::erase_if(calendar.rules, [&](const CalendarRule &rule) {
        return !rule.none && !QFileInfo(folder.filePath(rule.program)).isFile();
    });
    const CalendarRule *rule = ruleForDay(calendar, day);
    if (!rule)
        return {};
    return QStringLiteral("el calendario eligió %1 (línea %2)")
        .arg(rule->none ? QStringLiteral("ninguno") : rule->program)
        .arg(rule->line);
}
