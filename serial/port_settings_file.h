#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// "puertos.txt", where Sonvira keeps the serial port between runs: one line of a
// double quote, the port's number text, a double quote and CR LF, so port 3 is the
// six bytes 22 20 33 22 0D 0A. The file is opened, used and closed by each call.

// The saved port value of a file that holds these bytes: the last two characters
// of the first line (the whole line when shorter) read as a leading number. The
// first line ends at CR LF, CR or LF. A first line that is empty, holds a NUL
// byte or runs longer than longestFirstLine is no saved port and gives 0.
double savedPortValue(QByteArrayView content);

// The same rule on the file at path. A file that is missing or unreadable, a
// folder or anything else that is not a plain file, gives 0. Only the beginning of
// the file is read, and nothing here waits for a writer.
double readSavedPort(const QString &path);

// The port of a file that reads, by that rule, as one of COM1 to COM4: what a
// reload may take. Otherwise nothing, with why in *why (in Spanish, a phrase that
// follows the file's name): missing, empty, cut short or naming another port.
std::optional<int> readValidSavedPort(const QString &path, QString *why);

// The line the file holds for a port.
QByteArray portSettingsLine(int port);

// Replaces the file at path with the line of the port, creating its folder when
// missing. The old file stays whole until the new one is complete on disk; the
// new one is renamed over the name, so a link there is replaced, never written
// through. In a folder the account may not write to, a plain file is rewritten
// in place, a link never. On
// failure returns false and puts a description for the operator in *error.
bool writeSavedPort(const QString &path, int port, QString *error);

inline constexpr qsizetype longestFirstLine = 4096;
