#include "host/small_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("el archivo no existe");
    case EACCES:
    case EPERM:
        return QStringLiteral("no hay permiso para leerlo");
    case EISDIR:
        return QStringLiteral("es una carpeta, no un archivo");
    default:
        return QStringLiteral("no se pudo leer: ") + qt_error_string(error);
    }
}

QString tooLarge(std::int64_t limit)
{
    return QStringLiteral("es demasiado grande (más de %1)")
        .arg(limit % (1024 * 1024) == 0 ? QStringLiteral("%1 MB").arg(limit / (1024 * 1024))
                                        : QStringLiteral("%1 bytes").arg(limit));
}

// Folder, FIFO, device and size are judged from the file's status alone, so that
// nothing but a regular file of a sane size is ever opened. Empty when it may be
// read.
QString judge(const struct stat &status, std::int64_t limit, SmallFileReader::Beyond beyond)
{
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("es una carpeta, no un archivo");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("no es un archivo de texto normal");
    if (beyond == SmallFileReader::Beyond::Refuse && status.st_size > limit)
        return tooLarge(limit);
    return {};
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

bool SmallFileReader::read(const QString &path, std::int64_t limit, Beyond beyond, QString *error)
{
    answer_.reset();
    struct stat status;
    bool judged = false;
    return readStatus(path, limit, beyond, error, &status, &judged);
}

bool SmallFileReader::readIfChanged(const QString &path, std::int64_t limit, Beyond beyond,
                                    QString *error, bool *fresh)
{
    *fresh = false;
    if (answer_ && path == name_ && answer_->limit == limit && answer_->beyond == beyond) {
        struct stat status;
        if (::stat(nativeName_.constData(), &status) == 0 && stampOf(status) == answer_->stamp) {
            if (!answer_->refusal.isEmpty())
                return fail(error, answer_->refusal);
            return true; // contents_ still holds the bytes of that read
        }
    }
    *fresh = true;
    answer_.reset();
    struct stat status;
    bool judged = false;
    QString why;
    const bool read = readStatus(path, limit, beyond, &why, &status, &judged);
    if (error)
        *error = why;
    if (judged && !(read && mayStillChange(status)))
        answer_ = Answer{stampOf(status), limit, beyond, why};
    return read;
}

// *status is the status of the file read or turned away; *judged tells that the
// answer rests on that status alone, so that it holds while the status stays.
bool SmallFileReader::readStatus(const QString &path, std::int64_t limit, Beyond beyond,
                                 QString *error, struct stat *status, bool *judged)
{
    contents_ = {};
    if (path != name_) {
        name_ = path;
        nativeName_ = QFile::encodeName(path);
    }
    // The system would take the name only up to a NUL, which is another file.
    if (path.isEmpty() || nativeName_.contains('\0'))
        return fail(error, systemReason(ENOENT));

    if (::stat(nativeName_.constData(), status) != 0)
        return fail(error, systemReason(errno));
    if (const QString why = judge(*status, limit, beyond); !why.isEmpty()) {
        *judged = true;
        return fail(error, why);
    }

    // O_NONBLOCK: should the name have become a FIFO since the stat, the open must
    // not wait for a writer; O_NOCTTY: nor may a tty become ours. The fstat below
    // then turns it away.
    const Descriptor file(
        ::open(nativeName_.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        return fail(error, systemReason(errno));
    if (::fstat(file.get(), status) != 0)
        return fail(error, systemReason(errno));
    if (const QString why = judge(*status, limit, beyond); !why.isEmpty()) {
        *judged = true;
        return fail(error, why);
    }

    // The size seen by fstat bounds the read: a file that grows meanwhile is read
    // as it was, one that shrinks as far as it goes.
    const auto size = static_cast<std::size_t>(std::min<std::int64_t>(status->st_size, limit));
    if (!reserve(size))
        return fail(error, QStringLiteral("no hay memoria para leerlo"));
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(file.get(), buffer_.get() + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(error, systemReason(errno));
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    if (tally_)
        ++tally_->reads;
    contents_ = std::string_view(buffer_.get(), got);
    *judged = true;
    return true;
}

SmallFileReader::Stamp SmallFileReader::stampOf(const struct stat &status)
{
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

// A file's times are kept to the file system's grain (a few milliseconds, whole
// seconds on some): one written again within the grain of its last writing keeps
// its time. Until its time is seconds past, such a file may have changed under an
// unchanged status, and is read again.
bool SmallFileReader::mayStillChange(const struct stat &status)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return status.st_mtim.tv_sec >= now.tv_sec - 3 && status.st_mtim.tv_sec <= now.tv_sec + 3;
}

bool SmallFileReader::reserve(std::size_t size)
{
    if (size <= capacity_)
        return true;
    // Grow in whole steps so that a program edited a little larger does not cost a
    // new buffer on every save.
    constexpr std::size_t step = 64 * 1024;
    const std::size_t capacity = (size + step - 1) / step * step;
    buffer_.reset(new (std::nothrow) char[capacity]);
    capacity_ = buffer_ ? capacity : 0;
    return buffer_ != nullptr;
}
