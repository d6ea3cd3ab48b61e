#include "app/alarm_policy.h"

#include <gtest/gtest.h>

// When the alarm command runs, along one line of the log and the time that passes:
// a fault and its end once each, at most once a minute each, and what a minute
// held back run after it only if it still stands.
TEST(AlarmPolicy, OneRunPerFaultAndKindAMinuteEndingOnHowThingsStand)
{
    struct Row
    {
        qint64 atMs;
        LogEvent event; // Fin: no line, only the time passing
        LogDetails details;
        QStringList runs; // each run's arguments joined by '|', in order
    };
    const LogDetails lost{{"puerto", "2"}, {"motivo", "Se perdió"}};
    const Row rows[] = {
        {0, LogEvent::Recuperado, {{"puerto", "2"}}, {}}, // no fault was told
        {0, LogEvent::Perdido, lost, {"PERDIDO|puerto=2|motivo=Se perdió"}},
        {1000, LogEvent::Perdido, lost, {}},
        {2000, LogEvent::Recuperado, {{"puerto", "2"}}, {"RECUPERADO|puerto=2"}},
        {3000, LogEvent::Perdido, lost, {}}, // within the minute: held back
        {4000, LogEvent::Recuperado, {{"puerto", "2"}}, {}},
        {61000, LogEvent::Fin, {}, {}}, // back as told last: nothing to run
        {62000, LogEvent::Perdido, lost, {"PERDIDO|puerto=2|motivo=Se perdió"}},
        {63000, LogEvent::Recuperado, {{"puerto", "2"}}, {"RECUPERADO|puerto=2"}},
        {64000, LogEvent::Perdido, {{"puerto", "2"}, {"motivo", "otra vez"}}, {}},
        {65000, LogEvent::Fin, {}, {}},
        {121999, LogEvent::Fin, {}, {}},
        // Lost again and never back: run with its last details once the minute of
        // the PERDIDO run at 62 s is over, and only then.
        {122000, LogEvent::Fin, {}, {"PERDIDO|puerto=2|motivo=otra vez"}},
        {123000, LogEvent::Fin, {}, {}},
        {130000, LogEvent::Reloj, {{"sincronizado", "no"}}, {"RELOJ|sincronizado=no"}},
        {131000, LogEvent::Resumen, {{"reloj_sincronizado", "no"}}, {}},
        {132000, LogEvent::Reloj, {{"sincronizado", "si"}}, {"RELOJ|sincronizado=si"}},
        {133000, LogEvent::AperturaFallida, {{"puerto", "1"}}, {"APERTURA_FALLIDA|puerto=1"}},
        {134000, LogEvent::Abierto, {{"puerto", "1"}}, {"ABIERTO|puerto=1"}},
        {135000, LogEvent::ProgramaIlegible, {{"archivo", "t"}}, {"PROGRAMA_ILEGIBLE|archivo=t"}},
        {136000, LogEvent::Disparo, {{"canal", "1"}}, {}},
        {137000, LogEvent::ProgramaLegible, {{"archivo", "t"}}, {"PROGRAMA_LEGIBLE|archivo=t"}},
    };
    AlarmPolicy policy;
    for (const Row &row : rows) {
        const QList<QStringList> runs = row.event == LogEvent::Fin
                                            ? policy.due(row.atMs)
                                            : policy.take(row.event, row.details, row.atMs);
        QStringList joined;
        for (const QStringList &run : runs)
            joined += run.join(u'|');
        EXPECT_EQ(joined, row.runs) << row.atMs;
    }
    EXPECT_FALSE(policy.nextDueMs()) << "nothing held back";
}
