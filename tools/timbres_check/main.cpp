// timbres-check: tells why a line of a bell program never rings, and what rings;
// with --hora, what rings at one second, and with --registro, what the operations
// log says happened then.
#include "bells/bell_program.h"
#include "host/small_file.h"
#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/log_replay.h"
#include "tools/timbres_check/log_report.h"
#include "tools/timbres_check/program_analysis.h"
#include "tools/timbres_check/report.h"
#include "tools/timbres_check/zone_shifts.h"

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

const char usage[] =
    "Uso: timbres-check [--hora HH:MM:SS]... [--registro REGISTRO]... [PROGRAMA]...\n"
    "Sin --hora: explica por qué no suena cada línea que parece un timbre, lista los\n"
    "repetidos, los timbres del día de cada canal y los que caen en un cambio de hora.\n"
    "Con --hora: para ese segundo del día, qué líneas hacen sonar qué canal y cuáles\n"
    "parecen de esa hora pero no suenan nunca, y por qué.\n"
    "Con --registro (y --hora): qué dice el registro que pasó a esa hora, ±5 s, cada\n"
    "día que cubre. Dé todos los ficheros del registro, en cualquier orden:\n"
    "  timbres-check --hora 08:00:00 --registro registro.2.txt --registro registro.1.txt\n"
    "                --registro registro.txt timbres_1.txt\n"
    "Sale con 2 si no puede leer un fichero o los argumentos no valen; si no, con 1 si\n"
    "alguna línea no suena nunca (con --hora: si a alguna de esas horas no suena ningún\n"
    "canal o una línea de esa hora no suena; con --registro: si algún día el registro\n"
    "no dice que sonara una línea del programa), y con 0 si todo suena. Lo que se hace\n"
    "sonar a mano con Prueba no cuenta como timbre.\n";

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
    std::vector<const char *> logs;
    std::vector<const char *> programs;
};

// Returns the exit status when the arguments say to end at once.
std::optional<int> parse(int argc, char **argv, Arguments &args)
{
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && (arg == "-h" || arg == "--help")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (options && arg == "--") {
            options = false;
            continue;
        }
        if (!options || arg.empty() || arg[0] != '-') {
            args.programs.push_back(argv[i]);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        if (name != "--hora" && name != "--registro")
            return fail("no conozco la opción «" + std::string(arg) + "».\n" + usage);
        const char *value = nullptr;
        if (equals != std::string_view::npos)
            value = argv[i] + equals + 1;
        else if (i + 1 < argc)
            value = argv[++i];
        else
            return fail(std::string(name) + " necesita un valor.");
        if (name == "--registro") {
            args.logs.push_back(value);
        } else if (const std::optional<int> second = secondOf(value)) {
            args.seconds.push_back(*second);
        } else {
            return fail("la hora «" + std::string(value) +
                        "» no vale: escríbala HH:MM:SS, de 00:00:00 a 23:59:59.");
        }
    }
    if (args.programs.empty() && args.logs.empty()) {
        std::fputs(usage, stderr);
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
    Arguments args;
    if (const std::optional<int> status = parse(argc, argv, args))
        return *status;

    int status = 0;
    const auto failed = [&](const char *name, const QString &why) {
        std::fflush(stdout);
        fail("no puedo leer «" + std::string(name) + "»: " + why.toStdString() + ".");
        status = 2;
    };

    const QTimeZone zone = QTimeZone::systemTimeZone();
    const std::vector<ClockChange> changes =
        args.seconds.empty() ? comingClockChanges(zone) : std::vector<ClockChange>{};
    SmallFileReader reader;
    std::vector<std::pair<QString, std::string>> programs; // by file name, for the log
    for (const char *name : args.programs) {
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
            fine = writeProgramReport(stdout, name, reader.contents(), changes,
                                      zone.id().toStdString());
        for (int second : args.seconds)
            fine = writeMomentReport(stdout, name, reader.contents(), second) && fine;
        if (!fine && status == 0)
            status = 1;
    }

    if (args.logs.empty())
        return status;
    std::vector<std::vector<LogEntry>> files;
    for (const char *name : args.logs) {
        QString why;
        int skipped = 0;
        std::optional<std::vector<LogEntry>> lines =
            readLogFile(QFile::decodeName(name), &skipped, &why);
        if (!lines) {
            failed(name, why);
            continue;
        }
        if (skipped == 1)
            std::printf("Aviso: una línea de «%s» no se entiende y no cuenta.\n", name);
        else if (skipped > 1)
            std::printf("Aviso: %d líneas de «%s» no se entienden y no cuentan.\n", skipped, name);
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
        if (!writeLogReport(stdout, log, *days, second, dueBells(programs, second)) && status == 0)
            status = 1;
    return status;
}
