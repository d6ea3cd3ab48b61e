#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// The one reader of the small files that the operator keeps in the data folder (a
// bell program, the saved port). Such a file is read on the window's thread, the
// bell program twice a second, so whatever the name points at, a read never blocks
// and never reads without end: only a regular file is opened, without waiting for
// a writer, and at most `limit` bytes are read. The buffer is kept between reads:
// once it has grown to a file's size, reading that file again allocates nothing.
class SmallFileReader
{
public:
    // What to do with a file larger than the limit.
    enum class Beyond {
        Refuse,    // fail: the caller needs the whole file
        ReadStart, // read its first `limit` bytes
    };

    // On success contents() holds the file's bytes (an empty file gives none). On
    // failure returns false and puts in *error why, in Spanish, as a phrase meant to
    // follow the file's name, e.g. "el archivo no existe".
    bool read(const QString &path, std::int64_t limit, Beyond beyond, QString *error);

    // Valid until the next read.
    std::string_view contents() const { return contents_; }

private:
    bool reserve(std::size_t size);

    QString name_;          // the last name read, and
    QByteArray nativeName_; // its encoding for the system, reused while it stays
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::string_view contents_;
};
