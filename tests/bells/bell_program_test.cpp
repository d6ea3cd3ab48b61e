#include "bells/bell_program.h"
#include "bells/program_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

TEST(BellProgram, LinesEndAtCrLfOrCrAlone)
{
    const struct
    {
        std::string text;
        std::vector<std::string> lines;
    } rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n", {"a"}},
        {"\r\r\n\r", {"", "", ""}},
        {"a\nb\n", {"a\nb\n"}},
        {"a\r\n\nb", {"a", "\nb"}},
        {"a\r\r\nb\n\r", {"a", "", "b\n"}},
    };
    for (const auto &row : rows) {
        std::vector<std::string> lines;
        forEachLine(row.text, [&](std::string_view line) { lines.emplace_back(line); });
        EXPECT_EQ(lines, row.lines) << row.text;
    }
}

// The scan takes shortcuts; on any text it must agree with the rule applied line
// by line. Random programs from fragments that nearly match, with every kind of
// line end, at every length around the scan's 16-byte steps.
TEST(BellProgram, ScanAgreesWithTheLineRuleOnRandomPrograms)
{
    const std::string fragments[] = {"1,07:30:00", "2,07:30:00", "3 07:30:00", "07:30:00",
                                     "1,17:30:00", "3,07:31:00", "2,07:30:0",  "x",
                                     "\r\n",       "\r",         "\n",         "\0"s};
    std::mt19937 random(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (auto n = random() % 12; n > 0; --n)
            text += fragments[random() % std::size(fragments)];
        FireFlags expected{};
        forEachLine(text, [&](std::string_view line) {
            const BellLine split = splitLine(line);
            if (split.time == "07:30:00" && split.channel >= 1 && split.channel <= 3)
                expected[std::size_t(split.channel - 1)] = true;
        });
        ASSERT_EQ(dueChannels(text, "07:30:00"), expected) << text;
    }
}

namespace {

enum class Make { File, Nothing, Folder, Fifo, Locked, Sized };

struct Row
{
    const char *name;
    std::string content; // the file's bytes, or the path itself for Make::Nothing
    const char *tick;
    FireFlags due;
    Make make = Make::File;
    ProgramFileStatus status = ProgramFileStatus::Read;
    std::int64_t size = 0; // for Make::Sized, a sparse file of this size
};

constexpr FireFlags none{}, one{true, false, false}, two{false, true, false},
    three{false, false, true};

// Reads as an unprivileged user would: root reads whatever the mode says.
ProgramFileStatus readAsUser(const QString &path)
{
    if (::geteuid() != 0)
        return ProgramFile().read(path).status;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped ? int(ProgramFile().read(path).status) : 100);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return ProgramFileStatus(WEXITSTATUS(status));
}

} // namespace

