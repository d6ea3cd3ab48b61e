// timbres-check: tells why a line of a bell program never rings, and what rings;
// with --hora, what rings at one second, and with --registro, what the operations
// log says happened then; with --calendario, what the calendar makes ring each day.
#include "bells/bell_program.h"
#include "bells/calendar.h"
#include "host/command_usage.h"
#include "host/small_file.h"
#include "tools/timbres_check/calendar_lookahead.h"
#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/log_replay.h"
#include "tools/timbres_check/log_report.h"
#include "tools/timbres_check/program_analysis.h"
#include "tools/timbres_check/report.h"
#include "tools/timbres_check/zone_shifts.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

const QString synopsis = QStringLiteral(
    "Uso: timbres-check [--hora HH:MM:SS]... [--registro REGISTRO]... [PROGRAMA]...\n"
    "     timbres-check --calendario CALENDARIO [--desde AAAA-MM-DD] [--dias N]\n"
    "     timbres-check --calendario CALENDARIO --fecha AAAA-MM-DD --hora HH:MM:SS\n"
    "Sin --hora: explica por qué no suena cada línea que parece un timbre, lista los\n"
    "repetidos, los timbres del día de cada canal y los que caen en un cambio de hora.\n"
    "Con --registro, dé todos los ficheros del registro, en cualquier orden:\n"
    "  timbres-check --hora 08:00:00 --registro registro.2.txt --registro registro.1.txt\n"
    "                --registro registro.txt timbres_1.txt\n"
    "Sale con 2 si no puede leer un fichero o los argumentos no valen; si no, con 1 si\n"
    "alguna línea no suena nunca (con --hora: si a alguna de esas horas no suena ningún\n"
    "canal o una línea de esa hora no suena; con --registro: si algún día el registro\n"
    "no dice que sonara una línea del programa; con --calendario: si hay algún aviso),\n"
    "y con 0 si todo suena. Lo que se hace sonar a mano con Prueba no cuenta como timbre.");

// "HH:MM:SS", "H:MM:SS", "HH:MM" or "H:MM" to a second of the day.
std::optional<int> secondOf(std::string_view text)
{
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t colon = text.find(':', at);
        fields.push_back(text.substr(at, colon - at));
        if (colon == std::string_view::npos)
            break;
        at = colon + 1;
    }
    if (fields.size() < 2 || fields.size() > 3)
        return std::nullopt;
    const int limits[] = {24, 60, 60};
    int second = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string_view f = fields[i];
        if (f.empty() || f.size() > 2 || (i > 0 && f.size() != 2) ||
            f.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        const int value = std::stoi(std::string(f));
        if (value >= limits[i])
            return std::nullopt;
        second += value * (i == 0 ? 3600 : i == 1 ? 60 : 1);
    }
    return second;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "timbres-check: %s\n", message.c_str());
    return 2;
}

struct Arguments
{
    std::vector<int> seconds;
    std::vector<QByteArray> logs;
    std::vector<QByteArray> programs;
    QString calendar;
    QDate from;
    int days = 14;
    QDate date; // --fecha
};

std::optional<QDate> dateOf(const QString &text)
{
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return date.isValid() && text.size() == 10 ? std::optional(date) : std::nullopt;
}

