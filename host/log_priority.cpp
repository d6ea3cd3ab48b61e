#include "host/log_priority.h"

#include <QLatin1StringView>

namespace {

constexpr int error = 3, warning = 4, info = 6;

// By word, not by LogEvent: a word added to the log later (a bell skipped) takes
// its priority here without this table following the enumeration.
constexpr const char *errorWords[] = {"APERTURA_FALLIDA", "PERDIDO", "ERROR_ENVIO",
                                      "PROGRAMA_ILEGIBLE"};
constexpr const char *warningWords[] = {"SALTO", "OMITIDO"};

bool among(QLatin1StringView word, const auto &words)
{
    for (const char *each : words)
        if (word == QLatin1StringView(each))
            return true;
    return false;
}

} // namespace

int logPriority(const LogEntry &entry)
{
    const QLatin1StringView word(logEventWord(entry.event));
    if (among(word, errorWords))
        return error;
    if (among(word, warningWords))
        return warning;
    // The clock out of synchronisation: when it is lost, and every hour it lasts.
    const QString unsynchronised = QStringLiteral("no");
    if ((entry.event == LogEvent::Reloj &&
         entry.detail(QLatin1StringView(LogKey::sincronizado)) == unsynchronised) ||
        (entry.event == LogEvent::Resumen &&
         entry.detail(QLatin1StringView(LogKey::relojSincronizado)) == unsynchronised))
        return warning;
    return info;
}
