#include "host/operations_log.h"

#include "fake_host.h"
#include "pseudo_terminal.h"
#include "recording_operations_log.h" // built here, used by the window's tests

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString program = QStringLiteral("Sonvira");

// The file's lines without their LF; a file must end with one.
QList<QByteArray> linesOf(const QString &path)
{
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (bytes.isEmpty())
        return {};
    EXPECT_TRUE(bytes.endsWith('\n')) << path.toStdString() << " ends in half a line";
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    return lines;
}

QList<LogEntry> entriesOf(const QString &path)
{
    QList<LogEntry> entries;
    for (const QByteArray &line : linesOf(path)) {
        const std::optional<LogEntry> entry = parseLogLine(line);
        EXPECT_TRUE(entry) << "not a whole line: " << line.toStdString();
        if (entry)
            entries.append(*entry);
    }
    return entries;
}

// Lines of one length, told apart by n.
LogDetails numbered(int n)
{
    return {{QStringLiteral("n"), QStringLiteral("%1").arg(n, 5, 10, QLatin1Char('0'))}};
}

// The size of such a line at the time a Folder's clock starts from.
qsizetype numberedLineSize()
{
    return formatLogLine({FakeClock().now(), program, LogEvent::Disparo, numbered(0)}).size();
}

int numberOf(const LogEntry &entry)
{
    return entry.detail(QLatin1StringView("n")).toInt();
}

// A data folder in a fresh temporary home that other users may enter, so that a
// test can take away only the folder's own write permission.
struct Folder
{
    Folder()
    {
        ::chmod(QFile::encodeName(home.path()).constData(), 0755);
        QDir(home.path()).mkdir(QStringLiteral("Quirzal"));
    }
    QString file(const char *name) const { return path + QLatin1Char('/') + QLatin1String(name); }

    QTemporaryDir home;
    QString path = home.path() + QStringLiteral("/Quirzal");
    FakeClock clock;
};

