#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>

// The one reader of the small files that the operator keeps in the data folder (a
// bell program, the saved port). Such a file is read on the window's thread, the
// bell program twice a second, so whatever the name points at, a read never blocks
// and never reads without end: only a regular file is opened, without waiting for
// a writer, and at most `limit` bytes are read. The buffer is kept between reads:
// once it has grown to a file's size, reading that file again allocates nothing.
// The tally, when given, counts the files whose bytes were read, so that whoever
// cares what reading costs (a test of the tick) can see how often that happens.
struct FileReadTally
{
    std::uint64_t reads = 0;
};

class SmallFileReader
{
public:
    explicit SmallFileReader(FileReadTally *tally = nullptr) : tally_(tally) {}

    // What to do with a file larger than the limit.
    enum class Beyond {
        Refuse,    // fail: the caller needs the whole file
        ReadStart, // read its first `limit` bytes
    };

    // On success contents() holds the file's bytes (an empty file gives none). On
    // failure returns false and puts in *error why, in Spanish, as a phrase meant to
    // follow the file's name, e.g. "el archivo no existe".
    bool read(const QString &path, std::int64_t limit, Beyond beyond, QString *error);

    // As read, but a name whose status is the one of the last call (same name,
    // device, inode, size and modification time to the nanosecond) is not read
    // again: that call's answer stands, contents() still holds its bytes and
    // *fresh is false. Anything else is read or refused afresh, and *fresh is true.
    // A file refused only for what it is (a folder, a FIFO, a device, too large)
    // stays refused while its status stays; one that could not be opened is tried
    // again each time, since a change of permission leaves its status as it was.
    bool readIfChanged(const QString &path, std::int64_t limit, Beyond beyond, QString *error,
                       bool *fresh);

    // Valid until the next read.
    std::string_view contents() const { return contents_; }

private:
    // What a file's status says of its contents.
    struct Stamp
    {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        timespec modified{};
        friend bool operator==(const Stamp &a, const Stamp &b)
        {
            return a.device == b.device && a.inode == b.inode && a.size == b.size &&
                   a.modified.tv_sec == b.modified.tv_sec &&
                   a.modified.tv_nsec == b.modified.tv_nsec;
        }
    };
    // The answer of the last readIfChanged that may stand while the stamp stays.
    struct Answer
    {
        Stamp stamp;
        std::int64_t limit = 0;
        Beyond beyond = Beyond::Refuse;
        QString refusal; // empty: read, and contents_ holds the bytes
    };

    bool readStatus(const QString &path, std::int64_t limit, Beyond beyond, QString *error,
                    struct stat *status, bool *judged);
    bool reserve(std::size_t size);
    static Stamp stampOf(const struct stat &status);
    static bool mayStillChange(const struct stat &status);

    FileReadTally *tally_;
    std::optional<Answer> answer_;

    QString name_;          // the last name read, and
    QByteArray nativeName_; // its encoding for the system, reused while it stays
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::string_view contents_;
};