TEST(BellProgram, ReadsAndScansProgramFiles)
{
    const std::string longLine = "2" + std::string(1 << 20, 'x') + "08:00:00";
    const Row rows[] = {
        {"channel 1", "1,08:00:00\r\n", "08:00:00", one},
        {"channel 3", "3,17:45:30\r\n", "17:45:30", three},
        {"hour of one digit", "1,8:00:00\r\n", "08:00:00", none},
        {"short line", "1,08:00\r\n", "08:00:00", none},
        {"trailing blank", "1,08:00:00 \r\n", "08:00:00", none},
        {"leading blank", " 1,08:00:00\r\n", "08:00:00", none},
        {"first char only", "12,08:00:00", "08:00:00", one},
        {"any separator", "2;08:00:00\r\n2 08:00:00", "08:00:00", two},
        {"channels 0 and 4", "0,08:00:00\r\n4,08:00:00\r\n", "08:00:00", none},
        {"eight chars, 1", "12:00:00", "12:00:00", one},
        {"eight chars, 2", "23:10:00\r\n", "23:10:00", two},
        {"eight chars, 0", "08:00:00\r\n", "08:00:00", none},
        {"heading", "Canal,HH:MM:SS\r\n3,08:00:00", "08:00:00", three},
        {"other time", "1,08:00:00\r\n", "08:00:01", none},
        {"duplicate", "2,07:30:00\r\n2,07:30:00\r\n", "07:30:00", two},
        {"two in a frame", "1,12:00:00\r\n3,12:00:00\r\n", "12:00:00", {true, false, true}},
        {"high byte first", "\xB1,08:00:00\r\n", "08:00:00", none},
        {"high bytes inside", "1,\xE9\xF1\xFF 08:00:00\r\n", "08:00:00", one},
        {"NUL inside", "1\0\0\0\x30\x38:00:00"s, "08:00:00", one},
        {"NUL at the end", "2,08:00:00\0\r\n"s, "08:00:00", none},
        {"after a NUL line", "\0\r\n3,08:00:00"s, "08:00:00", three},
        {"CR only", "1,08:00:00\r2,08:00:00\r3,09:00:00", "08:00:00", {true, true, false}},
        {"LF only is one line", "3,07:00:00\n1,08:00:00\n2,08:00:00", "08:00:00", three},
        {"LF only, inner time", "3,07:00:00\n1,08:00:00", "07:00:00", none},
        {"LF after CR LF",
         "1,08:00:00\r\n\n2,08:00:00\r3,08:00:00",
         "08:00:00",
         {true, false, true}},
        {"1 MB line", longLine + "\r\n1,08:00:00", "08:00:00", {true, true, false}},
        {"empty file", "", "00:00:00", none},
        {"line ends only", "\r\n\r\n\r", "00:00:00", none},
        {"no name", "", "08:00:00", none, Make::Nothing, ProgramFileStatus::NotSelected},
        {"missing", "missing.txt", "08:00:00", none, Make::Nothing, ProgramFileStatus::Missing},
        {"under a file", "f/x.txt", "08:00:00", none, Make::Nothing, ProgramFileStatus::Missing},
        {"NUL in the name", "f\0"s, "08:00:00", none, Make::Nothing, ProgramFileStatus::Missing},
        {"folder", "", "08:00:00", none, Make::Folder, ProgramFileStatus::Folder},
        {"no permission", "1,08:00:00", "08:00:00", none, Make::Locked,
         ProgramFileStatus::NoPermission},
        {"FIFO", "", "08:00:00", none, Make::Fifo, ProgramFileStatus::NotRegular},
        {"/dev/zero", "/dev/zero", "08:00:00", none, Make::Nothing, ProgramFileStatus::NotRegular},
        {"64 MB", "", "00:00:00", none, Make::Sized, ProgramFileStatus::Read, ProgramFile::maxSize},
        {"over 64 MB", "", "00:00:00", none, Make::Sized, ProgramFileStatus::TooLarge,
         ProgramFile::maxSize + 1},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    QFile(dir.filePath("f")).open(QIODevice::WriteOnly);
    ProgramFile reader;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QString path = dir.filePath(QString::fromUtf8(row.name).replace('/', '_'));
        const QByteArray native = QFile::encodeName(path);
        QFile file(path);
        switch (row.make) {
        case Make::Nothing:
            path = row.content.empty() ? QString() : QString::fromStdString(row.content);
            if (!path.startsWith('/') && !path.isEmpty())
                path = dir.filePath(path);
            break;
        case Make::File:
        case Make::Locked:
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(row.content.data(), qint64(row.content.size()));
            file.close();
            break;
        case Make::Folder:
            ASSERT_TRUE(QDir().mkdir(path));
            break;
        case Make::Fifo:
            ASSERT_EQ(::mkfifo(native.constData(), 0644), 0);
            break;
        case Make::Sized:
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(row.size));
            file.close();
            break;
        }
        if (row.make == Make::Locked) {
            ::chmod(native.constData(), 0);
            EXPECT_EQ(readAsUser(path), row.status);
            continue;
        }
        // A FIFO with no writer must not hold the read up; should it, a writer that
        // comes and goes releases it so the test can fail rather than hang.
        auto pending = std::async(std::launch::async, [&] { return reader.read(path); });
        if (pending.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            ::close(::open(native.constData(), O_WRONLY | O_NONBLOCK));
            ADD_FAILURE() << "the read blocked";
        }
        const ProgramFileResult result = pending.get();
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.description.isEmpty(), result.ok());
        if (row.make == Make::File) {
            EXPECT_EQ(result.text, row.content);
        }
        EXPECT_EQ(dueChannels(result.text, row.tick), row.due);
    }
}

TEST(BellProgram, ReusesItsBufferAndSeesEveryEdit)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("timbres_1.txt");
    const auto write = [&](const QByteArray &bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    ProgramFile reader;
    write("1,08:00:00\r\n2,08:00:00\r\n");
    const char *buffer = reader.read(path).text.data();
    write("3,08:00:00\r\n");
    const ProgramFileResult edited = reader.read(path);
    EXPECT_EQ(edited.text, "3,08:00:00\r\n");
    EXPECT_EQ(edited.text.data(), buffer);
}
