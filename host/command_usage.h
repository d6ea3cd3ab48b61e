#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

// The version every command prints for --version: the project's own.
QString projectVersion();

// The usage text a command prints for --help and after a wrong option, in Spanish:
// the synopsis lines, then one entry per option the parser knows (hidden ones left
// out), so what the text lists is what the parser accepts.
QString commandUsage(const QString &synopsis, const QList<QCommandLineOption> &options);

// Qt's own options (-platform, -qwindowgeometry and the like), which QApplication
// takes out of the arguments itself: hidden from the usage, known to the parser so
// that a window program starts with them. Qt writes them with one dash, so a parser
// that knows them reads -word as one option, not as letters
// (QCommandLineParser::ParseAsLongOptions).
QList<QCommandLineOption> qtOwnOptions();

// The conventional pair, with Spanish descriptions.
QCommandLineOption helpOption();
QCommandLineOption versionOption();

// Why the parser refused the arguments (the command's own, after its name), in
// Spanish: an unknown option as it was written, a value missing, or one given to an
// option that takes none.
QString commandLineMistake(const QCommandLineParser &parser, const QStringList &arguments);
