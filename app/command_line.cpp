#include "app/command_line.h"

#include "host/command_usage.h"
#include "host/folder_listing.h"

#include <QCommandLineParser>
#include <QDir>

#include <cstdio>
#include <utility>

namespace {

const QString servicio = QStringLiteral("servicio");
const QString programa = QStringLiteral("programa");
const QString datos = QStringLiteral("datos");
const QString dispositivo = QStringLiteral("dispositivo");
const QString alarma = QStringLiteral("alarma");

// The options each edition offers, in the order the usage lists them.
QList<QCommandLineOption> ownOptions(Edition edition)
{
    QList<QCommandLineOption> options{helpOption(), versionOption()};
    QCommandLineOption service(servicio,
                               QStringLiteral("funciona sin pantalla: cada mensaje va al registro "
                                              "y a la\nsalida de errores, y el puerto guardado se "
                                              "abre al empezar"));
    if (edition == Edition::Repetidores) {
        // Known only to say why repetidores cannot be one.
        service.setFlags(QCommandLineOption::HiddenFromHelp);
        return options << service;
    }
    return options << service
                   << QCommandLineOption(programa,
                                         QStringLiteral("con --servicio, el programa de timbres "
                                                        "en uso, un archivo\ntimbres*.txt de la "
                                                        "carpeta de datos (por defecto "
                                                        "timbres_1.txt)"),
                                         QStringLiteral("NOMBRE"))
                   << QCommandLineOption(datos,
                                         QStringLiteral("con --servicio, la carpeta de datos, con "
                                                        "su ruta completa,\nen lugar de "
                                                        "~/Quirzal"),
                                         QStringLiteral("CARPETA"))
                   << QCommandLineOption(dispositivo,
                                         QStringLiteral("con --servicio, el dispositivo de COMn "
                                                        "cuando la carpeta\nde datos no tiene la "
                                                        "entrada COMn; sin una ni otro, el\n"
                                                        "servicio no abre ningún puerto del "
                                                        "sistema (se puede repetir)"),
                                         QStringLiteral("COMn=RUTA"))
                   << QCommandLineOption(alarma,
                                         QStringLiteral("con --servicio, la orden (ruta completa) "
                                                        "que se ejecuta al\nempezar y al acabar "
                                                        "una avería, con la palabra del\nregistro "
                                                        "y sus datos"),
                                         QStringLiteral("ORDEN"));
}

} // namespace

CommandLineVerdict parseCommandLine(Edition edition, const QStringList &arguments,
                                    CommandLine *line, QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return CommandLineVerdict::Refused;
    };
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(ownOptions(edition) + qtOwnOptions());
    if (!parser.parse(QStringList{programName(edition)} + arguments))
        return refuse(commandLineMistake(parser, arguments));
    if (parser.isSet(QStringLiteral("help")))
        return CommandLineVerdict::Help;
    if (parser.isSet(QStringLiteral("version")))
        return CommandLineVerdict::Version;
    if (!parser.positionalArguments().isEmpty())
        return refuse(
            QStringLiteral("argumento de más: %1").arg(parser.positionalArguments().first()));
    *line = {};
    line->platform = parser.value(QStringLiteral("platform"));
    line->service = parser.isSet(servicio);
    if (line->service && edition == Edition::Repetidores)
        return refuse(QStringLiteral("repetidores no funciona como servicio: nunca abre el puerto "
                                     "por sí mismo, así que no enviaría nada a los satélites. Use "
                                     "«Sonvira --servicio»."));
    if (edition == Edition::Repetidores)
        return CommandLineVerdict::Run;
    for (const QString &name : {programa, datos, dispositivo, alarma}) {
        if (!parser.isSet(name))
            continue;
        if (!line->service)
            return refuse(QStringLiteral("--%1 solo sirve con --servicio").arg(name));
        if (parser.value(name).isEmpty())
            return refuse(QStringLiteral("falta el valor de --%1").arg(name));
    }
    line->devices = parser.values(dispositivo);
    // Full paths only. The alarm runs without a shell and with no PATH search, so
    // what the unit names is what runs; the launcher starts the program inside the
    // data folder, so a relative one would be taken from there.
    const QList<std::pair<QString, QString>> fullPaths{
        {alarma, QStringLiteral("la orden de alarma")},
        {datos, QStringLiteral("la carpeta de datos")}};
    for (const auto &[name, what] : fullPaths)
        if (parser.isSet(name) && QDir::isRelativePath(parser.value(name)))
            return refuse(QStringLiteral("%1 debe darse con su ruta completa, no «%2»")
                              .arg(what, parser.value(name)));
    line->alarm = parser.value(alarma);
    if (parser.isSet(datos))
        line->dataFolder = QDir::cleanPath(parser.value(datos));
    if (parser.isSet(programa)) {
        const QString value = parser.value(programa);
        // The same programs "Programa en uso" offers: a file of the data folder.
        if (value.contains(QLatin1Char('/')) || !matchesPattern(value, u"timbres*.txt"))
            return refuse(QStringLiteral("el programa de timbres debe ser un archivo de la "
                                         "carpeta de datos cuyo nombre sea timbres*.txt, no «%1»")
                              .arg(value));
        line->program = value;
    }
    return CommandLineVerdict::Run;
}

QString commandLineUsage(Edition edition)
{
    const QString synopsis =
        edition == Edition::Repetidores
            ? QStringLiteral("Uso: repetidores [--help | --version]\n"
                             "Sin opciones abre la ventana; todo se elige en ella.")
            : QStringLiteral("Uso: Sonvira [--servicio [--programa NOMBRE] [--datos CARPETA]\n"
                             "                [--dispositivo COMn=RUTA]... [--alarma ORDEN]]\n"
                             "     Sonvira --help | --version\n"
                             "Sin opciones abre la ventana; todo se elige en ella.");
    return commandUsage(synopsis, ownOptions(edition));
}

std::optional<int> answerCommandLine(Edition edition, int argc, char *argv[], CommandLine *line)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments += QString::fromLocal8Bit(argv[i]);
    QString error;
    switch (parseCommandLine(edition, arguments, line, &error)) {
    case CommandLineVerdict::Run:
        return std::nullopt;
    case CommandLineVerdict::Help:
        std::fputs(commandLineUsage(edition).toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLineVerdict::Version:
        std::printf("%s %s\n", qPrintable(programName(edition)), qPrintable(projectVersion()));
        return 0;
    case CommandLineVerdict::Refused:
        break;
    }
    std::fprintf(stderr, "%s: %s\n\n%s", qPrintable(programName(edition)),
                 error.toLocal8Bit().constData(),
                 commandLineUsage(edition).toLocal8Bit().constData());
    return 2;
}
