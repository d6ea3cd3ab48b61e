// satelite: a virtual satellite on a pseudo-terminal, or a listener on a real line.
#include "tools/satelite/event_text.h"
#include "tools/satelite/line_source.h"
#include "tools/satelite/line_timing.h"
#include "tools/satelite/monitor_session.h"
#include "tools/satelite/monitor_window.h"
#include "tools/satelite/pty_link.h"
#include "tools/satelite/quit_on_signal.h"
#include "tools/satelite/satelite_options.h"
#include "tools/satelite/tty_device.h"

#include "host/command_usage.h"

#include <QApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

void say(const QString &text)
{
    std::fprintf(stderr, "satelite: %s\n", text.toLocal8Bit().constData());
}

void printLine(const std::string &line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::int64_t wallClockMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Feeds the timing figures from the session and prints them just after each
// wall-clock minute; the total is the caller's to print at the end.
void reportTiming(MonitorSession &session, LineTiming &timing, QTimer &minuteTimer)
{
    // The events of a read are delivered within the read, so the clock read here
    // is the reception time.
    QObject::connect(&session, &MonitorSession::eventsHappened, &session,
                     [&timing](const std::vector<LineEvent> &events) {
                         const std::int64_t now = wallClockMs();
                         for (const LineEvent &event : events) {
                             if (event.kind == LineEvent::Kind::Frame)
                                 timing.frame(now);
                             else if (event.kind == LineEvent::Kind::Close)
                                 timing.close(now);
                         }
                     });
    constexpr std::int64_t minuteMs = 60'000;
    // A few ms past the minute, so that its last second is over.
    const auto armForNextMinute = [&minuteTimer] {
        minuteTimer.start(int(minuteMs - wallClockMs() % minuteMs + 5));
    };
    minuteTimer.setSingleShot(true);
    minuteTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&minuteTimer, &QTimer::timeout, &session, [&timing, armForNextMinute] {
        const std::int64_t now = wallClockMs();
        timing.advance(now);
        const QString minute = QDateTime::fromMSecsSinceEpoch(now - now % minuteMs - 1)
                                   .toString(QStringLiteral("HH:mm"));
        printLine(timingLine("minuto " + minute.toStdString(), timing.takePeriod()));
        armForNextMinute();
    });
    armForNextMinute();
}

bool hasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return platform != "offscreen" && platform != "minimal";
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    SateliteOptions options;
    QString error;
    if (!parseSateliteOptions(arguments, &options, &error)) {
        say(error);
        std::fprintf(stderr, "\n%s", sateliteUsage().toLocal8Bit().constData());
        return 2;
    }
    if (options.help) {
        std::fputs(sateliteUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("satelite %s\n", qPrintable(projectVersion()));
        return 0;
    }

    const bool window = !options.text && hasDisplay();
    std::unique_ptr<QCoreApplication> app;
    if (window)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    if (!window && !options.text)
        say(QStringLiteral("no hay pantalla: escribo los sucesos en la salida, como con --text"));
    quitOnTerminationSignals();

    PtyLink link;
    int fd = -1;
    QString where;
    if (!options.ptyLink.isEmpty()) {
        if (!link.create(options.ptyLink, &error)) {
            say(error);
            return 1;
        }
        fd = link.masterFd();
        where = QStringLiteral("%1 (%2)").arg(link.linkPath(), link.slavePath());
    } else {
        fd = openListeningTty(options.device, options.baud, &error);
        if (fd < 0) {
            say(error);
            return 1;
        }
        where =
            QStringLiteral("%1 a %2 baudios, solo escucha").arg(options.device).arg(options.baud);
    }

    MonitorSession session(options.presetSeconds);
    LineSource source(fd);
    QObject::connect(&source, &LineSource::bytesArrived, &session, &MonitorSession::receive);
    QObject::connect(&source, &LineSource::lost, app.get(), [](const QString &reason) {
        say(QStringLiteral("la línea se ha perdido: %1").arg(reason));
        QCoreApplication::exit(1);
    });

    std::unique_ptr<MonitorWindow> monitorWindow;
    if (window) {
        monitorWindow = std::make_unique<MonitorWindow>(session, where);
        QObject::connect(&session, &MonitorSession::eventsHappened, monitorWindow.get(),
                         &MonitorWindow::appendEvents);
        QObject::connect(&session, &MonitorSession::refreshed, monitorWindow.get(),
                         &MonitorWindow::refresh);
        monitorWindow->show();
    } else {
        QObject::connect(&session, &MonitorSession::eventsHappened, app.get(),
                         [](const std::vector<LineEvent> &events) {
                             for (const LineEvent &event : events)
                                 std::printf("%s\n", eventLine(event).c_str());
                             std::fflush(stdout);
                         });
    }
    LineTiming timing;
    QTimer minuteTimer;
    if (options.stats)
        reportTiming(session, timing, minuteTimer);
    say(QStringLiteral("escuchando en %1").arg(where));

    const int status = app->exec();
    if (options.stats) {
        timing.advance(wallClockMs());
        printLine(timingLine("total", timing.total()));
    }
    monitorWindow.reset();
    if (options.ptyLink.isEmpty())
        ::close(fd);
    return status;
}
