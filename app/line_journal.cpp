#include "app/line_journal.h"

#include <QDir>

#include <cmath>

namespace {

const QString yes = QStringLiteral("si"), no = QStringLiteral("no");

QString text(qint64 n)
{
    return QString::number(n);
}

QString reading(const QDateTime &when)
{
    return when.toString(QLatin1StringView(logReadingFormat));
}

// A clock that moved more than this beyond the time that passed has been stepped.
constexpr qint64 stepMs = 1000;

} // namespace

LineJournal::LineJournal(OperationsLog &log, const Clock &clock, const ClockSync &clockSync)
    : log_(log), clock_(clock), clockSync_(clockSync)
{}

void LineJournal::tick()
{
    const QDateTime now = clock_.now();
    const qint64 monotonic = clock_.monotonicMs();
    if (lastTick_.isValid()) {
        const qint64 passed = monotonic - lastTickMonotonicMs_;
        const qint64 drift = lastTick_.msecsTo(now) - passed;
        if (std::abs(drift) > stepMs) {
            // The span the step covers: where the clock would be, to where it is.
            log_.write(LogEvent::Salto,
                       {{LogKey::segundos, (drift > 0 ? QStringLiteral("+") : QString()) +
                                               text(std::llround(double(drift) / 1000))},
                        {LogKey::desde, reading(lastTick_.addMSecs(passed))},
                        {LogKey::hasta, reading(now)}});
            figures_.lineStopped(); // the seconds stepped over were not missed
        }
    }
    lastTick_ = now;
    lastTickMonotonicMs_ = monotonic;

    // The kernel is asked once a second at most.
    const qint64 second = now.toSecsSinceEpoch();
    if (second != syncCheckedSecond_) {
        syncCheckedSecond_ = second;
        const bool synchronised = clockSync_.state().synchronised;
        if (synchronised_ && *synchronised_ != synchronised)
            log_.write(LogEvent::Reloj, {{LogKey::sincronizado, synchronised ? yes : no}});
        synchronised_ = synchronised;
    }
    if (!summaryDue_.isValid() || now < summaryDue_.addSecs(-3600))
        summaryDue_ = now.addSecs(3600);
    if (now >= summaryDue_) {
        summary();
        summaryDue_ = now.addSecs(3600);
    }
}

void LineJournal::summary()
{
    const LineSummary::Figures figures = figures_.take();
    const ClockSyncState sync = clockSync_.state();
    log_.write(LogEvent::Resumen, {{LogKey::tramas, text(figures.frames)},
                                   {LogKey::segundosIrregulares, text(figures.irregularSeconds)},
                                   {LogKey::retrasoMaxMs, text(figures.latestFirstMs)},
                                   {LogKey::relojSincronizado, sync.synchronised ? yes : no},
                                   {LogKey::errorEstimadoMs, text(sync.estimatedErrorMs)}});
}

void LineJournal::frameSent(const Frame &frame, const FiringSources &firingSources)
{
    outage_ = false;
    figures_.frameSent(clock_.now().toMSecsSinceEpoch());
    const FireFlags fires = firedChannels(frame[6]);
    for (std::size_t i = 0; i < firing_.size(); ++i) {
        if (fires[i] && !firing_[i])
            for (const FiringSource &source : firingSources[i]) {
                QList<std::pair<QString, QString>> details{{LogKey::canal, text(qint64(i) + 1)},
                                                           {LogKey::origen, source.origen}};
                if (source.lateSeconds > 0)
                    details.append({LogKey::tardeS, text(source.lateSeconds)});
                details.append({LogKey::trama, logFrameText(QByteArrayView(
                                                   frame.data(), qsizetype(frame.size())))});
                log_.write(LogEvent::Disparo, details);
            }
        firing_[i] = fires[i];
    }
}

void LineJournal::bellSkipped(int channel, const QString &origen, const QString &hora,
                              const QString &from, const QString &to)
{
    log_.write(LogEvent::Omitido, {{LogKey::canal, text(channel)},
                                   {LogKey::origen, origen},
                                   {LogKey::hora, hora},
                                   {LogKey::desde, from},
                                   {LogKey::hasta, to}});
}

void LineJournal::repetitionAvoided(int channel, const QString &origen, const QString &hora)
{
    log_.write(LogEvent::RepeticionEvitada,
               {{LogKey::canal, text(channel)}, {LogKey::origen, origen}, {LogKey::hora, hora}});
}

void LineJournal::frameNotSent(const QString &why)
{
    if (lost_)
        ++framesLost_;
    if (!outage_)
        log_.write(LogEvent::ErrorEnvio, {{LogKey::motivo, why}});
    outage_ = true;
    figures_.lineStopped();
}

void LineJournal::lineStopped()
{
    figures_.lineStopped();
    firing_ = {};
}

void LineJournal::deviceLost(const QString &why, int port)
{
    lost_ = true;
    framesLost_ = 0;
    log_.write(LogEvent::Perdido, {{LogKey::puerto, text(port)}, {LogKey::motivo, why}});
}

void LineJournal::deviceBack(int port)
{
    if (!lost_)
        return;
    lost_ = false;
    log_.write(LogEvent::Recuperado,
               {{LogKey::puerto, text(port)}, {LogKey::tramasPerdidas, text(framesLost_)}});
}

void LineJournal::programChosen(const QString &path, const LogDetails &why)
{
    if (path == programPath_)
        return;
    programPath_ = path;
    programTrouble_.reset();
    loneLineFeeds_ = false;
    log_.write(LogEvent::Programa,
               LogDetails{{LogKey::archivo, QDir::toNativeSeparators(path)}} + why);
}

void LineJournal::programRead(const QString &path, const QString &why, bool loneLineFeeds)
{
    const QString file = QDir::toNativeSeparators(path);
    if (!why.isEmpty() && programTrouble_ != why)
        log_.write(LogEvent::ProgramaIlegible, {{LogKey::archivo, file}, {LogKey::motivo, why}});
    else if (why.isEmpty() && programTrouble_ && !programTrouble_->isEmpty())
        log_.write(LogEvent::ProgramaLegible, {{LogKey::archivo, file}});
    programTrouble_ = why;
    if (loneLineFeeds && !loneLineFeeds_)
        log_.write(LogEvent::ProgramaSoloLf, {{LogKey::archivo, file}});
    loneLineFeeds_ = loneLineFeeds;
}