// Runs each body in a child process of its own, all at once; true when every
// child exits 0 (not when one crashes or is stopped by its alarm).
bool inChildren(const std::vector<std::function<int()>> &bodies)
{
    std::fflush(nullptr);
    std::vector<pid_t> children;
    for (const auto &body : bodies) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(60);
            ::_exit(body());
        }
        children.push_back(child);
    }
    bool ok = true;
    for (const pid_t child : children) {
        int status = -1;
        ok = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
             WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

TEST(OperationsLog, eachWriteIsOneWholeLineThatReadsBack)
{
    Folder folder;
    FileOperationsLog log(folder.path, program, folder.clock);
    const struct
    {
        LogEvent event;
        LogDetails details;
    } rows[] = {
        {LogEvent::Inicio, {}},
        {LogEvent::Abierto,
         {{LogKey::puerto, QStringLiteral("COM1")},
          {LogKey::dispositivo, QStringLiteral("/dev/ttyUSB0")},
          {LogKey::ajustes, QStringLiteral("1200,n,8,1")}}},
        {LogEvent::Disparo,
         {{LogKey::canal, QStringLiteral("2")},
          {LogKey::origen, QStringLiteral("timbres_1.txt:14")},
          {LogKey::trama, logFrameText("\x60\x57\x43")}}},
        {LogEvent::Mensaje, {{LogKey::texto, QStringLiteral("línea 1\r\nlínea 2 \"fin\"")}}},
        {LogEvent::Fin, {}},
    };
    QList<LogEntry> written;
    for (const auto &row : rows) {
        folder.clock.advanceMs(1234);
        log.write(row.event, row.details);
        written.append({folder.clock.now(), program, row.event, row.details});
    }
    EXPECT_EQ(entriesOf(folder.file("registro.txt")), written);
}

TEST(OperationsLog, echoCopiesEveryLineWhenAskedEvenWithoutAFile)
{
    QTemporaryDir home;
    FakeClock clock;
    FileOperationsLog log(home.path() + QStringLiteral("/no_existe"), program, clock);
    std::FILE *echo = std::tmpfile();
    ASSERT_NE(echo, nullptr);
    log.write(LogEvent::Inicio);
    log.setEcho(echo);
    log.write(LogEvent::Disparo, numbered(1));
    log.write(LogEvent::Disparo, numbered(2));
    log.setEcho(nullptr);
    log.write(LogEvent::Fin);

    std::rewind(echo);
    char buffer[1024] = {};
    const std::size_t got = std::fread(buffer, 1, sizeof buffer - 1, echo);
    std::fclose(echo);
    const QDateTime now = clock.now();
    const auto line = [&](int n, int lost) {
        LogDetails details = numbered(n);
        details.append({QString::fromLatin1(LogKey::perdidas), QString::number(lost)});
        return formatLogLine({now, program, LogEvent::Disparo, details});
    };
    EXPECT_EQ(QByteArray(buffer, qsizetype(got)), line(1, 1) + line(2, 2));
}

// Lines are written until the files have been rotated several times, by one
// writer or by two that take turns (each must follow the other's rotation).
TEST(OperationsLog, rotationKeepsTwoOlderFilesAndEveryLineThatFitted)
{
    const qsizetype line = numberedLineSize();
    const struct
    {
        const char *name;
        std::int64_t limit;
        int writers;
    } rows[] = {
        {"three lines fit exactly", 3 * line, 1},
        {"three and a half lines", 3 * line + line / 2, 1},
        {"4 KB", 4096, 1},
        {"a line longer than the limit", line / 2, 1},
        {"two writers, three lines", 3 * line, 2},
        {"two writers, 4 KB", 4096, 2},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Folder folder;
        std::vector<std::unique_ptr<FileOperationsLog>> logs;
        for (int w = 0; w < row.writers; ++w)
            logs.push_back(
                std::make_unique<FileOperationsLog>(folder.path, program, folder.clock, row.limit));
        const int total = int(4 * std::max<std::int64_t>(row.limit, line) / line + 2);
        for (int n = 0; n < total; ++n)
            logs[std::size_t(n % row.writers)]->write(LogEvent::Disparo, numbered(n));

        EXPECT_FALSE(QFile::exists(folder.file("registro.3.txt")));
        QList<LogEntry> kept;
        for (const char *name : {"registro.2.txt", "registro.1.txt", "registro.txt"}) {
            const qint64 size = QFileInfo(folder.file(name)).size();
            EXPECT_GT(size, 0) << name;
            EXPECT_LE(size, std::max<std::int64_t>(row.limit, line)) << name;
            if (name != std::string_view("registro.txt")) {
                EXPECT_GT(size + line, row.limit) << name << " was rotated before it was full";
            }
            kept += entriesOf(folder.file(name));
        }
        ASSERT_FALSE(kept.isEmpty());
        for (qsizetype i = 0; i < kept.size(); ++i)
            EXPECT_EQ(numberOf(kept[i]), total - kept.size() + i);
    }
}

// Whatever stands at registro.txt instead of a regular file is never opened and
// no write waits for it; the lines meanwhile are counted in the first line
// written once it is gone. The obstacle either replaces a file the writer holds
// open or is there before the first write.
TEST(OperationsLog, onlyARegularFileIsOpenedAndWhatCouldNotBeWrittenIsCounted)
{
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.isValid());
    const struct
    {
        const char *name;
        std::function<void(const QString &path)> make;
    } obstacles[] = {
        {"a FIFO with a reader",
         [](const QString &path) { ::mkfifo(QFile::encodeName(path).constData(), 0644); }},
        {"a folder", [](const QString &path) { QDir().mkdir(path); }},
        {"a link to a terminal",
         [&](const QString &path) { QFile::link(terminal.slavePath(), path); }},
    };
    for (const auto &obstacle : obstacles) {
        for (const bool heldOpen : {true, false}) {
            SCOPED_TRACE(std::string(obstacle.name) + (heldOpen ? ", file held open" : ""));
            Folder folder;
            const QString path = folder.file("registro.txt");
            FileOperationsLog log(folder.path, program, folder.clock);
            if (heldOpen) {
                log.write(LogEvent::Inicio);
                ASSERT_TRUE(QFile::remove(path));
            }
            obstacle.make(path);
            // A reader, so that a FIFO opened for writing would not even fail.
            const int reader =
                ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
            // Tells whether anyone opens what the name leads to.
            const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            ASSERT_GE(opens, 0);
            ASSERT_GE(::inotify_add_watch(opens, QFile::encodeName(path).constData(), IN_OPEN), 0);
            ::alarm(10); // a write that waits ends the test here
            for (int n = 0; n < 3; ++n)
                log.write(LogEvent::Disparo, numbered(n));
            ::alarm(0);
            char event[4096];
            EXPECT_EQ(::read(opens, event, sizeof event), -1) << "it was opened";
            ::close(opens);
            if (reader >= 0)
                ::close(reader);

            ::rmdir(QFile::encodeName(path).constData());
            ::unlink(QFile::encodeName(path).constData());
            log.write(LogEvent::Fin);
            log.write(LogEvent::Inicio);
            const QList<LogEntry> after = entriesOf(path);
            ASSERT_EQ(after.size(), 2);
            EXPECT_EQ(after[0].event, LogEvent::Fin);
            EXPECT_EQ(after[0].detail(QLatin1StringView(LogKey::perdidas)), QStringLiteral("3"));
            EXPECT_TRUE(after[1].details.isEmpty()) << "counted once only";
        }
    }
}

