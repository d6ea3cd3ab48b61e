#pragma once

#include "host/clock.h"
#include "host/operations_log_format.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <sys/types.h>
#include <utility>

using LogDetails = QList<std::pair<QString, QString>>;

// Where a program tells what it did, one line per event. A write never reports
// failure to its caller: the log is for reading afterwards, and nothing the
// program does may wait for it or stop because of it.
class OperationsLog
{
public:
    virtual ~OperationsLog() = default;
    void write(LogEvent event, LogDetails details = {}) { append(event, std::move(details)); }

protected:
    virtual void append(LogEvent event, LogDetails details) = 0;
};

// For a program run without a log.
class NoOperationsLog final : public OperationsLog
{
protected:
    void append(LogEvent, LogDetails) override {}
};

// registro.txt in a folder, shared by both programs, which may run at once.
//
// Every write is one stat of the name, one fstat and one write() on a descriptor
// kept open between writes, from the caller's thread and never waiting: nothing
// but a regular file is opened, and nothing is locked but for a rotation, which is
// skipped when another writer holds the lock. A line that cannot be written is
// dropped and counted, and the count rides on the next line that is written as
// perdidas=N. The folder itself is never made: without it there is no log.
//
// One writer is used from one thread.
class FileOperationsLog final : public OperationsLog
{
public:
    // rotationSize: a file holding something is renamed away before a line would
    // take it past this size.
    FileOperationsLog(const QString &folder, QString program, const Clock &clock,
                      std::int64_t rotationSize = logRotationSize);
    ~FileOperationsLog() override;
    FileOperationsLog(const FileOperationsLog &) = delete;
    FileOperationsLog &operator=(const FileOperationsLog &) = delete;

    // Also copy each line, whether or not it reached the file, to this stream (for
    // a program run as a service, standard error), after its journal priority
    // ("<3>", host/log_priority.h). nullptr, the default, stops it.
    void setEcho(std::FILE *stream) { echo_ = stream; }

    // End each line with who wrote it: pid=N (this process, as it is at the write)
    // and modo=ventana or modo=servicio. Without it, the lines name only the program.
    void setWriterMode(LogWriterMode mode) { mode_ = mode; }

protected:
    void append(LogEvent event, LogDetails details) override;

private:
    bool appendLine(const QByteArray &line);
    bool openCurrent();
    bool openExisting();
    bool adopt(int fd);
    void rotate(qsizetype lineSize);
    void closeFile();

    QByteArray current_, first_, second_; // registro.txt, .1.txt and .2.txt, encoded
    QString program_;
    const Clock &clock_;
    std::int64_t rotationSize_;
    std::FILE *echo_ = nullptr;
    std::optional<LogWriterMode> mode_;

    int fd_ = -1;
    dev_t device_ = 0;      // what fd_ is open on, to tell whether the name still
    ino_t inode_ = 0;       // points at it or was rotated or replaced by someone else
    bool halfLine_ = false; // fd_'s file ends in a line cut short
    std::uint64_t dropped_ = 0;
    bool linkTold_ = false; // standard error knows registro.txt is a link, unused
};
