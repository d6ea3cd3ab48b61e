#include "host/operations_log.h"

#include "host/log_priority.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Ends a line that a write cut short. CAN is a byte that formatLogLine never
// writes and parseLogLine refuses wherever it stands, so the cut line is skipped
// by a reader instead of read as a shorter line that means something else
// ("canal=1" cut from "canal=12").
constexpr char cancelLine[] = "\x18\n";
constexpr qsizetype cancelLineSize = sizeof cancelLine - 1;

// O_NONBLOCK: should the name have become a FIFO after our stat, the open must
// not wait for a reader; O_NOCTTY: nor may a terminal become ours. The fstat
// after the open turns either away. O_NOFOLLOW: a link in the log's place would
// let lines (with a program name someone chose) land in any file the account may
// write.
constexpr int openFlags = O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | O_NOFOLLOW;

bool sameFile(const struct stat &status, dev_t device, ino_t inode)
{
    return status.st_dev == device && status.st_ino == inode;
}

} // namespace

FileOperationsLog::FileOperationsLog(const QString &folder, QString program, const Clock &clock,
                                     std::int64_t rotationSize)
    : program_(std::move(program)), clock_(clock), rotationSize_(rotationSize)
{
    // No folder is no log, not the root folder; and the system would read a name
    // only up to a NUL, which is another file. Empty names are never opened.
    if (folder.isEmpty() || folder.contains(QChar(0)))
        return;
    current_ = QFile::encodeName(folder + QStringLiteral("/registro.txt"));
    first_ = QFile::encodeName(folder + QStringLiteral("/registro.1.txt"));
    second_ = QFile::encodeName(folder + QStringLiteral("/registro.2.txt"));
}

FileOperationsLog::~FileOperationsLog()
{
    closeFile();
}

void FileOperationsLog::append(LogEvent event, LogDetails details)
{
    LogEntry entry{clock_.now(), program_, event, std::move(details)};
    if (dropped_ > 0)
        entry.details.append({QString::fromLatin1(LogKey::perdidas), QString::number(dropped_)});
    if (mode_) {
        entry.details.append({QString::fromLatin1(LogKey::pid), QString::number(::getpid())});
        entry.details.append(
            {QString::fromLatin1(LogKey::modo), QString::fromLatin1(logWriterModeWord(*mode_))});
    }
    const QByteArray line = formatLogLine(entry);
    if (echo_) {
        // The journal reads the line's priority from this prefix; the file has none.
        std::fprintf(echo_, "<%d>", logPriority(entry));
        std::fwrite(line.constData(), 1, std::size_t(line.size()), echo_);
        std::fflush(echo_);
    }
    if (appendLine(line))
        dropped_ = 0;
    else
        ++dropped_;
}

bool FileOperationsLog::appendLine(const QByteArray &line)
{
    if (!openCurrent())
        return false;
    struct stat status;
    if (::fstat(fd_, &status) != 0) {
        closeFile();
        return false;
    }
    if (status.st_size > 0 && status.st_size + line.size() > rotationSize_) {
        rotate(line.size());
        if (!openCurrent())
            return false;
    }

    // One write() per line: with O_APPEND the kernel puts it whole at the end of
    // the file, after or before whatever the other program appends meanwhile.
    const QByteArray bytes = halfLine_ ? cancelLine + line : line;
    const ssize_t written = ::write(fd_, bytes.constData(), std::size_t(bytes.size()));
    if (written == bytes.size()) {
        halfLine_ = false;
        return true;
    }
    // A short write (the disk or the file size limit filled up midway) left part of
    // the line behind; end it now if there is room, or in front of the next line.
    if (written > 0)
        halfLine_ = ::write(fd_, cancelLine, cancelLineSize) != cancelLineSize;
    return false;
}

// Makes fd_ the file that the name stands for now. A name that is missing gets a
// new file, unless the folder is missing too.
bool FileOperationsLog::openCurrent()
{
    struct stat status;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::lstat(current_.constData(), &status) == 0) {
            if (fd_ >= 0 && sameFile(status, device_, inode_))
                return true;
            closeFile();
            if (S_ISLNK(status.st_mode) && !linkTold_) {
                linkTold_ = true;
                std::fprintf(stderr, "%s: %s es un enlace simbólico: no se escribe el registro\n",
                             program_.toLocal8Bit().constData(), current_.constData());
            }
            return S_ISREG(status.st_mode) && openExisting();
        }
        const int error = errno;
        closeFile();
        if (error != ENOENT)
            return false;
        // O_EXCL: only a file we make here is opened without the stat's check. Made
        // by the other program in between, it is opened as an existing one.
        const int fd = ::open(current_.constData(), openFlags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0)
            return adopt(fd);
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool FileOperationsLog::openExisting()
{
    const int fd = ::open(current_.constData(), openFlags);
    return fd >= 0 && adopt(fd);
}

bool FileOperationsLog::adopt(int fd)
{
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    device_ = status.st_dev;
    inode_ = status.st_ino;
    return true;
}

// registro.1 -> registro.2, registro -> registro.1, under an advisory lock on the
// full file. Without the lock at once, another writer is rotating; we leave it to
// them. With it, the name may already stand for a new file (rotated by a writer
// that held the lock before us) and then it is not rotated again.
void FileOperationsLog::rotate(qsizetype lineSize)
{
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
        return;
    struct stat named, open;
    if (::stat(current_.constData(), &named) == 0 && sameFile(named, device_, inode_) &&
        ::fstat(fd_, &open) == 0 && open.st_size > 0 && open.st_size + lineSize > rotationSize_) {
        // Should the older file not move, the full one stays where it is: renaming
        // it would overwrite registro.1.txt and lose a file's worth of lines.
        if (::rename(first_.constData(), second_.constData()) == 0 || errno == ENOENT)
            ::rename(current_.constData(), first_.constData());
    }
    ::flock(fd_, LOCK_UN);
}

void FileOperationsLog::closeFile()
{
    if (fd_ < 0)
        return;
    if (halfLine_)
        (void)!::write(fd_, cancelLine, cancelLineSize);
    halfLine_ = false;
    ::close(fd_);
    fd_ = -1;
}
