#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// calendario.txt: which bell program each day uses. Each line is "DÍAS PROGRAMA",
// DÍAS a weekday, a range or list of weekdays, a date (2026-12-25 or 25/12/2026) or a
// range of dates (a..b); PROGRAMA a bell program of the data folder or "ninguno".
// The file is the operator's: a line that does not read is set aside with why, and
// the others still hold.

// From the least to the most specific: the most specific rule that covers a day wins.
enum class CalendarKind { Weekday, DateRange, Date };

struct CalendarRule
{
    int line = 0; // from 1, as an editor numbers them
    CalendarKind kind = CalendarKind::Weekday;
    std::array<bool, 7> weekdays{}; // Monday first; for CalendarKind::Weekday
    QDate from, to;                 // for dates; from == to for a single one
    bool none = false;              // "ninguno": no bell that day
    QString program;                // the bell program's file name, unless none

    bool covers(const QDate &day) const;
};

struct CalendarProblem
{
    int line = 0;
    QString reason; // in Spanish, a phrase, e.g. "«lunez» no es un día de la semana"
};

struct Calendar
{
    std::vector<CalendarRule> rules; // in the order of the file
    std::vector<CalendarProblem> problems;
};

// Far beyond any calendar a person writes; read at the first tick of each day and
// whenever the file changes.
inline constexpr std::int64_t maxCalendarSize = 1024 * 1024;

// The lines end at LF, CR LF or CR; each line is UTF-8 or else Latin-1. "#" starts
// a comment; blank lines count for nothing. Weekday names take any case and their
// accents are optional.
Calendar parseCalendar(std::string_view text);

// The rule that gives the day its program: a single date over a range of dates over
// a weekday, and between rules of the same kind the later line. Null when no rule
// covers the day: the day keeps the program chosen otherwise.
const CalendarRule *ruleForDay(const Calendar &calendar, const QDate &day);

// "lunes" … "domingo", Monday first (index 0).
QString weekdayName(int index);
