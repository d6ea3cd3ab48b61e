// The clock tick: twice a second it shows the time and, while the port is open,
// fires what the bell program makes due and sends the satellites the time frame.
#include "app/clickable_label.h"
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/handlers/system_detected.h"
#include "bells/bell_program.h"
#include "bells/channel_rules.h"
#include "bells/tick_steps.h"
#include "serial/mscomm.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopedValueRollback>

#include <cstdlib>

namespace {

QString unreadableProgramNotice(const QString &path, const QString &why)
{
    const QString consequence =
        QStringLiteral("Los relojes siguen en hora, pero no sonará ningún timbre del programa.");
    if (path.isEmpty())
        return QStringLiteral("No hay ningún programa de timbres seleccionado en \"Programa en "
                              "uso\". ") +
               consequence;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return QStringLiteral("No existe el programa de timbres %1. ")
                   .arg(QDir::toNativeSeparators(path)) +
               consequence;
    return QStringLiteral("No se puede leer el programa de timbres %1: %2. ")
               .arg(QDir::toNativeSeparators(path), why) +
           consequence;
}

QString loneLineFeedNotice(const QString &path)
{
    return QStringLiteral(
               "El programa de timbres %1 tiene líneas que terminan solo con un salto de línea "
               "(LF), como las guarda un editor de Linux: esas líneas se leen unidas y sus "
               "timbres no sonarán, o sonarán a otra hora. Guárdelo con finales de línea CR LF "
               "(los de Windows); \"timbres-check %1\" muestra qué líneas están afectadas.")
        .arg(QDir::toNativeSeparators(path));
}

// The wall clock as it reads, as TickSteps counts it.
std::int64_t wallMs(const QDateTime &when)
{
    return when.date().toJulianDay() * 86400000 + when.time().msecsSinceStartOfDay();
}

QString wallReading(std::int64_t ms)
{
    return QDate::fromJulianDay(ms / 86400000).toString(u"yyyy-MM-dd") + u'T' +
           QTime::fromMSecsSinceStartOfDay(int(ms % 86400000)).toString(u"HH:mm:ss.zzz");
}

QString timeOfDay(int second)
{
    return QTime::fromMSecsSinceStartOfDay(second * 1000).toString(u"HH:mm:ss");
}

// A bell of the program in a span of wall seconds, with the wall second it stood for.
struct SpanBell
{
    DueLine line;
    std::int64_t wallSecond = 0;
};

std::vector<SpanBell> bellsIn(std::string_view program, SecondSpan span)
{
    std::vector<SpanBell> bells;
    for (const DayPiece &piece : dayPieces(span))
        for (const DueLine &line : dueLinesBetween(program, piece.first, piece.last))
            bells.push_back({line, piece.wallFirst + (line.second - piece.first)});
    return bells;
}

QString skippedBellsNotice(const TickSteps::Tick &step, std::int64_t nowMs, const QString &program,
                           const std::vector<SpanBell> &bells)
{
    const auto shown = [](std::int64_t ms) {
        return QDate::fromJulianDay(ms / 86400000).toString(u"dd/MM/yyyy") + u' ' +
               QTime::fromMSecsSinceStartOfDay(int(ms % 86400000)).toString(u"HH:mm:ss");
    };
    QStringList listed;
    constexpr std::size_t mostListed = 10;
    for (std::size_t i = 0; i < bells.size() && i < mostListed; ++i)
        listed += QStringLiteral("canal %1 a las %2 (línea %3)")
                      .arg(bells[i].line.channel)
                      .arg(timeOfDay(bells[i].line.second))
                      .arg(bells[i].line.line);
    if (bells.size() > mostListed)
        listed += QStringLiteral("y %1 más (están en el registro)").arg(bells.size() - mostListed);
    return QStringLiteral("El reloj del PC ha saltado de %1 a %2, %3 segundos hacia adelante. "
                          "No se han tocado estos timbres de %4, porque sonarían con más de "
                          "%5 segundos de retraso: %6.")
        .arg(shown(step.expectedMs), shown(nowMs))
        .arg((nowMs - step.expectedMs + 500) / 1000)
        .arg(program)
        .arg(TickSteps::catchUpSeconds)
        .arg(listed.join(QStringLiteral(", ")));
}

} // namespace

