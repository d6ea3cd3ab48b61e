#include "app/run_program.h"

#include "app/alarms.h"
#include "app/command_line.h"
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/graphical_session.h"
#include "app/port_reload.h"
#include "app/service_places.h"
#include "app/qt_messages_to_log.h"
#include "app/service_notifier.h"
#include "host/host.h"
#include "host/service_manager.h"
#include "host/signal_notifier.h"
#include "serial/mscomm.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

int runProgram(Edition edition, int argc, char *argv[])
{
    CommandLine line;
    if (const std::optional<int> status = answerCommandLine(edition, argc, argv, &line))
        return *status;
    // A service has no display: the window is made, and never shown. The minimal
    // platform looks up no fonts, which a service's account may have no cache for.
    std::optional<QtMessagesToLog> qtMessages;
    if (line.service) {
        qputenv("QT_QPA_PLATFORM", "minimal");
        qtMessages.emplace();
    } else if (const std::optional<int> status = refuseWithoutDisplay(edition, line.platform)) {
        return *status;
    }

    auto session = std::make_unique<GraphicalSessionGuard>(edition);
    QApplication app(argc, argv);
    session.reset();
    QApplication::setApplicationName(programName(edition));

    SystemClock clock;
    SystemClockSync clockSync;
    Places places({}, {});
    QString error;
    if (!setUpPlaces(line, &places, &error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(programName(edition)),
                     error.toLocal8Bit().constData());
        return 2;
    }
    FileOperationsLog log(places.dataFolder(), programName(edition), clock);
    log.setWriterMode(line.service ? LogWriterMode::Servicio : LogWriterMode::Ventana);
    const auto detach = qScopeGuard([&qtMessages] {
        if (qtMessages)
            qtMessages->attach(nullptr);
    });
    std::optional<AlarmCommand> alarmCommand;
    std::optional<Alarms> alarms;
    if (!line.alarm.isEmpty()) {
        alarmCommand.emplace(line.alarm);
        alarms.emplace(log, *alarmCommand);
    }
    OperationsLog &events = alarms ? static_cast<OperationsLog &>(*alarms) : log;
    std::unique_ptr<MessageBoxes> messages;
    if (line.service) {
        // Under systemd, standard error is the journal: it gets every line of the log.
        log.setEcho(stderr);
        qtMessages->attach(&log);
        auto answered = std::make_unique<AnsweredMessageBoxes>(programName(edition));
        answered->alsoTell([&log](const QString &text) {
            log.write(LogEvent::Mensaje, {{LogKey::texto, text}});
        });
        messages = std::move(answered);
    } else {
        messages = std::make_unique<ModalMessageBoxes>(programName(edition));
    }
    ProcessLauncher launcher;
    Host host{clock, *messages, launcher, places, events, clockSync};
    log.write(LogEvent::Inicio);
    struct Ended
    {
        OperationsLog &log;
        ~Ended() { log.write(LogEvent::Fin); }
    } ended{log};

    Form1 form(edition, host);
    std::optional<ServiceNotifier> notifier;
    if (line.service)
        notifier.emplace(form, clock, notifyServiceManager);
    auto *modal = dynamic_cast<ModalMessageBoxes *>(messages.get());
    if (modal)
        modal->setParentWindow(&form);
    // A shutdown, a service manager or Ctrl+C ends the program as closing the window
    // does, even while a message box is open. A service reloads on SIGHUP; the
    // window program keeps the default there (its terminal went away).
    SignalNotifier signals_ = line.service ? SignalNotifier({SIGTERM, SIGINT, SIGHUP})
                                           : SignalNotifier({SIGTERM, SIGINT});
    std::unique_ptr<PortReload> reload;
    if (line.service)
        reload = std::make_unique<PortReload>(form);
    QObject::connect(&signals_, &SignalNotifier::received, &form, [&form, &reload](int signal) {
        if (signal != SIGHUP)
            form.end();
        else if (reload)
            reload->request();
    });
    QObject::connect(&form, &Form1::ended, &app, [modal, &notifier] {
        if (notifier)
            notifier->stopping();
        if (modal)
            modal->dismissAll();
        QApplication::quit();
    });

    if (host.places.dataFolder().isEmpty())
        messages->show(QStringLiteral(
            "No se encuentra la carpeta personal del usuario, donde está la carpeta de datos "
            "Quirzal: no se leerá ni guardará el puerto, no habrá programa de timbres por "
            "defecto y no se abrirá ningún puerto."));
    if (!line.program.isEmpty())
        form.setStartProgram(QDir(host.places.dataFolder()).filePath(line.program));
    form.Form_Load();
    if (form.ending())
        return 0;
    if (notifier)
        notifier->ready();
    if (!line.service)
        form.show();
    return app.exec();
}
