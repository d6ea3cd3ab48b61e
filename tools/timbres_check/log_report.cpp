#include "tools/timbres_check/log_report.h"

#include "bells/tick_steps.h"
#include "tools/timbres_check/log_replay.h"
#include "tools/timbres_check/program_analysis.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>

namespace {

void put(std::FILE *out, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), out);
}

QString dateText(QDate day)
{
    return day.toString(QStringLiteral("dd/MM/yyyy"));
}

QString dayText(QDate day)
{
    static const char *const names[] = {"lunes",   "martes", "miércoles", "jueves",
                                        "viernes", "sábado", "domingo"};
    return QString::fromUtf8(names[day.dayOfWeek() - 1]) + QLatin1Char(' ') + dateText(day);
}

// "a las 17:30:02" (or "las 17:30:02", to follow "desde"), with the date when it
// is another day than `day`.
QString atText(const LogEntry &e, QDate day, bool afterDesde = false)
{
    const QString time = e.when.time().toString(QStringLiteral("HH:mm:ss"));
    if (e.when.date() == day)
        return (afterDesde ? QStringLiteral("las ") : QStringLiteral("a las ")) + time;
    return QStringLiteral("el %1 a las %2").arg(dateText(e.when.date()), time);
}

QString shown(const LogEntry &e)
{
    QByteArray line = formatLogLine(e);
    line.chop(1);
    return QString::fromUtf8(line);
}

QString quotedOrUnknown(const QString &value, const char *unknown)
{
    return value.isEmpty() ? QString::fromUtf8(unknown) : QStringLiteral("«%1»").arg(value);
}

QString origin(const QString &origen)
{
    if (origen == QLatin1StringView("Prueba"))
        return QStringLiteral("a mano, con Prueba");
    const qsizetype colon = origen.lastIndexOf(QLatin1Char(':'));
    bool number = false;
    const int line = colon > 0 ? origen.sliced(colon + 1).toInt(&number) : 0;
    if (number)
        return QStringLiteral("línea %1 de %2").arg(line).arg(origen.left(colon));
    return origen.isEmpty() ? QStringLiteral("origen desconocido") : origen;
}

QString firedText(const std::vector<LogEntry> &log, const DayFinding &f)
{
    QStringList fired;
    for (int i : f.bells) {
        const LogEntry &e = log[std::size_t(i)];
        fired << QStringLiteral("el canal %1 (%2) a las %3")
                     .arg(e.detail(QLatin1StringView(LogKey::canal)),
                          origin(e.detail(QLatin1StringView(LogKey::origen))),
                          e.when.time().toString(QStringLiteral("HH:mm:ss.zzz")));
        if (const int late = lateSeconds(e))
            fired.last() += QStringLiteral(", %1 s tarde: el reloj del PC se adelantó y saltó "
                                           "esa hora, y el timbre se tocó al momento")
                                .arg(late);
    }
    return QStringLiteral("sonó ") + fired.join(QStringLiteral("; ")) + QLatin1Char('.');
}

