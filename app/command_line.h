#pragma once

#include "app/edition.h"

#include <QString>
#include <QStringList>

// What the command line asks of the program. Without --servicio the program is the
// window program, which reads no arguments of its own (Qt's are left to Qt).
struct CommandLine
{
    bool service = false; // --servicio: no display, every message box answered at once
    QString program;      // --programa NOMBRE: the bell program in use, in the data folder
    QString dataFolder;   // --datos CARPETA: instead of ~/Quirzal
    QStringList devices;  // --dispositivo COMn=RUTA, each as given (app/service_places.h)
};

// The arguments after the program's name. On a command line the program cannot
// run with, returns false with the reason, in Spanish, in *error.
bool parseCommandLine(Edition edition, const QStringList &arguments, CommandLine *line,
                      QString *error);

inline constexpr char commandLineUsage[] =
    "Uso: Sonvira [--servicio [--programa NOMBRE] [--datos CARPETA] "
    "[--dispositivo COMn=RUTA]...]\n"
    "  --servicio         funciona sin pantalla: cada mensaje va al registro y a la\n"
    "                     salida de errores, y el puerto guardado se abre al empezar\n"
    "  --programa NOMBRE  el programa de timbres en uso, un archivo timbres*.txt de la\n"
    "                     carpeta de datos (por defecto timbres_1.txt)\n"
    "  --datos CARPETA    la carpeta de datos, en lugar de ~/Quirzal; debe existir\n"
    "  --dispositivo COMn=RUTA  el dispositivo de COMn cuando la carpeta de datos no\n"
    "                     tiene la entrada COMn; sin una ni otro, el servicio no abre\n"
    "                     ningún puerto del sistema\n";
