#include "bells/calendar.h"

#include <QStringDecoder>

#include <optional>

namespace {

const char *const weekdayNames[7] = {"lunes",  "martes", "miércoles", "jueves",
                                     "viernes", "sábado", "domingo"};

// Lower case without the accents an operator may or may not type.
QString folded(const QString &text)
{
    QString out = text.toLower();
    static const std::pair<QChar, QChar> accents[] = {
        {u'á', u'a'}, {u'é', u'e'}, {u'í', u'i'}, {u'ó', u'o'}, {u'ú', u'u'}, {u'à', u'a'},
        {u'è', u'e'}, {u'ì', u'i'}, {u'ò', u'o'}, {u'ù', u'u'}, {u'ü', u'u'}};
    for (QChar &c : out)
        for (const auto &[accented, plain] : accents)
            if (c == accented)
                c = plain;
    return out;
}

std::optional<int> weekdayIndex(const QString &word)
{
    const QString w = folded(word);
    for (int i = 0; i < 7; ++i)
        if (folded(QString::fromUtf8(weekdayNames[i])) == w)
            return i;
    return std::nullopt;
}

QString decodeLine(std::string_view bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

bool allDigits(const QString &text, qsizetype size)
{
    if (text.size() != size)
        return false;
    for (QChar c : text)
        if (!c.isDigit() || c.unicode() > '9')
            return false;
    return true;
}

// "2026-12-25" or "25/12/2026" (day and month of one or two digits).
std::optional<QDate> parseDate(const QString &text, QString *why)
{
    QStringList parts;
    int year = 0, month = 0, day = 0;
    if (text.contains(u'-')) {
        parts = text.split(u'-');
        if (parts.size() != 3 || !allDigits(parts[0], 4) || !allDigits(parts[1], 2) ||
            !allDigits(parts[2], 2)) {
            *why = "la fecha «" + text + "» no se entiende: escríbala AAAA-MM-DD o DD/MM/AAAA";
            return std::nullopt;
        }
        year = parts[0].toInt(), month = parts[1].toInt(), day = parts[2].toInt();
    } else {
        parts = text.split(u'/');
        if (parts.size() != 3 || !allDigits(parts[2], 4) ||
            !(allDigits(parts[0], 1) || allDigits(parts[0], 2)) ||
            !(allDigits(parts[1], 1) || allDigits(parts[1], 2))) {
            *why = "la fecha «" + text + "» no se entiende: escríbala AAAA-MM-DD o DD/MM/AAAA";
            return std::nullopt;
        }
        day = parts[0].toInt(), month = parts[1].toInt(), year = parts[2].toInt();
    }
    const QDate date(year, month, day);
    if (!date.isValid()) {
        *why = "la fecha «" + text + "» no existe en el calendario";
        return std::nullopt;
    }
    return date;
}

bool startsWithDigit(const QString &text)
{
    return !text.isEmpty() && text[0].isDigit();
}

// One item of DÍAS: a weekday, a range of weekdays, a date or a range of dates.
std::optional<CalendarRule> parseItem(const QString &item, QString *why)
{
    CalendarRule rule;
    if (startsWithDigit(item)) {
        const qsizetype dots = item.indexOf(QStringLiteral(".."));
        const std::optional<QDate> from = parseDate(dots < 0 ? item : item.left(dots), why);
        if (!from)
            return std::nullopt;
        std::optional<QDate> to = from;
        if (dots >= 0 && !(to = parseDate(item.mid(dots + 2), why)))
            return std::nullopt;
        if (*to < *from) {
            *why = "el rango «" + item + "» termina antes de empezar";
            return std::nullopt;
        }
        rule.kind = dots < 0 ? CalendarKind::Date : CalendarKind::DateRange;
        rule.from = *from;
        rule.to = *to;
        return rule;
    }
    const QStringList ends = item.split(u'-');
    std::optional<int> first, last;
    if (ends.size() > 2 || !(first = weekdayIndex(ends.front())) ||
        !(last = weekdayIndex(ends.back()))) {
        *why = "«" + item +
               "» no es un día de la semana (lunes … domingo), una fecha ni un rango de fechas";
        return std::nullopt;
    }
    // A range may run across the weekend: "viernes-lunes".
    for (int d = *first;; d = (d + 1) % 7) {
        rule.weekdays[std::size_t(d)] = true;
        if (d == *last)
            break;
    }
    return rule;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The DÍAS field ends at the first blank that is not next to "," "-" or "..", so
// "sábado, domingo" reads as "sábado,domingo".
qsizetype daysFieldEnd(const QString &line)
{
    const auto joins = [](QChar c) { return c == u',' || c == u'-' || c == u'.'; };
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (!isBlank(line[i]))
            continue;
        qsizetype next = i;
        while (next < line.size() && isBlank(line[next]))
            ++next;
        if (next < line.size() && !joins(line[next]) && !joins(line[i - 1]))
            return i;
        i = next - 1;
    }
    return line.size();
}

bool isProgramName(const QString &name)
{
    return name.startsWith(QStringLiteral("timbres"), Qt::CaseInsensitive) &&
           name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive) && !name.contains(u'/') &&
           !name.contains(u'\\');
}

void parseLine(const QString &raw, int number, Calendar &calendar)
{
    QString line = raw;
    if (const qsizetype hash = line.indexOf(u'#'); hash >= 0)
        line.truncate(hash);
    line = line.trimmed();
    if (line.isEmpty())
        return;
    const auto problem = [&](const QString &why) { calendar.problems.push_back({number, why}); };

    const qsizetype end = daysFieldEnd(line);
    QString days = line.left(end);
    days.remove(u' ').remove(u'\t');
    const QString program = line.mid(end).trimmed();
    if (program.isEmpty()) {
        problem("falta el programa: escriba los días, un blanco y el programa de timbres "
                "(o «ninguno»)");
        return;
    }
    CalendarRule base;
    base.line = number;
    if (folded(program) == QStringLiteral("ninguno")) {
        base.none = true;
    } else if (!isProgramName(program)) {
        problem("«" + program +
                "» no es un programa de timbres: su nombre empieza por «timbres» y acaba en "
                "«.txt», sin carpeta (o escriba «ninguno»)");
        return;
    } else {
        base.program = program;
    }

    std::vector<CalendarRule> items;
    for (const QString &item : days.split(u',')) {
        QString why;
        std::optional<CalendarRule> rule = parseItem(item, &why);
        if (!rule) {
            problem(item.isEmpty() ? QStringLiteral("la lista de días tiene un hueco entre comas")
                                   : why);
            return;
        }
        rule->line = number;
        rule->none = base.none;
        rule->program = base.program;
        items.push_back(*rule);
    }
    calendar.rules.insert(calendar.rules.end(), items.begin(), items.end());
}

} // namespace

bool CalendarRule::covers(const QDate &day) const
{
    if (kind == CalendarKind::Weekday)
        return weekdays[std::size_t(day.dayOfWeek() - 1)];
    return from <= day && day <= to;
}

Calendar parseCalendar(std::string_view text)
{
    Calendar calendar;
    int number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos)
            end = text.size();
        parseLine(decodeLine(text.substr(at, end - at)), ++number, calendar);
        at = end;
        if (at < text.size() && text[at] == '\r')
            ++at;
        if (at < text.size() && text[at] == '\n') // CR LF, or LF alone
            ++at;
    }
    return calendar;
}

const CalendarRule *ruleForDay(const Calendar &calendar, const QDate &day)
{
    const CalendarRule *best = nullptr;
    for (const CalendarRule &rule : calendar.rules)
        if (rule.covers(day) && (best == nullptr || rule.kind >= best->kind))
            best = &rule;
    return best;
}

QString weekdayName(int index)
{
    return QString::fromUtf8(weekdayNames[index]);
}
