#include "tools/satelite/satelite_options.h"

#include "tools/satelite/tty_device.h"

#include <QCommandLineParser>

const char sateliteUsage[] =
    "Uso: satelite (--pty ENLACE | --device TTY) [--preset SEGUNDOS] [--speed BAUDIOS] [--text]\n"
    "              [--stats]\n"
    "\n"
    "  --pty ENLACE        crea un pseudoterminal y lo enlaza como ENLACE (por ejemplo\n"
    "                      ~/Quirzal/COM1), para que el programa lo abra como su puerto\n"
    "  --device TTY        escucha, sin escribir nunca, en un puerto serie que ya existe\n"
    "  --speed BAUDIOS     velocidad de --device: 300, 600, 1200, 2400, 4800 o 9600 (300)\n"
    "  --preset SEGUNDOS   cuánto suena cada canal desde la primera trama que lo dispara (5)\n"
    "  --text              una línea por suceso en la salida estándar, sin ventana\n"
    "  --stats             resumen de tiempos de la línea en la salida estándar, cada minuto\n"
    "                      y al terminar: tramas por segundo del reloj, retraso de la\n"
    "                      primera trama de cada segundo, segundos sin trama\n";

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

} // namespace

bool parseSateliteOptions(const QStringList &arguments, SateliteOptions *options, QString *error)
{
    QCommandLineParser parser;
    const QCommandLineOption pty(QStringLiteral("pty"), {}, QStringLiteral("enlace"));
    const QCommandLineOption device(QStringLiteral("device"), {}, QStringLiteral("tty"));
    const QCommandLineOption speed(QStringLiteral("speed"), {}, QStringLiteral("baudios"));
    const QCommandLineOption preset(QStringLiteral("preset"), {}, QStringLiteral("segundos"));
    const QCommandLineOption text(QStringLiteral("text"));
    const QCommandLineOption stats(QStringLiteral("stats"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({pty, device, speed, preset, text, stats, help});
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    options->help = parser.isSet(help);
    if (options->help)
        return true;
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("argumento de más: %1").arg(parser.positionalArguments().first());
        return false;
    }
    options->ptyLink = parser.value(pty);
    options->device = parser.value(device);
    options->text = parser.isSet(text);
    options->stats = parser.isSet(stats);
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