void Form1::Label6_Click()
{
    Label6->setText(regionalTimeText(host_.clock.now().time()));
}

void Form1::Timer1_Timer()
{
    followCalendar(); // first: a bell at 00:00:00 rings by the new day's program
    Label6_Click();
    journal_.tick();
    journal_.programChosen(programInUse());
    // The clock is followed with the port closed too: a step back then still holds
    // back what rang before it.
    const QDateTime now = host_.clock.now();
    const TickSteps::Tick step = tickSteps_.next(wallMs(now), host_.clock.monotonicMs());
    if (!MSComm1->portOpen()) {
        Texto_Mensajes->setText(QStringLiteral("Detenido..."));
        return;
    }
    const std::string tickTime = tickTimeText(now.time());

    QString notice;
    FireFlags onTime = dueFromProgram(tickTime, &notice);
    std::vector<LateBell> late;
    const QString stepNotice = stepBells(step, wallMs(now), &onTime, &late);
    FireFlags due = onTime;
    for (const LateBell &bell : late)
        due[std::size_t(bell.channel - 1)] = true;

    const std::optional<TickResult> result =
        tickChannels(channelWords(), enabledChannels(), tickTime, due);
    if (!result)
        return; // not a time of day: nothing a satellite could show
    setChannelWords(result->words);

    Texto_a_Enviar->setText(QString::fromLatin1(tickTime.data(), qsizetype(tickTime.size())));
    Texto_Mensajes->setText(sendingText(QStringLiteral("Enviando...")));
    sendFrame(result->frame, firingSources(result->frame, onTime, late, tickTime));

    if (!notice.isEmpty()) {
        const QScopedValueRollback open(programNoticeOpen_, true);
        host_.messages.show(notice);
    }
    if (!stepNotice.isEmpty() && !stepNoticeOpen_) {
        const QScopedValueRollback open(stepNoticeOpen_, true);
        host_.messages.show(stepNotice);
    }
}

// What a step of the clock does to the program just read: the bells of the seconds
// a small step forward jumped over ring now, late; those of a larger one are told
// as skipped, in the log and once to the operator; those of seconds the clock runs
// through again after a step back are held back, the bells of this second too. A
// normal tick looks at nothing more than its own second.
QString Form1::stepBells(const TickSteps::Tick &step, std::int64_t nowMs, FireFlags *onTime,
                         std::vector<LateBell> *late)
{
    if (step.due.empty())
        *onTime = {};
    // Rung late, a bell is due for the rest of the second the clock landed in, as if
    // that were its time: an odd second then carries it in both frames.
    if (step.second == lateSecond_ && !step.due.empty())
        *late = lateThisSecond_;
    if (step.due.first >= step.second && step.skipped.empty() && step.heldBack.empty())
        return {};
    const std::string_view contents = program_.contents();
    const QString program = QFileInfo(programInUse()).fileName();
    const auto origen = [&](const DueLine &line) {
        return QStringLiteral("%1:%2").arg(program).arg(line.line);
    };
    for (const SpanBell &bell : bellsIn(contents, {step.due.first, step.second - 1}))
        late->push_back({bell.line.channel, origen(bell.line), int(step.second - bell.wallSecond)});
    if (!late->empty()) {
        lateThisSecond_ = *late;
        lateSecond_ = step.second;
    }
    for (const SpanBell &bell : bellsIn(contents, step.heldBack))
        journal_.repetitionAvoided(bell.line.channel, origen(bell.line),
                                   timeOfDay(bell.line.second));
    const std::vector<SpanBell> skipped = bellsIn(contents, step.skipped);
    for (const SpanBell &bell : skipped)
        journal_.bellSkipped(bell.line.channel, origen(bell.line), timeOfDay(bell.line.second),
                             wallReading(step.expectedMs), wallReading(nowMs));
    return skipped.empty() ? QString() : skippedBellsNotice(step, nowMs, program, skipped);
}

// The name chosen last: when that file has gone, it is still the one asked for,
// and the operator is told that it is missing rather than that none is chosen.
QString Form1::programInUse() const
{
    const QString name = File2->rememberedName();
    return name.isEmpty() ? QString() : QDir(File2->path()).filePath(name);
}

