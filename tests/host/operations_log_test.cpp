#include "host/operations_log.h"
#include "host/operations_log_format.h"

#include "fake_host.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <fcntl.h>
#include <map>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString program = u"Sonvira"_s;

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::LocalTime);
}

// The entries of a file of whole lines, each ended by its LF.
QList<LogEntry> entriesOf(const QString &path)
{
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith('\n')) << path.toStdString() << " ends badly";
    QList<LogEntry> entries;
    for (const QByteArray &line : bytes.split('\n').mid(0, bytes.count('\n'))) {
        entries.append(parseLogLine(line).value_or(LogEntry{}));
        EXPECT_TRUE(parseLogLine(line)) << "not a whole line: " << line.toStdString();
    }
    return entries;
}

// Lines of one length, told apart by n.
const auto numbered = [](int n) {
    return LogDetails{{u"n"_s, u"%1"_s.arg(n, 5, 10, QChar(u'0'))}};
};

// The size of a numbered line at the time a Folder's clock starts from.
const qsizetype line =
    formatLogLine({FakeClock().now(), program, LogEvent::Disparo, numbered(0)}).size();

// A fresh data folder.
struct Folder
{
    QString file(const char *name) const { return dir.filePath(QLatin1String(name)); }

    QTemporaryDir dir;
    FakeClock clock;
};

TEST(OperationsLogFormat, writesTheLineAsDocumentedAndReadsItBack)
{
    const LogEntry fired{at(2026, 12, 7, 8, 0, 0, 21),
                         u"Sonvira"_s,
                         LogEvent::Disparo,
                         {{LogKey::canal, u"2"_s},
                          {LogKey::origen, u"timbres_1.txt:14"_s},
                          {LogKey::trama, logFrameText("\x60\x57\x43\x30\x20\x10\x74")}}};
    EXPECT_EQ(formatLogLine(fired), "2026-12-07 08:00:00.021 Sonvira DISPARO canal=2 "
                                    "origen=timbres_1.txt:14 trama=\"60 57 43 30 20 10 74\"\n");
    const LogEntry started{at(2027, 1, 2, 23, 59, 59, 999), u"repetidores"_s, LogEvent::Inicio, {}};
    EXPECT_EQ(formatLogLine(started), "2027-01-02 23:59:59.999 repetidores INICIO\n");
    // A line naming its writer reads as one of an earlier version does, with two more details.
    EXPECT_EQ(parseLogLine("2027-01-02 23:59:59.999 repetidores INICIO pid=42 modo=ventana")
                  ->detail(QLatin1StringView(LogKey::pid)),
              u"42"_s);
    // How one value is written: bare when it can be, else quoted with escapes.
    const std::pair<QString, QByteArray> values[] = {
        {u"a=b,c"_s, "a=b,c"},
        {u"año"_s, "a\xC3\xB1o"},
        {QString(), "\"\""},
        {u"dijo \"no\""_s, "\"dijo \\\"no\\\"\""},
        {u"C:\\Quirzal"_s, "\"C:\\\\Quirzal\""},
        {u"uno\r\ndos\tb"_s, "\"uno\\r\\ndos\\tb\""},
        {u"a\x01z\x7f"_s, "\"a\\x01z\\x7F\""},
        {u"\u0085\u2028"_s, "\"\\xC2\\x85\\xE2\\x80\\xA8\""}};
    for (const auto &[value, written] : values) {
        const QByteArray line = formatLogLine(
            {at(2026, 5, 4, 10, 0, 0, 0), "Sonvira", LogEvent::Mensaje, {{LogKey::texto, value}}});
        EXPECT_EQ(line, "2026-05-04 10:00:00.000 Sonvira MENSAJE texto=" + written + "\n");
    }
    // Every event, with values that look like the line's own syntax, in one line each
    // that reads back as it was written.
    const QString awkward[] = {
        u"con blancos  dobles "_s, u"\\x41\\n"_s,       u"Año, ñÑ €"_s, u"línea 1\r\nlínea 2\n\r"_s,
        u"x=\"y\" z=w"_s,          u"\u009F\u2029\0"_s, QString()};
    for (std::size_t e = 0; e < logEventWords.size(); ++e) {
        for (const QString &value : awkward) {
            const LogEntry entry{at(2026, 3, 29, 3, 0, int(e), 7),
                                 e % 2 ? u"Sonvira"_s : u"repetidores"_s,
                                 LogEvent(e),
                                 {{LogKey::motivo, value}, {LogKey::texto, value + value}}};
            const QByteArray line = formatLogLine(entry);
            EXPECT_TRUE(line.indexOf('\n') == line.size() - 1 && !line.contains('\r'));
            EXPECT_EQ(parseLogLine(line), entry) << line.toStdString();
        }
    }
}

