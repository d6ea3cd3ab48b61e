#include "app/run_program.h"

#include "app/form1.h"
#include "host/host.h"

#include <QApplication>

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
    form.Form_Load();
    form.show();
    return app.exec();
}
