#pragma once

#include "app/edition.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks of the program. Without --servicio the program is the
// window program, whose only options are --help and --version (and Qt's own, such
// as -platform, which are left to Qt).
struct CommandLine
{
    bool service = false; // --servicio: no display, every message box answered at once
    QString program;      // --programa NOMBRE: the bell program in use, in the data folder
    QString dataFolder;   // --datos CARPETA: instead of ~/Quirzal
    QString platform;     // Qt's -platform, where the window is to open
    QStringList devices;  // --dispositivo COMn=RUTA, each as given (app/service_places.h)
    QString alarm;        // --alarma ORDEN: the command run on a fault and its end
};

enum class CommandLineVerdict { Run, Help, Version, Refused };

// The arguments after the program's name. On a command line the program cannot
// run with, returns Refused with the reason, in Spanish, in *error.
CommandLineVerdict parseCommandLine(Edition edition, const QStringList &arguments,
                                    CommandLine *line, QString *error);

// The usage of this edition, in Spanish, from the options its parser knows.
QString commandLineUsage(Edition edition);

// Reads the process's arguments into *line. When the program ends there (--help,
// --version, a command line it cannot run with) prints what it has to say and
// gives the exit status: 0, or 2 with the reason and the usage on standard error.
std::optional<int> answerCommandLine(Edition edition, int argc, char *argv[], CommandLine *line);
