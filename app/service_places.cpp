#include "app/service_places.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// "COMn=/full/path", n = 1 to 4.
bool nameDevice(const QString &given, Places *places, QString *error)
{
    static const QRegularExpression form(QStringLiteral("^COM([1-4])=(/.*)$"));
    const QRegularExpressionMatch match = form.match(given);
    if (!match.hasMatch()) {
        *error = QStringLiteral("--dispositivo debe darse como COMn=RUTA, con n de 1 a 4 y la "
                                "ruta completa del dispositivo, no «%1»")
                     .arg(given);
        return false;
    }
    places->setNamedPort(match.captured(1).toInt(), QDir::cleanPath(match.captured(2)));
    return true;
}

} // namespace

bool setUpPlaces(const CommandLine &line, Places *places, QString *error)
{
    if (!line.dataFolder.isEmpty()) {
        const QFileInfo folder(line.dataFolder);
        if (!folder.isDir()) {
            *error = QStringLiteral("la carpeta de datos %1 %2: debe existir antes de empezar "
                                    "(no se crea, por si el nombre está mal escrito)")
                         .arg(line.dataFolder, folder.exists() ? QStringLiteral("no es una carpeta")
                                                               : QStringLiteral("no existe"));
            return false;
        }
    } else if (qEnvironmentVariableIsSet("HOME")) {
        // Resolved against the working folder, a relative HOME would make another
        // data folder than the operator's, with none of its COMn links.
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty() || QDir::isRelativePath(home)) {
            *error = QStringLiteral("la variable HOME («%1») no es la ruta completa de la carpeta "
                                    "personal, donde está la carpeta de datos Quirzal")
                         .arg(home);
            return false;
        }
    }
    *places = Places::system();
    if (!line.dataFolder.isEmpty())
        places->setDataFolder(line.dataFolder);
    if (!line.service)
        return true;
    places->setSystemPorts({});
    for (const QString &device : line.devices) {
        if (!nameDevice(device, places, error))
            return false;
    }
    return true;
}
