#include "app/command_line.h"

#include "host/folder_listing.h"

#include <QDir>

bool parseCommandLine(Edition edition, const QStringList &arguments, CommandLine *line,
                      QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!arguments.contains(QStringLiteral("--servicio")))
        return true; // the window program: whatever else is there is Qt's

    if (edition == Edition::Repetidores)
        return fail(QStringLiteral("repetidores no funciona como servicio: nunca abre el puerto "
                                   "por sí mismo, así que no enviaría nada a los satélites. Use "
                                   "«Sonvira --servicio»."));
    *line = {};
    line->service = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QStringLiteral("--servicio"))
            continue;
        const bool takesValue = argument == QStringLiteral("--programa") ||
                                argument == QStringLiteral("--datos") ||
                                argument == QStringLiteral("--alarma");
        if (!takesValue)
            return fail(QStringLiteral("opción desconocida: %1").arg(argument));
        if (i + 1 == arguments.size() || arguments[i + 1].isEmpty())
            return fail(QStringLiteral("falta el valor de %1").arg(argument));
        const QString value = arguments[++i];
        // Run without a shell and with no PATH search: what the unit names is what runs.
        if (argument == QStringLiteral("--alarma")) {
            if (QDir::isRelativePath(value))
                return fail(QStringLiteral("la orden de alarma debe darse con su ruta completa, "
                                           "no «%1»")
                                .arg(value));
            line->alarm = value;
            continue;
        }
        if (argument == QStringLiteral("--datos")) {
            // Absolute: the launcher starts the program inside the data folder.
            if (QDir::isRelativePath(value))
                return fail(QStringLiteral("la carpeta de datos debe darse con su ruta completa, "
                                           "no «%1»")
                                .arg(value));
            line->dataFolder = QDir::cleanPath(value);
            continue;
        }
        // The same programs "Programa en uso" offers: a file of the data folder.
        if (value.contains(QLatin1Char('/')) || !matchesPattern(value, u"timbres*.txt"))
            return fail(QStringLiteral("el programa de timbres debe ser un archivo de la carpeta "
                                       "de datos cuyo nombre sea timbres*.txt, no «%1»")
                            .arg(value));
        line->program = value;
    }
    return true;
}
