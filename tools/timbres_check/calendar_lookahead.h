#pragma once

#include <QDate>
#include <QString>
#include <QTimeZone>

#include <cstdio>
#include <string_view>

// What calendario.txt makes ring, told ahead of the days, in Spanish (UTF-8). The
// programs it names are read from the calendar's own folder, as the station reads
// them from its data folder; a rule whose program is not there does not count, as
// at the station.
struct CalendarLookahead
{
    QString path;          // the calendar file, for the report and its folder
    std::string_view text; // its bytes
    QDate today;           // what counts as past
    QTimeZone zone;        // for the daylight-saving changes
};

// Each day from `from` on, for `days` days: its program and the rule that chose it,
// how many bells on which channels, the first and the last. Then the warnings: lines
// that cannot be used, programs missing or that would not ring, weekdays no rule
// covers, ranges in the past, ranges that overlap with other programs, holidays on
// a day already "ninguno", bells a change of the clock moves or skips in those days.
// Returns whether there was no warning.
bool writeCalendarReport(std::FILE *out, const CalendarLookahead &calendar, const QDate &from,
                         int days);

// What rings on `day` at `second`: the day's program by the calendar, then that
// program at that second as the moment report tells it. Returns what the moment
// report returns; true on a day that is "ninguno".
bool writeCalendarMoment(std::FILE *out, const CalendarLookahead &calendar, const QDate &day,
                         int second);

// "el calendario eligió timbres_1.txt (línea 1)" for a day, as the station chose;
// empty when no usable rule covers it.
QString calendarChoiceText(const CalendarLookahead &calendar, const QDate &day);
