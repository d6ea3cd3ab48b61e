#include "tools/satelite/satelite_options.h"

#include "tools/satelite/tty_device.h"

#include "host/command_usage.h"

#include <QCommandLineParser>

namespace {

bool positiveNumber(const QString &text, int max, int *value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > max)
        return false;
    *value = n;
    return true;
}

// In the order the usage lists them.
QList<QCommandLineOption> sateliteOptions()
{
    return {
        QCommandLineOption(QStringLiteral("pty"),
                           QStringLiteral("crea un pseudoterminal y lo enlaza como ENLACE (por "
                                          "ejemplo\n~/Quirzal/COM1), para que el programa lo "
                                          "abra como su puerto"),
                           QStringLiteral("ENLACE")),
        QCommandLineOption(QStringLiteral("device"),
                           QStringLiteral("escucha, sin escribir nunca, en un puerto serie que ya "
                                          "existe"),
                           QStringLiteral("TTY")),
        QCommandLineOption(QStringLiteral("speed"),
                           QStringLiteral("velocidad de --device: 300, 600, 1200, 2400, 4800 o "
                                          "9600 (300)"),
                           QStringLiteral("BAUDIOS")),
        QCommandLineOption(QStringLiteral("preset"),
                           QStringLiteral("cuánto suena cada canal desde la primera trama que lo "
                                          "dispara (5)"),
                           QStringLiteral("SEGUNDOS")),
        QCommandLineOption(QStringLiteral("text"),
                           QStringLiteral("una línea por suceso en la salida estándar, sin "
                                          "ventana")),
        QCommandLineOption(QStringLiteral("stats"),
                           QStringLiteral("resumen de tiempos de la línea en la salida estándar, "
                                          "cada minuto\ny al terminar: tramas por segundo del "
                                          "reloj, retraso de la\nprimera trama de cada segundo, "
                                          "segundos sin trama")),
        helpOption(),
        versionOption(),
    };
}

} // namespace

QString sateliteUsage()
{
    return commandUsage(QStringLiteral("Uso: satelite (--pty ENLACE | --device TTY) [--preset "
                                       "SEGUNDOS] [--speed BAUDIOS] [--text]\n"
                                       "              [--stats]\n"
                                       "     satelite --help | --version"),
                        sateliteOptions());
}

bool parseSateliteOptions(const QStringList &arguments, SateliteOptions *options, QString *error)
{
    QCommandLineParser parser;
    // Qt's options go to the window (run-demo.sh places it with -qwindowgeometry).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(sateliteOptions() + qtOwnOptions());
    if (!parser.parse(arguments)) {
        *error = commandLineMistake(parser, arguments.mid(1));
        return false;
    }
    options->help = parser.isSet(QStringLiteral("help"));
    options->version = parser.isSet(QStringLiteral("version"));
    if (options->help || options->version)
        return true;
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("argumento de más: %1").arg(parser.positionalArguments().first());
        return false;
    }
    const QString pty = QStringLiteral("pty"), device = QStringLiteral("device"),
                  speed = QStringLiteral("speed"), preset = QStringLiteral("preset");
    options->ptyLink = parser.value(pty);
    options->device = parser.value(device);
    options->text = parser.isSet(QStringLiteral("text"));
    options->stats = parser.isSet(QStringLiteral("stats"));
    if (options->ptyLink.isEmpty() == options->device.isEmpty()) {
        *error = QStringLiteral("indique --pty o --device, uno de los dos");
        return false;
    }
    if (parser.isSet(preset) &&
        !positiveNumber(parser.value(preset), 3600, &options->presetSeconds)) {
        *error = QStringLiteral("--preset quiere un número de segundos entre 1 y 3600");
        return false;
    }
    if (parser.isSet(speed) && (!positiveNumber(parser.value(speed), 9600, &options->baud) ||
                                !isLineSpeed(options->baud))) {
        *error = QStringLiteral("--speed quiere 300, 600, 1200, 2400, 4800 o 9600");
        return false;
    }
    return true;
}
