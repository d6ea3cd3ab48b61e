#include "bells/program_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ProgramFileResult failure(ProgramFileStatus status)
{
    switch (status) {
    case ProgramFileStatus::NotSelected:
        return {status, {}, QStringLiteral("no hay ningún programa de timbres seleccionado")};
    case ProgramFileStatus::Missing:
        return {status, {}, QStringLiteral("el archivo no existe")};
    case ProgramFileStatus::Folder:
        return {status, {}, QStringLiteral("es una carpeta, no un archivo")};
    case ProgramFileStatus::NoPermission:
        return {status, {}, QStringLiteral("no hay permiso para leerlo")};
    case ProgramFileStatus::NotRegular:
        return {status, {}, QStringLiteral("no es un archivo de texto normal")};
    case ProgramFileStatus::TooLarge:
        return {status, {}, QStringLiteral("es demasiado grande (más de 64 MB)")};
    case ProgramFileStatus::Read:
    case ProgramFileStatus::Unreadable:
        break;
    }
    return {ProgramFileStatus::Unreadable, {}, QStringLiteral("no se pudo leer")};
}

ProgramFileResult systemFailure(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return failure(ProgramFileStatus::Missing);
    case EACCES:
    case EPERM:
        return failure(ProgramFileStatus::NoPermission);
    case EISDIR:
        return failure(ProgramFileStatus::Folder);
    default:
        return {ProgramFileStatus::Unreadable,
                {},
                QStringLiteral("no se pudo leer: ") + qt_error_string(error)};
    }
}

// Folder, FIFO, device and size are judged from the file's status alone, so that
// nothing but a regular file of a sane size is ever opened.
ProgramFileStatus judge(const struct stat &status)
{
    if (S_ISDIR(status.st_mode))
        return ProgramFileStatus::Folder;
    if (!S_ISREG(status.st_mode))
        return ProgramFileStatus::NotRegular;
    if (status.st_size > ProgramFile::maxSize)
        return ProgramFileStatus::TooLarge;
    return ProgramFileStatus::Read;
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

} // namespace

ProgramFileResult ProgramFile::read(const QString &fileName)
{
    if (fileName.isEmpty())
        return failure(ProgramFileStatus::NotSelected);
    if (fileName != name_) {
        name_ = fileName;
        nativeName_ = QFile::encodeName(fileName);
    }
    // The system would take the name only up to a NUL, which is another file.
    if (nativeName_.contains('\0'))
        return failure(ProgramFileStatus::Missing);

    struct stat status;
    if (::stat(nativeName_.constData(), &status) != 0)
        return systemFailure(errno);
    if (const ProgramFileStatus judged = judge(status); judged != ProgramFileStatus::Read)
        return failure(judged);

    // O_NONBLOCK: should the name have become a FIFO since the stat, the open must
    // not wait for a writer; the fstat below then turns it away.
    const Descriptor file(
        ::open(nativeName_.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        return systemFailure(errno);
    if (::fstat(file.get(), &status) != 0)
        return systemFailure(errno);
    if (const ProgramFileStatus judged = judge(status); judged != ProgramFileStatus::Read)
        return failure(judged);

    // The size seen by fstat bounds the read: a file that grows meanwhile is read
    // as it was, one that shrinks as far as it goes.
    const auto size = static_cast<std::size_t>(status.st_size);
    if (!reserve(size))
        return {ProgramFileStatus::Unreadable, {}, QStringLiteral("no hay memoria para leerlo")};
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(file.get(), buffer_.get() + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemFailure(errno);
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    return {ProgramFileStatus::Read, std::string_view(buffer_.get(), got), {}};
}

bool ProgramFile::reserve(std::size_t size)
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
