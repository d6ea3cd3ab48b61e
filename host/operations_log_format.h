#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

// One line of the operations log, the file that both programs append an event to
// (~/Quirzal/registro.txt), and that timbres-check reads back:
//
//   2026-12-07 08:00:00.021 Sonvira DISPARO canal=2 origen="timbres_1.txt:14" trama="60 57 43"
//
// Local date and time with milliseconds, the program, the event word, then details
// as key=value. docs/registro.md describes every word. Writer and reader both go
// through the functions below, so the two cannot drift apart.

enum class LogEvent {
    Inicio,
    Fin,
    Abierto,
    AperturaFallida,
    Cerrado,
    Despedida,
    Perdido,
    Recuperado,
    Disparo,
    ErrorEnvio,
    Programa,
    ProgramaIlegible,
    ProgramaLegible,
    ProgramaSoloLf,
    PuertoGuardado,
    PuertoNoGuardado,
    Resumen,
    Reloj,
    Salto,
    Mensaje,
};

// The words as they stand in the file, in the order of LogEvent.
inline constexpr std::array<const char *, 20> logEventWords = {
    "INICIO",
    "FIN",
    "ABIERTO",
    "APERTURA_FALLIDA",
    "CERRADO",
    "DESPEDIDA",
    "PERDIDO",
    "RECUPERADO",
    "DISPARO",
    "ERROR_ENVIO",
    "PROGRAMA",
    "PROGRAMA_ILEGIBLE",
    "PROGRAMA_LEGIBLE",
    "PROGRAMA_SOLO_LF",
    "PUERTO_GUARDADO",
    "PUERTO_NO_GUARDADO",
    "RESUMEN",
    "RELOJ",
    "SALTO",
    "MENSAJE",
};
static_assert(logEventWords.size() == std::size_t(LogEvent::Mensaje) + 1);

inline const char *logEventWord(LogEvent event)
{
    return logEventWords[std::size_t(event)];
}

// The detail keys, shared by whoever writes a line and whoever reads it.
namespace LogKey {
inline constexpr char puerto[] = "puerto";
inline constexpr char dispositivo[] = "dispositivo";
inline constexpr char ajustes[] = "ajustes";
inline constexpr char motivo[] = "motivo";
inline constexpr char tramasPerdidas[] = "tramas_perdidas";
inline constexpr char canal[] = "canal";
inline constexpr char origen[] = "origen";
inline constexpr char trama[] = "trama";
inline constexpr char archivo[] = "archivo";
inline constexpr char tramas[] = "tramas";
inline constexpr char segundosIrregulares[] = "segundos_irregulares";
inline constexpr char retrasoMaxMs[] = "retraso_max_ms";
inline constexpr char relojSincronizado[] = "reloj_sincronizado";
inline constexpr char errorEstimadoMs[] = "error_estimado_ms";
inline constexpr char sincronizado[] = "sincronizado";
inline constexpr char segundos[] = "segundos";
inline constexpr char texto[] = "texto";
inline constexpr char regla[] = "regla"; // calendario.txt:<line>, the rule that chose a program
inline constexpr char perdidas[] = "perdidas"; // log lines dropped before this one
} // namespace LogKey

// The writer starts a new file (registro.txt -> registro.1.txt -> registro.2.txt)
// once the current one passes logRotationSize; a reader refuses a file beyond
// maxLogFileSize, which no rotated log reaches.
inline constexpr std::int64_t logRotationSize = 1024 * 1024;
inline constexpr std::int64_t maxLogFileSize = 4 * logRotationSize;

struct LogEntry
{
    QDateTime when; // written and read as local time
    QString program;
    LogEvent event = LogEvent::Inicio;
    QList<std::pair<QString, QString>> details;

    // The value of the first detail with that key; null when there is none.
    QString detail(QLatin1StringView key) const;
    friend bool operator==(const LogEntry &, const LogEntry &) = default;
};

// The line with its LF. The program and the keys are words of letters, digits,
// '_', '.' and '-'; any other character in them is written as '_'.
QByteArray formatLogLine(const LogEntry &entry);

// A line with or without its LF (or CR LF). Nothing for an unknown event word or
// a line not made as formatLogLine makes it, so that a reader skips it.
std::optional<LogEntry> parseLogLine(QByteArrayView line);

// A frame as the trama detail holds it: its bytes in upper-case hex, one blank apart.
QString logFrameText(QByteArrayView frame);
