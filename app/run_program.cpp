#include "app/run_program.h"

#include "app/form1.h"
#include "host/host.h"
#include "host/signal_notifier.h"

#include <QApplication>

#include <csignal>

int runProgram(Edition edition, int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(programName(edition));

    SystemClock clock;
    ModalMessageBoxes messages(programName(edition));
    ProcessLauncher launcher;
    Host host{clock, messages, launcher, Places::system()};

    Form1 form(edition, host);
    messages.setParentWindow(&form);
    // A shutdown, a service manager or Ctrl+C ends the program as closing the window
    // does, even while a message box is open.
    SignalNotifier termination({SIGTERM, SIGINT});
    QObject::connect(&termination, &SignalNotifier::received, &form, &Form1::end);
    QObject::connect(&form, &Form1::ended, &app, [&messages] {
        messages.dismissAll();
        QApplication::quit();
    });

    if (host.places.homeFolder().isEmpty())
        messages.show(QStringLiteral(
            "No se encuentra la carpeta personal del usuario, donde está la carpeta de datos "
            "Quirzal: no se leerá ni guardará el puerto, no habrá programa de timbres por "
            "defecto y no se abrirá ningún puerto."));
    form.Form_Load();
    if (form.ending())
        return 0;
    form.show();
    return app.exec();
}
