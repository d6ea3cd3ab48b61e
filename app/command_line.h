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
    QString alarm;        // --alarma ORDEN: the command run on a fault and its end
};

// The arguments after the program's name. On a command line the program cannot
// run with, returns false with the reason, in Spanish, in *error.
bool parseCommandLine(Edition edition, const QStringList &arguments, CommandLine *line,
                      QString *error);

inline constexpr char commandLineUsage[] =
    "Uso: Sonvira [--servicio [--programa NOMBRE] [--datos CARPETA] [--alarma ORDEN]]\n"
    "  --servicio         funciona sin pantalla: cada mensaje va al registro y a la\n"
    "                     salida de errores, y el puerto guardado se abre al empezar\n"
    "  --programa NOMBRE  el programa de timbres en uso, un archivo timbres*.txt de la\n"
    "                     carpeta de datos (por defecto timbres_1.txt)\n"
    "  --datos CARPETA    la carpeta de datos, en lugar de ~/Quirzal\n"
    "  --alarma ORDEN     la orden (ruta completa) que se ejecuta al empezar y al acabar\n"
    "                     una avería, con la palabra del registro y sus datos\n";