TEST(OperationsLog, aFileRemovedOrRenamedMeanwhileIsMadeAnew)
{
    for (const bool renamed : {false, true}) {
        Folder folder;
        const QString path = folder.file("registro.txt");
        FileOperationsLog log(folder.path, program, folder.clock);
        log.write(LogEvent::Inicio);
        if (renamed)
            QFile::rename(path, folder.file("guardado.txt"));
        else
            QFile::remove(path);
        log.write(LogEvent::Fin);
        const QList<LogEntry> entries = entriesOf(path);
        ASSERT_EQ(entries.size(), 1) << renamed;
        EXPECT_EQ(entries[0].details, LogDetails{}) << "nothing was lost";
        if (renamed) {
            EXPECT_EQ(linesOf(folder.file("guardado.txt")).size(), 1);
        }
    }
}

// The program goes on without a log; the folder is not made, and nothing else is.
TEST(OperationsLog, withoutAWritableFolderThereIsNoLogAndNothingIsMade)
{
    const struct
    {
        const char *name;
        std::function<QString(Folder &)> prepare; // returns the folder to give the writer
    } rows[] = {
        {"missing",
         [](Folder &f) {
             QDir(f.path).removeRecursively();
             return f.path;
         }},
        {"missing, under a missing folder",
         [](Folder &f) {
             QDir(f.path).removeRecursively();
             return f.path + QStringLiteral("/sub");
         }},
        {"a regular file",
         [](Folder &f) {
             QDir(f.path).removeRecursively();
             QFile file(f.path);
             (void)file.open(QIODevice::WriteOnly);
             return f.path;
         }},
        {"read-only",
         [](Folder &f) {
             ::chmod(QFile::encodeName(f.path).constData(), 0555);
             return f.path;
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Folder folder;
        const QString given = row.prepare(folder);
        const QStringList before =
            QDir(folder.home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        // In a child, which as root gives up its rights: root writes anywhere.
        EXPECT_TRUE(inChildren({[&] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                return 2;
            FileOperationsLog log(given, program, folder.clock);
            for (int n = 0; n < 100; ++n)
                log.write(LogEvent::Disparo, numbered(n));
            return 0;
        }}));
        EXPECT_EQ(QDir(folder.home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  before);
        if (QFileInfo(folder.path).isDir()) {
            EXPECT_TRUE(QDir(folder.path).isEmpty());
        }
        ::chmod(QFile::encodeName(folder.path).constData(), 0755);
    }
}

// A write cut short (here by the file size limit, as by a full disk) leaves part
// of a line; it must read as no line at all, and the next line must start afresh.
TEST(OperationsLog, aLineCutShortIsNeverReadAsAnother)
{
    const qsizetype line = numberedLineSize();
    const struct
    {
        const char *name;
        qsizetype kept; // bytes of the cut line that reach the file
    } rows[] = {
        {"into the time", 5},
        {"into the number", line - 3},
        {"all but the line feed", line - 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Folder folder;
        ASSERT_TRUE(inChildren({[&] {
            std::signal(SIGXFSZ, SIG_IGN);
            FileOperationsLog log(folder.path, program, folder.clock);
            for (int n = 0; n < 3; ++n)
                log.write(LogEvent::Disparo, numbered(n));
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            const rlimit tight{rlim_t(3 * line + row.kept), limit.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &tight);
            log.write(LogEvent::Disparo, numbered(12345));
            log.write(LogEvent::Disparo, numbered(4));
            ::setrlimit(RLIMIT_FSIZE, &limit);
            log.write(LogEvent::Disparo, numbered(5));
            return 0;
        }}));
        QList<int> read;
        int unreadable = 0;
        QString lost;
        for (const QByteArray &text : linesOf(folder.file("registro.txt"))) {
            if (const std::optional<LogEntry> entry = parseLogLine(text)) {
                read.append(numberOf(*entry));
                lost = entry->detail(QLatin1StringView(LogKey::perdidas));
            } else {
                ++unreadable;
            }
        }
        EXPECT_EQ(read, (QList<int>{0, 1, 2, 5}));
        EXPECT_EQ(unreadable, 1);
        EXPECT_EQ(lost, QStringLiteral("2"));
    }
}

// Both programs at once, each 5,000 lines as fast as it can: every line whole,
// and each program's lines all there and in order. With a small limit the two
// also rotate under each other; the files kept then hold the end of each
// program's lines without a gap. Their sizes are not bounded here: while one
// process is descheduled holding the rotation lock, the other goes on appending
// to the full file, by design, rather than wait.
TEST(OperationsLog, twoProcessesAppendingAtOnceLeaveOnlyWholeLines)
{
    constexpr int perProcess = 5000;
    const struct
    {
        const char *name;
        std::int64_t limit;
    } rows[] = {
        {"no rotation", std::int64_t(1) << 40},
        {"rotating every 64 KB", 64 * 1024},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const bool rotating = row.limit < 1024 * 1024;
        Folder folder;
        const auto writer = [&](const char *name) {
            return [&folder, &row, name] {
                FileOperationsLog log(folder.path, QString::fromLatin1(name), folder.clock,
                                      row.limit);
                for (int n = 0; n < perProcess; ++n)
                    log.write(LogEvent::Disparo, numbered(n));
                return 0;
            };
        };
        EXPECT_TRUE(inChildren({writer("Sonvira"), writer("repetidores")}));
        std::map<QString, QList<int>> numbers;
        for (const char *name : {"registro.2.txt", "registro.1.txt", "registro.txt"}) {
            if (name != std::string_view("registro.txt")) {
                EXPECT_EQ(QFile::exists(folder.file(name)), rotating) << name;
            }
            for (const LogEntry &entry : entriesOf(folder.file(name))) {
                EXPECT_TRUE(entry.detail(QLatin1StringView(LogKey::perdidas)).isNull());
                numbers[entry.program].append(numberOf(entry));
            }
        }
        // Rotating, the files kept may hold only the program that finished last.
        if (rotating) {
            ASSERT_FALSE(numbers.empty());
        } else {
            ASSERT_EQ(numbers.size(), 2u);
        }
        for (const auto &[name, kept] : numbers) {
            if (!rotating) {
                EXPECT_EQ(kept.size(), perProcess) << name.toStdString();
            }
            for (qsizetype i = 0; i < kept.size(); ++i)
                ASSERT_EQ(kept[i], perProcess - kept.size() + i) << name.toStdString();
        }
    }
}

// Not a limit the program needs so much as a figure to know: the mean cost of one
// line, with the default rotation, on this machine's temporary folder.
TEST(OperationsLog, costOfOneWrite)
{
    constexpr int writes = 10000;
    Folder folder;
    FileOperationsLog log(folder.path, program, folder.clock);
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < writes; ++n)
        log.write(LogEvent::Disparo, {{LogKey::canal, QStringLiteral("2")},
                                      {LogKey::origen, QStringLiteral("timbres_1.txt:14")},
                                      {LogKey::trama, QStringLiteral("60 57 43 30 20 10 74")}});
    const double meanUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() /
        writes;
    std::printf("operations log: %.2f us per write, mean of %d\n", meanUs, writes);
    RecordProperty("mean_write_us", QString::number(meanUs, 'f', 2).toStdString());
    EXPECT_EQ(linesOf(folder.file("registro.txt")).size() +
                  linesOf(folder.file("registro.1.txt")).size(),
              writes);
    // Far above what a write costs here; only a log that synced or waited fails it.
    EXPECT_LT(meanUs, 1000.0);
}

} // namespace
