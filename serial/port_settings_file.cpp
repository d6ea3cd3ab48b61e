#include "serial/port_settings_file.h"

#include "host/small_file.h"
#include "serial/number_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Blanks first, then digits with at most one decimal point, up to the first
// character that cannot continue the number; no digit gives 0.
double leadingNumber(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    double value = 0;
    double scale = 0; // 0 until the decimal point, then the weight of the next digit
    bool anyDigit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            anyDigit = true;
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else if (c == '.' && scale == 0) {
            scale = 0.1;
        } else {
            break;
        }
    }
    return anyDigit ? value : 0;
}

} // namespace

double savedPortValue(QByteArrayView content)
{
    qsizetype end = 0;
    while (end < content.size() && content[end] != '\r' && content[end] != '\n')
        ++end;
    if (end > longestFirstLine)
        return 0;
    const QByteArrayView line = content.first(end);
    if (line.contains('\0'))
        return 0;
    return leadingNumber(line.last(qMin<qsizetype>(2, line.size())));
}

double readSavedPort(const QString &path)
{
    // One byte beyond the longest line tells a long line from a short file. A file
    // that cannot be read is no saved port.
    SmallFileReader reader;
    if (!reader.read(path, longestFirstLine + 1, SmallFileReader::Beyond::ReadStart, nullptr))
        return 0;
    const std::string_view start = reader.contents();
    return savedPortValue(QByteArrayView(start.data(), qsizetype(start.size())));
}

QByteArray portSettingsLine(int port)
{
    return '"' + numberText(port).toLatin1() + "\"\r\n";
}

bool writeSavedPort(const QString &path, int port, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("No se pudo guardar el puerto en %1: %2")
                         .arg(QDir::toNativeSeparators(path), why);
        return false;
    };

    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(
            QStringLiteral("no se pudo crear la carpeta %1").arg(QDir::toNativeSeparators(folder)));

    QSaveFile file(path);
    // In a folder the operator may not write to (a shared station, a locked-down
    // account) the file can still be writable; then it is written in place, which
    // an interruption could leave half done, rather than not remembered at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const QByteArray line = portSettingsLine(port);
    // QSaveFile::commit() of Qt 6.4 ignores a write that fails only when its buffer
    // is flushed (a full disk, a file-size limit) and then replaces the file with
    // an empty one. Flushing here brings such a failure out while the old file is
    // still in place.
    if (file.write(line) != line.size() || !file.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