QString verdictText(const std::vector<LogEntry> &log, const DayFinding &f)
{
    if (f.verdict == Verdict::Fired)
        return firedText(log, f);
    if (f.verdict == Verdict::NoSuchTime)
        return QStringLiteral("esa hora no existió: el reloj se adelantó por el cambio de hora.");

    const LogEntry *cause = f.cause >= 0 ? &log[std::size_t(f.cause)] : nullptr;
    const QString at = cause ? atText(*cause, f.day) : QString();
    const QString since = cause ? atText(*cause, f.day, true) : QString();
    const auto detail = [&](const char *key) {
        return cause ? cause->detail(QLatin1StringView(key)) : QString();
    };
    const QString port =
        detail(LogKey::puerto).isEmpty() ? QString() : u' ' + detail(LogKey::puerto);
    const QString why = detail(LogKey::motivo).isEmpty()
                            ? QString()
                            : QStringLiteral(" (%1)").arg(detail(LogKey::motivo));
    const QString file = quotedOrUnknown(detail(LogKey::archivo), "en uso");
    const QString &program = f.program;

    switch (f.verdict) {
    case Verdict::BeforeLog:
        return QStringLiteral("el registro aún no había empezado (empieza %1).").arg(at);
    case Verdict::AfterLog:
        return QStringLiteral("el registro acaba antes (su última línea es %1).").arg(at);
    case Verdict::NotRunning:
        return QStringLiteral("no sonó: %1 no estaba en marcha (terminó %2).").arg(program, at);
    case Verdict::LogSilent:
        return QStringLiteral("no consta que sonara: %1 no escribe nada en el registro desde %2; "
                              "el PC estaba apagado o el programa se cortó sin escribir FIN.")
            .arg(program, since);
    case Verdict::PortClosed:
        if (cause && cause->event == LogEvent::Inicio)
            return QStringLiteral("no sonó: %1 no había abierto el puerto desde que arrancó, %2.")
                .arg(program, at);
        return QStringLiteral("no sonó: el puerto%1 estaba cerrado (se cerró %2).").arg(port, at);
    case Verdict::OpeningFailed:
        return QStringLiteral("no sonó: el puerto%1 no se pudo abrir%2, %3.").arg(port, why, at);
    case Verdict::DeviceLost:
        return QStringLiteral("no sonó: el dispositivo del puerto%1 se perdió %2%3 y no había "
                              "vuelto.")
            .arg(port, at, why);
    case Verdict::ProgramUnreadable:
        return QStringLiteral("no sonó: el programa de timbres %1 no se podía leer%2 desde %3.")
            .arg(file, why, since);
    case Verdict::ProgramLfOnly:
        return QStringLiteral("puede que no sonara: el programa de timbres %1 tiene saltos de "
                              "línea sin CR (desde %2), y el programa lee como una sola las "
                              "líneas que separan.")
            .arg(file, since);
    case Verdict::ClockSkipped:
        return QStringLiteral("no sonó: el reloj del PC se adelantó %1 s %2, y esa hora no llegó "
                              "a pasar.")
            .arg(detail(LogKey::segundos).remove(QLatin1Char('+')), at);
    case Verdict::Omitted:
        return QStringLiteral("no sonó: el reloj del PC saltó de %1 a %2 hacia adelante, más de "
                              "%3 s, y los timbres de las horas saltadas no se tocan tan tarde "
                              "(OMITIDO, %4).")
            .arg(detail(LogKey::desde).replace(QLatin1Char('T'), QLatin1Char(' ')).left(19),
                 detail(LogKey::hasta).replace(QLatin1Char('T'), QLatin1Char(' ')).left(19))
            .arg(TickSteps::catchUpSeconds)
            .arg(at);
    case Verdict::NothingInTheWay: {
        const LogEntry *chosen = f.programFile >= 0 ? &log[std::size_t(f.programFile)] : nullptr;
        const auto chosenDetail = [&](const char *key) {
            return chosen ? chosen->detail(QLatin1StringView(key)) : QString();
        };
        const QString rule = chosenDetail(LogKey::regla);
        if (chosen && chosenDetail(LogKey::archivo).isEmpty() && !rule.isEmpty())
            return QStringLiteral("no sonó: ese día el calendario decía «ninguno» (%1, desde "
                                  "%2).")
                .arg(rule, atText(*chosen, f.day, true));
        QString inUse =
            chosen ? QStringLiteral(" con el programa «%1»").arg(chosenDetail(LogKey::archivo))
                   : QString();
        if (!rule.isEmpty())
            inUse += QStringLiteral(", que eligió el calendario (%1)").arg(rule);
        return QStringLiteral("no sonó, y el registro no dice por qué: %1 estaba en marcha con el "
                              "puerto abierto%2. Mire qué líneas tiene el programa a esa hora "
                              "(timbres-check --hora).")
            .arg(program, inUse);
    }
    case Verdict::Fired:
    case Verdict::NoSuchTime:
        break;
    }
    return {};
}

} // namespace