// The program that "Programa en uso" shows is looked at on every tick, so an edit
// or another choice counts from this very tick; it is read again only when its
// file changed (another file, size or time of change), so that a large program at
// rest costs a tick no more than a small one. One that cannot be read fires
// nothing; the frame still goes out, since the satellites keep the time without a
// program. A program read with lines joined (line feeds alone) is read by the same
// rule as ever, and the operator told why its bells may not ring. Each trouble is
// told once, after the frame, and again only once the program was free of it in
// between.
FireFlags Form1::dueFromProgram(const std::string &tickTime, QString *notice)
{
    const QString path = programInUse();
    const auto tellOnce = [&](bool &told, const QString &text) {
        if (!told && !programNoticeOpen_) {
            told = true;
            *notice = text;
        }
    };
    if (path.isEmpty()) {
        tellOnce(programTroubleTold_, unreadableProgramNotice(path, {}));
        return {};
    }
    QString why;
    bool fresh = false;
    if (!program_.readIfChanged(path, maxProgramSize, SmallFileReader::Beyond::Refuse, &why,
                                &fresh)) {
        journal_.programRead(path, why, false);
        tellOnce(programTroubleTold_, unreadableProgramNotice(path, why));
        schedule_ = {}; // the next read that succeeds is a fresh one
        return {};
    }
    if (fresh) {
        schedule_ = BellSchedule(program_.contents());
        programLoneLineFeeds_ = hasLoneLineFeed(program_.contents());
    }
    programTroubleTold_ = false;
    journal_.programRead(path, {}, programLoneLineFeeds_);
    if (programLoneLineFeeds_)
        tellOnce(lineFeedsTold_, loneLineFeedNotice(path));
    else
        lineFeedsTold_ = false;
    return schedule_.dueChannels(tickTime);
}

// Asked only when the frame fires a channel: the schedule of the program just read
// knows the lines.
FiringSources Form1::firingSources(const Frame &frame, FireFlags due,
                                   const std::vector<LateBell> &late,
                                   const std::string &tickTime) const
{
    FiringSources sources;
    if (firedChannels(frame[6]) == FireFlags{})
        return sources;
    const std::array<int, 3> lines =
        due == FireFlags{} ? std::array<int, 3>{} : schedule_.dueLineNumbers(tickTime);
    const QString program = QFileInfo(programInUse()).fileName();
    for (const LateBell &bell : late)
        sources[std::size_t(bell.channel - 1)].append({bell.origen, bell.lateSeconds});
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (due[i])
            sources[i].append({QStringLiteral("%1:%2").arg(program).arg(lines[i])});
        else if (sources[i].isEmpty())
            sources[i].append({QStringLiteral("Prueba")});
    }
    return sources;
}

// Ticks go on while the boxes are open. The status is written first, as the state
// of the line at this tick: written after the boxes it could cover a later tick's
// news. A lost line fails every tick: the pair of boxes comes at the first failing
// tick of an outage and then at most once a minute while it lasts, so that the
// operator can still reach "Cerrar puerto"; never while one pair is open. The line
// coming back ends the outage.
void Form1::sendFrame(const Frame &frame, const FiringSources &sources)
{
    const QByteArray bytes(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
    if (MSComm1->setOutput(bytes)) {
        sendFailureToldAt_ = {};
        journal_.frameSent(frame, sources);
        emit frameHandled(true);
        return;
    }
    const QString description = MSComm1->errorString();
    journal_.frameNotSent(description);
    emit frameHandled(false);
    Texto_Mensajes->setText(QStringLiteral("Ocurrió error al enviar"));
    const QDateTime now = host_.clock.now();
    const bool remind = !sendFailureToldAt_.isValid() ||
                        std::abs(sendFailureToldAt_.secsTo(now)) >= sendFailureReminderSeconds;
    if (sendFailureOpen_ || !remind)
        return;
    sendFailureToldAt_ = now;
    const QScopedValueRollback open(sendFailureOpen_, true);
    host_.messages.show(
        QStringLiteral("Ocurrió un error al intentar acceder a repetidores esclavos"));
    host_.messages.show(systemDetected(description));
}
