#include "serial/port_settings_file.h"

#include "serial/number_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// The beginning of a plain file, at most limit bytes; empty for anything else.
QByteArray readBeginning(const QString &path, qsizetype limit)
{
#ifdef Q_OS_UNIX
    // Opening a FIFO would wait for a writer and opening a tty would raise its
    // modem lines, so only a plain file is opened at all, and then checked again
    // in case the name changed hands in between.
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.resize(limit);
        qsizetype got = 0;
        while (got < limit) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(limit - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                got = 0; // a read error leaves nothing to trust
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got);
    }
    ::close(fd);
    return bytes;
#else
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(limit);
#endif
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
    // One byte beyond the longest line tells a long line from a short file.
    return savedPortValue(readBeginning(path, longestFirstLine + 1));
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
