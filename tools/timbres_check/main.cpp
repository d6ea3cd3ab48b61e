// timbres-check: tells why a line of a bell program never rings, and what rings.
#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/program_analysis.h"
#include "tools/timbres_check/report.h"
#include "tools/timbres_check/zone_shifts.h"

#include <QDateTime>
#include <QTimeZone>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

std::string reason(int error)
{
    switch (error) {
    case ENOENT:
        return "no existe";
    case EACCES:
        return "no tengo permiso para leerlo";
    case EISDIR:
        return "es una carpeta";
    default:
        return std::strerror(error);
    }
}

std::optional<std::string> readWhole(const char *path, std::string *error)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file) {
        *error = reason(errno);
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    const bool failed = std::ferror(file);
    const int readError = errno;
    std::fclose(file);
    if (failed) {
        *error = reason(readError);
        return std::nullopt;
    }
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs("Uso: timbres-check FICHERO...\n"
                   "Explica por qué no suena cada línea que parece un timbre, lista los "
                   "repetidos,\nlos timbres del día de cada canal y los que caen en un cambio "
                   "de hora.\nSale con 0 si todo suena, 1 si alguna línea no suena, 2 si no "
                   "puede leer un fichero.\n",
                   argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }

    // This year and the next: the changes the program will live through soon.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime until(QDate(now.date().year() + 1, 12, 31), QTime(23, 59, 59), zone);
    const std::vector<ClockChange> changes = clockChanges(zoneShifts(zone, now, until));
    const std::string zoneName = zone.id().toStdString();

    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::string error;
        const std::optional<std::string> text = readWhole(argv[i], &error);
        if (!text) {
            std::fprintf(stderr, "timbres-check: no puedo leer «%s»: %s\n", argv[i], error.c_str());
            status = 2;
            continue;
        }
        const ProgramAnalysis analysis = analyseProgram(*text);
        const std::string report = programReport(
            argv[i], analysis, daylightWarnings(analysis.schedule, changes), zoneName);
        std::fputs(report.c_str(), stdout);
        if (!analysis.everyBellFires() && status == 0)
            status = 1;
    }
    return status;
}
