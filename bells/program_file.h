#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// Reads the bell program in use for the tick, twice a second on the window's
// thread. Whatever the name points at, a read never blocks and never reads without
// end: only regular files up to maxSize are read. The buffer is kept between
// reads, so once it has grown to the program's size a read allocates nothing.

enum class ProgramFileStatus {
    Read,         // text holds the whole file (an empty file gives an empty text)
    NotSelected,  // the name is empty
    Missing,      // nothing by that name
    Folder,       // a folder
    NoPermission, // not allowed to read it
    NotRegular,   // a FIFO, a device, a socket
    TooLarge,     // over maxSize
    Unreadable,   // any other failure to open or read it
};

struct ProgramFileResult
{
    ProgramFileStatus status = ProgramFileStatus::Read;
    std::string_view text; // valid until the next read
    // Why the program could not be read, for the operator: a Spanish phrase meant to
    // follow the file's name, e.g. "el archivo no existe". Empty when it was read.
    QString description;

    bool ok() const { return status == ProgramFileStatus::Read; }
};

class ProgramFile
{
public:
    static constexpr std::int64_t maxSize = 64 * 1024 * 1024;

    // fileName is used as given; a bare name is taken from the working folder.
    ProgramFileResult read(const QString &fileName);

private:
    bool reserve(std::size_t size);

    QString name_;          // the last name read, and
    QByteArray nativeName_; // its encoding for the system, reused while it stays
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
};