// Lines are written until the files have been rotated several times, by one
// writer or by two that take turns (each must follow the other's rotation).
TEST(OperationsLog, rotationKeepsTwoOlderFilesAndEveryLineThatFitted)
{
    // rotation size, writers: three lines fit exactly, a line longer than the limit
    const std::pair<std::int64_t, int> rows[] = {{3 * line, 1}, {line / 2, 1}, {3 * line, 2}};
    for (const auto &[limit, writers] : rows) {
        SCOPED_TRACE(limit);
        Folder folder;
        std::deque<FileOperationsLog> logs;
        for (int w = 0; w < writers; ++w)
            logs.emplace_back(folder.dir.path(), program, folder.clock, limit);
        const std::int64_t most = std::max<std::int64_t>(limit, line);
        const int total = int(4 * most / line + 2);
        for (int n = 0; n < total; ++n)
            logs[std::size_t(n % writers)].write(LogEvent::Disparo, numbered(n));

        EXPECT_FALSE(QFile::exists(folder.file("registro.3.txt")));
        QList<LogEntry> kept;
        for (const char *name : {"registro.2.txt", "registro.1.txt", "registro.txt"}) {
            // Not above the limit, and a file rotated had no room for one more line.
            const qint64 size = QFileInfo(folder.file(name)).size();
            EXPECT_TRUE(size > 0 && size <= most && (size + line > limit || name[9] == 't'))
                << name << " " << size;
            kept += entriesOf(folder.file(name));
        }
        ASSERT_FALSE(kept.isEmpty());
        for (qsizetype i = 0; i < kept.size(); ++i)
            EXPECT_EQ(kept[i].detail("n"_L1).toInt(), total - kept.size() + i);
    }
}

// A FIFO put at registro.txt in place of the file the writer holds open is never
// opened and no write waits for it; the lines meanwhile are counted, once, in the
// first line written once it is gone. (A terminal there meets the same check.)
TEST(OperationsLog, onlyARegularFileIsOpenedAndWhatCouldNotBeWrittenIsCounted)
{
    Folder folder;
    const QString path = folder.file("registro.txt");
    const QByteArray name = QFile::encodeName(path);
    FileOperationsLog log(folder.dir.path(), program, folder.clock);
    log.write(LogEvent::Inicio);
    ASSERT_TRUE(QFile::remove(path) && ::mkfifo(name, 0644) == 0);
    // A reader, so that a FIFO opened for writing would not even fail.
    const int reader = ::open(name, O_RDONLY | O_NONBLOCK);
    const int opens = ::inotify_init1(IN_NONBLOCK);
    ASSERT_GE(::inotify_add_watch(opens, name, IN_OPEN), 0);
    ::alarm(10); // a write that waits ends the test here
    for (int n = 0; n < 3; ++n)
        log.write(LogEvent::Disparo, numbered(n));
    ::alarm(0);
    char event[4096];
    EXPECT_EQ(::read(opens, event, sizeof event), -1) << "it was opened";
    ::close(opens);
    ::close(reader);
    ::unlink(name);
    log.write(LogEvent::Fin);
    log.setWriterMode(LogWriterMode::Servicio);
    log.write(LogEvent::Inicio);
    const QList<LogEntry> after = entriesOf(path);
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[0].details, (LogDetails{{LogKey::perdidas, u"3"_s}}));
    // Counted once only; the writer named, once asked to.
    EXPECT_EQ(after[1].details, (LogDetails{{LogKey::pid, QString::number(::getpid())},
                                            {LogKey::modo, u"servicio"_s}}));
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
    for (const std::int64_t limit : {std::int64_t(1) << 40, std::int64_t(64 * 1024)}) {
        const bool rotating = limit < 1024 * 1024;
        SCOPED_TRACE(rotating);
        Folder folder;
        std::fflush(nullptr);
        std::vector<pid_t> children;
        for (const QString &name : {program, u"repetidores"_s}) {
            if (children.emplace_back(::fork()) == 0) {
                ::alarm(60);
                FileOperationsLog log(folder.dir.path(), name, folder.clock, limit);
                for (int n = 0; n < perProcess; ++n)
                    log.write(LogEvent::Disparo, numbered(n));
                ::_exit(0);
            }
        }
        for (const pid_t child : children) {
            int status = -1;
            EXPECT_TRUE(child > 0 && ::waitpid(child, &status, 0) == child && status == 0);
        }
        EXPECT_EQ(QFile::exists(folder.file("registro.2.txt")), rotating);
        std::map<QString, QList<int>> numbers;
        for (const char *name : {"registro.2.txt", "registro.1.txt", "registro.txt"}) {
            for (const LogEntry &entry : entriesOf(folder.file(name))) {
                EXPECT_TRUE(entry.detail(QLatin1StringView(LogKey::perdidas)).isNull());
                numbers[entry.program].append(entry.detail("n"_L1).toInt());
            }
        }
        // Rotating, the files kept may hold only the program that finished last.
        ASSERT_FALSE(numbers.empty());
        qsizetype total = 0;
        for (const auto &[name, kept] : numbers) {
            total += kept.size();
            for (qsizetype i = 0; i < kept.size(); ++i)
                ASSERT_EQ(kept[i], perProcess - kept.size() + i) << name.toStdString();
        }
        EXPECT_TRUE(rotating || total == 2 * perProcess);
    }
}

} // namespace
