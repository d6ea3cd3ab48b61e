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
//       pid=1234 modo=ventana
//
// Local date and time with milliseconds, the program, the event word, then details
// as key=value, the writer's last. docs/registro.md describes every word. Writer and reader both go
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
    PuertoIlegible,
    Resumen,
    Reloj,
    Salto,
    Mensaje,
    Omitido,
    RepeticionEvitada,
};

// The words as they stand in the file, in the order of LogEvent.
inline constexpr std::array<const char *, 23> logEventWords = {
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
    "PUERTO_ILEGIBLE",
    "RESUMEN",
    "RELOJ",
    "SALTO",
    "MENSAJE",
    "OMITIDO",
    "REPETICION_EVITADA",
};
static_assert(logEventWords.size() == std::size_t(LogEvent::RepeticionEvitada) + 1);

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
inline constexpr char tardeS[] = "tarde_s"; // a bell rung late, after a step of the clock
inline constexpr char hora[] = "hora";
inline constexpr char desde[] = "desde";
inline constexpr char hasta[] = "hasta";
inline constexpr char regla[] = "regla"; // calendario.txt:<line>, the rule that chose a program
inline constexpr char perdidas[] = "perdidas"; // log lines dropped before this one
// Who wrote the line, last on it: the process, and whether it runs as the window
// program or as the service. Lines of earlier versions have neither.
inline constexpr char pid[] = "pid";
inline constexpr char modo[] = "modo";
} // namespace LogKey

// The values of modo=.
enum class LogWriterMode { Ventana, Servicio };

inline const char *logWriterModeWord(LogWriterMode mode)
{
    return mode == LogWriterMode::Ventana ? "ventana" : "servicio";
}

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

// A wall-clock reading as desde and hasta hold it: "yyyy-MM-ddTHH:mm:ss.zzz", local.
inline constexpr char logReadingFormat[] = "yyyy-MM-ddTHH:mm:ss.zzz";

// A frame as the trama detail holds it: its bytes in upper-case hex, one blank apart.
QString logFrameText(QByteArrayView frame);
