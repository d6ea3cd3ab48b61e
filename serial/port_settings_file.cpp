#include "serial/port_settings_file.h"

#include "host/small_file.h"
#include "serial/number_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
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

#ifdef Q_OS_UNIX
bool writeAll(int fd, const QByteArray &bytes)
{
    return ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size() &&
           ::fsync(fd) == 0;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A new file beside the old one, complete on disk, renamed over the name. False
// with *why empty when the folder takes no new file (try in place), with why when
// the writing itself failed.
bool replaceByRename(const QString &path, const QByteArray &line, QString *why)
{
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // As a plain file made by the program would be: the account's umask decides.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const bool written = writeAll(fd, line);
    const QString writeError = systemError();
    ::close(fd);
    if (written && ::rename(temporary.constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    *why = written ? systemError() : writeError;
    ::unlink(temporary.constData());
    return false;
}

// In a folder the operator may not write to (a shared station, a locked-down
// account) the file can still be writable; then it is written in place, which an
// interruption could leave half done, rather than not remembered at all. Never
// through a link, nor anything that is not a plain file.
bool rewriteInPlace(const QString &path, const QByteArray &line, QString *why)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        *why = fd < 0 && errno == ELOOP ? QStringLiteral("es un enlace simbólico y la carpeta "
                                                         "no admite archivos nuevos")
                                        : systemError();
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const bool done = ::ftruncate(fd, 0) == 0 && writeAll(fd, line);
    *why = systemError();
    ::close(fd);
    return done;
}
#endif

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

std::optional<int> readValidSavedPort(const QString &path, QString *why)
{
    SmallFileReader reader;
    if (!reader.read(path, longestFirstLine + 1, SmallFileReader::Beyond::ReadStart, why))
        return std::nullopt;
    const std::string_view start = reader.contents();
    const QByteArrayView content(start.data(), qsizetype(start.size()));
    const double value = savedPortValue(content);
    for (int port = 1; port <= 4; ++port) {
        if (value == port)
            return port;
    }
    if (why) {
        const QByteArrayView first = content.first(qMin<qsizetype>(content.size(), 40));
        const qsizetype end = first.indexOf('\n');
        *why = content.isEmpty()
                   ? QStringLiteral("el archivo está vacío")
                   : QStringLiteral("su primera línea («%1») no nombra ninguno de los puertos "
                                    "COM1 a COM4")
                         .arg(QString::fromLatin1(end < 0 ? first : first.first(end)).trimmed());
    }
    return std::nullopt;
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

    const QByteArray line = portSettingsLine(port);
#ifdef Q_OS_UNIX
    // QSaveFile would follow a link at the name and replace its target.
    QString why;
    if (replaceByRename(path, line, &why))
        return true;
    if (!why.isEmpty() || !rewriteInPlace(path, line, &why))
        return fail(why);
    return true;
#else
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
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
#endif
}
