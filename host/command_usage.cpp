#include "host/command_usage.h"

#include <QStringList>

QString projectVersion()
{
    return QStringLiteral(SONVIRA_VERSION);
}

QString commandUsage(const QString &synopsis, const QList<QCommandLineOption> &options)
{
    constexpr qsizetype column = 22;
    QString text = synopsis + QStringLiteral("\n\n");
    for (const QCommandLineOption &option : options) {
        if (option.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        QStringList names;
        for (const QString &name : option.names())
            names += (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString entry = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            entry += QLatin1Char(' ') + option.valueName();
        // Each line of the description under the one before, from the same column.
        const QStringList lines = option.description().split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            if (entry.size() >= column)
                entry += QLatin1Char('\n') + QString(column, QLatin1Char(' '));
            text += entry.leftJustified(column) + line + QLatin1Char('\n');
            entry.clear();
        }
    }
    return text;
}

QList<QCommandLineOption> qtOwnOptions()
{
    QList<QCommandLineOption> options;
    for (const char *name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet",
          "session", "display", "geometry", "qwindowgeometry", "qwindowtitle", "qwindowicon"})
        options += QCommandLineOption(QLatin1String(name), {}, QStringLiteral("valor"));
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        options += QCommandLineOption(QLatin1String(name), QString());
    for (QCommandLineOption &option : options)
        option.setFlags(QCommandLineOption::HiddenFromHelp);
    return options;
}

QCommandLineOption helpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("muestra este uso y termina"));
}

QCommandLineOption versionOption()
{
    return QCommandLineOption(QStringLiteral("version"),
                              QStringLiteral("muestra la versión y termina"));
}

QString commandLineMistake(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        for (const QString &argument : arguments) {
            QString bare = argument.section(QLatin1Char('='), 0, 0);
            while (bare.startsWith(QLatin1Char('-')))
                bare.remove(0, 1);
            if (argument.startsWith(QLatin1Char('-')) && bare == name)
                return QStringLiteral("opción desconocida: %1").arg(argument);
        }
        return QStringLiteral("opción desconocida: %1").arg(name);
    }
    // Qt's other two mistakes name the argument between quotes (Qt's texts, which
    // no translation of ours changes).
    const QString argument = parser.errorText().section(QLatin1Char('\''), 1, 1);
    if (parser.errorText().startsWith(QLatin1String("Missing value")))
        return QStringLiteral("falta el valor de %1").arg(argument);
    return QStringLiteral("opción que no lleva valor: %1").arg(argument);
}
