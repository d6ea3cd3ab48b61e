#pragma once

#include "host/host.h"
#include "recording_operations_log.h"

#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// A clock that stands still until the test moves it. set, setTime and advanceMs
// move it as time passing would (the monotonic clock follows, backwards too);
// step moves only the wall clock, as a correction does.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 3, 2), QTime(7, 29, 58)))
        : now_(std::move(start))
    {}
    QDateTime now() const override { return now_; }
    qint64 monotonicMs() const override { return monotonic_; }
    void set(const QDateTime &t)
    {
        monotonic_ += now_.msecsTo(t);
        now_ = t;
    }
    void setTime(const QTime &t) { set(QDateTime(now_.date(), t)); }
    void advanceMs(qint64 ms) { set(now_.addMSecs(ms)); }
    void step(qint64 ms) { now_ = now_.addMSecs(ms); }

private:
    QDateTime now_;
    qint64 monotonic_ = 1000000;
};

// Records every message box; whileOpen, when set, runs as if the operator took
// that long to close the box, so a test can deliver ticks meanwhile.
class RecordingMessageBoxes final : public MessageBoxes
{
public:
    QStringList texts;
    std::function<void(const QString &)> whileOpen;

protected:
    void present(const QString &text) override
    {
        texts.append(text);
        if (whileOpen)
            whileOpen(text);
    }
};

class RecordingLauncher final : public Launcher
{
public:
    bool startDetached(const QString &program, const QStringList &arguments,
                       QString *error) override
    {
        starts.append(QStringList{program} + arguments);
        if (!failWith.isEmpty() && error)
            *error = failWith;
        return failWith.isEmpty();
    }
    QList<QStringList> starts;
    QString failWith;
};

// A host whose home and program folders are fresh temporary folders, with the data
// folder already made; the editor is looked for in bin/ of that home only, and the
// system's serial ports are home/ttyS0 to ttyS3, none there until a test links one.
class FakeHost
{
public:
    FakeHost()
        : host{clock,
               messages,
               launcher,
               Places(home.path(), home.path() + QStringLiteral("/programa"),
                      home.path() + QStringLiteral("/bin")),
               log,
               clockSync,
               &programReads}
    {
        host.places.setSystemPorts(home.path() + QStringLiteral("/ttyS"));
        QDir(home.path()).mkpath(QStringLiteral("Quirzal"));
        QDir(home.path()).mkpath(QStringLiteral("programa"));
    }
    QString dataFolder() const { return host.places.dataFolder(); }

    QTemporaryDir home;
    FakeClock clock;
    RecordingMessageBoxes messages;
    RecordingLauncher launcher;
    RecordingOperationsLog log;
    FakeClockSync clockSync;
    FileReadTally programReads;
    Host host;
};