bool writeLogReport(std::FILE *out, const std::vector<LogEntry> &log,
                    const std::vector<QDate> &days, int second, const std::vector<DueBell> &due,
                    const std::function<QString(const QDate &)> &dayNote)
{
    bool rang = true;
    put(out, QStringLiteral("== Registro a las %1 (±%2 s) ==\n")
                 .arg(QString::fromStdString(tickTimeText(second)))
                 .arg(logWindowSeconds));
    if (log.empty()) {
        put(out, QStringLiteral("El registro no tiene ninguna línea.\n"));
        return true;
    }
    for (const DayFinding &f : replayLog(log, days, second, due)) {
        // A day the log does not cover, or whose clock never showed that second, is
        // no bell missed.
        // Nor is a day the calendar gave no bells: silence was what it asked for.
        const LogEntry *chosen = f.programFile >= 0 ? &log[std::size_t(f.programFile)] : nullptr;
        const bool noBellsThatDay =
            f.verdict == Verdict::NothingInTheWay && chosen &&
            chosen->detail(QLatin1StringView(LogKey::archivo)).isEmpty() &&
            !chosen->detail(QLatin1StringView(LogKey::regla)).isEmpty();
        if (f.verdict != Verdict::Fired && f.verdict != Verdict::NoSuchTime &&
            f.verdict != Verdict::BeforeLog && f.verdict != Verdict::AfterLog && !noBellsThatDay)
            rang = false;
        QString text = dayText(f.day) + QStringLiteral(": ") + verdictText(log, f) + u'\n';
        if (const QString note = dayNote ? dayNote(f.day) : QString(); !note.isEmpty())
            text += QStringLiteral("  Ese día %1.\n").arg(note);
        const bool causeInWindow =
            std::find(f.window.begin(), f.window.end(), f.cause) != f.window.end();
        if (f.cause >= 0 && !causeInWindow)
            text += QStringLiteral("    ") + shown(log[std::size_t(f.cause)]) + u'\n';
        for (const DueBell &b : noBellsThatDay ? std::vector<DueBell>{} : f.notLogged) {
            rang = false;
            text += QStringLiteral("  No consta que sonara el canal %1 (%2).\n")
                        .arg(b.channel)
                        .arg(origin(b.origen));
        }
        if (f.byHand >= 0) {
            const LogEntry &e = log[std::size_t(f.byHand)];
            text += QStringLiteral("  Ojo: a las %1 se hizo sonar a mano el canal %2 (Prueba); "
                                   "eso no es el timbre del programa.\n")
                        .arg(e.when.time().toString(QStringLiteral("HH:mm:ss")),
                             e.detail(QLatin1StringView(LogKey::canal)));
        }
        if (f.repeatAvoided >= 0)
            text += QStringLiteral("  El reloj del PC se atrasó y volvió a pasar por esa hora "
                                   "%1: el timbre no se repitió (REPETICION_EVITADA).\n")
                        .arg(atText(log[std::size_t(f.repeatAvoided)], f.day));
        if (f.unsynchronised >= 0)
            text += QStringLiteral("  Además, el reloj del PC no estaba sincronizado (lo dice "
                                   "la línea de %1).\n")
                        .arg(atText(log[std::size_t(f.unsynchronised)], f.day));
        if (f.dropped >= 0) {
            const LogEntry &e = log[std::size_t(f.dropped)];
            text += QStringLiteral("  Ojo: faltan %1 líneas del registro antes de la de %2; "
                                   "puede faltar algo.\n")
                        .arg(e.detail(QLatin1StringView(LogKey::perdidas)), atText(e, f.day));
        }
        if (!f.window.empty())
            text += QStringLiteral("  Alrededor de esa hora:\n");
        for (int i : f.window)
            text += QStringLiteral("    ") + shown(log[std::size_t(i)]) + u'\n';
        put(out, text);
    }
    return rang;
}
