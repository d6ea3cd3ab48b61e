#include "app/calendar_follower.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

CalendarFollower::CalendarFollower(QString dataFolder)
    : path_(dataFolder.isEmpty() ? QString()
                                 : QDir(dataFolder).filePath(QStringLiteral("calendario.txt"))),
      folder_(std::move(dataFolder))
{}

QString CalendarFollower::fileName() const
{
    return QFileInfo(path_).fileName();
}

CalendarFollower::Outcome CalendarFollower::follow(const QDate &today)
{
    Outcome outcome;
    const QFileInfo info(path_);
    present_ = !path_.isEmpty() && (info.exists() || info.isSymLink());
    if (!present_) {
        // Gone: the day keeps what it has, and a calendar put back counts anew.
        readWell_ = false;
        noBells_ = false;
        troubleTold_.clear();
        return outcome;
    }
    QString why;
    if (!reader_.read(path_, maxCalendarSize, SmallFileReader::Beyond::Refuse, &why))
        return {std::nullopt, unreadable(why)};
    if (reader_.contents().find('\0') != std::string_view::npos)
        return {std::nullopt, unreadable(QStringLiteral("no es un archivo de texto"))};
    troubleTold_.clear();

    const std::string_view bytes = reader_.contents();
    const bool changed =
        !readWell_ || contents_ != QByteArrayView(bytes.data(), qsizetype(bytes.size()));
    if (!changed && today == day_)
        return outcome;
    readWell_ = true;
    day_ = today;
    if (changed)
        contents_ = QByteArray(bytes.data(), qsizetype(bytes.size()));

    Calendar calendar = parseCalendar(bytes);
    // A rule whose program is not there is set aside like a line that does not read.
    std::erase_if(calendar.rules, [&](const CalendarRule &rule) {
        if (rule.none || QFileInfo(QDir(folder_).filePath(rule.program)).isFile())
            return false;
        calendar.problems.push_back(
            {rule.line,
             QStringLiteral("el programa %1 no existe en la carpeta de datos").arg(rule.program)});
        return true;
    });
    outcome.notice = problems(calendar);

    const CalendarRule *rule = ruleForDay(calendar, today);
    noBells_ = rule && rule->none;
    outcome.choice = Choice{rule && !rule->none ? QDir(folder_).filePath(rule->program) : QString(),
                            rule ? rule->line : 0, noBells_};
    return outcome;
}

QString CalendarFollower::unreadable(const QString &why)
{
    // Read again well, the same contents count as a change: the day is chosen anew.
    readWell_ = false;
    if (why == troubleTold_)
        return {};
    troubleTold_ = why;
    return QStringLiteral("No se puede leer el calendario %1: %2. Hoy sigue el programa de "
                          "timbres que estaba en uso.")
        .arg(QDir::toNativeSeparators(path_), why);
}

// Each line's problem once, in one notice: a file with many bad lines is one box.
QString CalendarFollower::problems(Calendar &calendar)
{
    std::stable_sort(calendar.problems.begin(), calendar.problems.end(),
                     [](const auto &a, const auto &b) { return a.line < b.line; });
    QStringList fresh;
    for (const CalendarProblem &problem : calendar.problems) {
        const QString text = QStringLiteral("línea %1: %2").arg(problem.line).arg(problem.reason);
        if (!problemsTold_.contains(text) && !fresh.contains(text))
            fresh += text;
    }
    if (fresh.isEmpty())
        return {};
    problemsTold_ += fresh;
    constexpr qsizetype shown = 10;
    QString list = fresh.mid(0, shown).join(QStringLiteral("; "));
    if (fresh.size() > shown)
        list += QStringLiteral("; y %1 más").arg(fresh.size() - shown);
    return QStringLiteral("El calendario %1 tiene líneas que no se pueden usar y no cuentan "
                          "(las demás sí): %2.")
        .arg(QDir::toNativeSeparators(path_), list);
}