// Returns the exit status when the arguments say to end at once.
std::optional<int> parse(const QStringList &arguments, Arguments &args)
{
    QCommandLineParser parser;
    const QCommandLineOption hora(
        QStringLiteral("hora"),
        QStringLiteral("para ese segundo del día, qué líneas hacen sonar qué canal y\n"
                       "cuáles parecen de esa hora pero no suenan nunca, y por qué"),
        QStringLiteral("HH:MM:SS"));
    const QCommandLineOption registro(
        QStringLiteral("registro"),
        QStringLiteral("con --hora, qué dice el registro que pasó a esa hora, ±5 s,\n"
                       "cada día que cubre"),
        QStringLiteral("REGISTRO"));
    const QCommandLineOption calendario(
        QStringLiteral("calendario"),
        QStringLiteral("qué programa toca cada día, por qué regla, cuántos timbres en\n"
                       "qué canales, el primero y el último; después, los avisos"),
        QStringLiteral("CALENDARIO"));
    const QCommandLineOption desde(QStringLiteral("desde"),
                                   QStringLiteral("con --calendario, el primer día (hoy si no "
                                                  "se dice)"),
                                   QStringLiteral("AAAA-MM-DD"));
    const QCommandLineOption dias(QStringLiteral("dias"),
                                  QStringLiteral("con --calendario, cuántos días (14)"),
                                  QStringLiteral("N"));
    const QCommandLineOption fecha(QStringLiteral("fecha"),
                                   QStringLiteral("con --calendario y --hora, qué suena ese día "
                                                  "a esa hora"),
                                   QStringLiteral("AAAA-MM-DD"));
    const QCommandLineOption help = helpOption();
    const QCommandLineOption version = versionOption();
    const QList<QCommandLineOption> options{hora, registro, calendario, desde,
                                            dias, fecha,    help,       version};
    parser.addOptions(options);
    const QByteArray usage = commandUsage(synopsis, options).toLocal8Bit();
    if (!parser.parse(arguments))
        return fail(commandLineMistake(parser, arguments.mid(1)).toStdString() + "\n\n" +
                    usage.constData());
    if (parser.isSet(help)) {
        std::fputs(usage.constData(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("timbres-check %s\n", qPrintable(projectVersion()));
        return 0;
    }
    for (const QString &value : parser.values(hora)) {
        const std::optional<int> second = secondOf(value.toStdString());
        if (!second)
            return fail("la hora «" + value.toStdString() +
                        "» no vale: escríbala HH:MM:SS, de 00:00:00 a 23:59:59.");
        args.seconds.push_back(*second);
    }
    for (const QString &value : parser.values(registro))
        args.logs.push_back(QFile::encodeName(value));
    for (const QString &value : parser.positionalArguments())
        args.programs.push_back(QFile::encodeName(value));
    args.calendar = parser.value(calendario);
    const bool calendar = parser.isSet(calendario);
    for (const QCommandLineOption *option : {&desde, &dias, &fecha})
        if (parser.isSet(*option) && !calendar)
            return fail("--" + option->names().first().toStdString() +
                        " va con --calendario: diga qué calendario.");
    args.from = QDate::currentDate();
    if (parser.isSet(desde) &&
        !(args.from = dateOf(parser.value(desde)).value_or(QDate())).isValid())
        return fail("la fecha «" + parser.value(desde).toStdString() +
                    "» no vale: escríbala AAAA-MM-DD.");
    if (parser.isSet(dias)) {
        bool ok = false;
        args.days = parser.value(dias).toInt(&ok);
        if (!ok || args.days < 1 || args.days > 3660)
            return fail("--dias quiere un número de días entre 1 y 3660.");
    }
    if (parser.isSet(fecha)) {
        if (!(args.date = dateOf(parser.value(fecha)).value_or(QDate())).isValid())
            return fail("la fecha «" + parser.value(fecha).toStdString() +
                        "» no vale: escríbala AAAA-MM-DD.");
        if (args.seconds.empty())
            return fail("--fecha necesita --hora: diga de qué hora de ese día quiere saber.");
    }
    if (args.programs.empty() && args.logs.empty() && !calendar) {
        std::fputs(usage.constData(), stderr);
        return 2;
    }
    if (!args.logs.empty() && args.seconds.empty())
        return fail("--registro necesita --hora: diga de qué hora quiere saber lo que pasó.");
    return std::nullopt;
}

// The daylight-saving changes of this year and the next: the ones the program will
// live through soon.
std::vector<ClockChange> comingClockChanges(const QTimeZone &zone)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime until(QDate(now.date().year() + 1, 12, 31), QTime(23, 59, 59), zone);
    return clockChanges(zoneShifts(zone, now, until));
}

// The bells the programs given ring at `second`, as their DISPARO names them.
std::vector<DueBell> dueBells(const std::vector<std::pair<QString, std::string>> &programs,
                              int second)
{
    std::vector<DueBell> due;
    const std::string tickTime = tickTimeText(second);
    for (const auto &[name, contents] : programs) {
        const std::array<int, 3> lines = dueLineNumbers(contents, tickTime);
        for (std::size_t c = 0; c < lines.size(); ++c)
            if (lines[c] > 0)
                due.push_back({int(c) + 1, QStringLiteral("%1:%2").arg(name).arg(lines[c])});
    }
    return due;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments += QString::fromLocal8Bit(argv[i]);
    Arguments args;
    if (const std::optional<int> status = parse(arguments, args))
        return *status;

    int status = 0;
    const auto failed = [&](const QByteArray &name, const QString &why) {
        std::fflush(stdout);
        fail("no puedo leer «" + name.toStdString() + "»: " + why.toStdString() + ".");
        status = 2;
    };

    const QTimeZone zone = QTimeZone::systemTimeZone();
    const std::vector<ClockChange> changes = args.seconds.empty() && !args.programs.empty()
                                                 ? comingClockChanges(zone)
                                                 : std::vector<ClockChange>{};
    SmallFileReader reader;
    std::string calendarText;
    std::optional<CalendarLookahead> calendar;
    if (!args.calendar.isEmpty()) {
        QString why;
        if (!reader.read(args.calendar, maxCalendarSize, SmallFileReader::Beyond::Refuse, &why))
            return fail("no puedo leer «" + args.calendar.toStdString() +
                        "»: " + why.toStdString() + ".");
        calendarText = std::string(reader.contents());
        calendar = CalendarLookahead{args.calendar, calendarText, QDate::currentDate(), zone};
        if (!args.date.isValid() && args.logs.empty()) {
            if (!writeCalendarReport(stdout, *calendar, args.from, args.days))
                status = 1;
        }
        for (int second : args.date.isValid() ? args.seconds : std::vector<int>{})
            if (!writeCalendarMoment(stdout, *calendar, args.date, second) && status == 0)
                status = 1;
    }
    std::vector<std::pair<QString, std::string>> programs; // by file name, for the log
    for (const QByteArray &name : args.programs) {
        QString why;
        if (!reader.read(QFile::decodeName(name), maxProgramSize, SmallFileReader::Beyond::Refuse,
                         &why)) {
            failed(name, why);
            continue;
        }
        if (!args.logs.empty())
            programs.emplace_back(QFileInfo(QFile::decodeName(name)).fileName(),
                                  std::string(reader.contents()));
        bool fine = true;
        if (args.seconds.empty())
            fine = writeProgramReport(stdout, name.toStdString(), reader.contents(), changes,
                                      zone.id().toStdString());
        for (int second : args.date.isValid() ? std::vector<int>{} : args.seconds)
            fine = writeMomentReport(stdout, name.toStdString(), reader.contents(), second) && fine;
        if (!fine && status == 0)
            status = 1;
    }

    if (args.logs.empty())
        return status;
    std::vector<std::vector<LogEntry>> files;
    for (const QByteArray &name : args.logs) {
        QString why;
        int skipped = 0;
        std::optional<std::vector<LogEntry>> lines =
            readLogFile(QFile::decodeName(name), &skipped, &why);
        if (!lines) {
            failed(name, why);
            continue;
        }
        if (skipped == 1)
            std::printf("Aviso: una línea de «%s» no se entiende y no cuenta.\n", name.constData());
        else if (skipped > 1)
            std::printf("Aviso: %d líneas de «%s» no se entienden y no cuentan.\n", skipped,
                        name.constData());
        files.push_back(std::move(*lines));
    }
    const std::vector<LogEntry> log = mergeLogs(std::move(files));
    QString why;
    const std::optional<std::vector<QDate>> days = daysToTell(log, &why);
    if (!days) {
        std::fflush(stdout);
        return fail(why.toStdString() + ".");
    }
    for (int second : args.seconds)
        if (!writeLogReport(stdout, log, *days, second, dueBells(programs, second),
                            [&](const QDate &day) {
                                return calendar ? calendarChoiceText(*calendar, day) : QString();
                            }) &&
            status == 0)
            status = 1;
    return status;
}
