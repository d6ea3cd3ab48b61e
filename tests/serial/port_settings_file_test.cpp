#include "serial/number_text.h"
#include "serial/port_settings_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct ReadCase
{
    const char *what;
    QByteArray bytes;
    double expected;
};

// The bytes of a case can be megabytes; a failure names the case only.
void PrintTo(const ReadCase &c, std::ostream *os)
{
    *os << c.what;
}

class ReadRule : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(ReadRule, GivesTheSavedPortValue)
{
    const ReadCase &c = GetParam();
    EXPECT_EQ(savedPortValue(c.bytes), c.expected);

    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/puertos.txt");
    ASSERT_TRUE(put(path, c.bytes));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(readSavedPort(path), c.expected);
    EXPECT_LT(timer.elapsed(), 100);
}

QByteArray garbage(qsizetype size, const QByteArray &tail)
{
    QByteArray bytes(size - tail.size(), Qt::Uninitialized);
    quint32 x = 12345;
    for (char &c : bytes) {
        x = x * 1103515245 + 12345;
        c = char('!' + (x >> 16) % 90); // printable, never a line end
    }
    return bytes + tail;
}

using namespace Qt::Literals::StringLiterals;

INSTANTIATE_TEST_SUITE_P(
    Bytes, ReadRule,
    ::testing::Values(
        ReadCase{"port_4_as_written", "\" 4\"\r\n"_ba, 4},
        ReadCase{"port_1_as_written", "\" 1\"\r\n"_ba, 1},
        ReadCase{"single_character_3", "3"_ba, 3}, ReadCase{"com3", "COM3"_ba, 0},
        ReadCase{"two_trailing_blanks", "\" 3\"  \r\n"_ba, 0},
        ReadCase{"blank_then_digit", "puerto 2"_ba, 2},
        ReadCase{"digit_then_blank", "7 \r\n"_ba, 7}, ReadCase{"tab_then_digit", "x\t3"_ba, 3},
        ReadCase{"two_digits", "12"_ba, 12}, ReadCase{"port_12_as_written", "\" 12\"\r\n"_ba, 2},
        ReadCase{"fraction_2_5", "2.5"_ba, 0.5}, ReadCase{"trailing_point", "x5."_ba, 5},
        ReadCase{"point_alone", "\" .\""_ba, 0}, ReadCase{"signs", "-3"_ba, 0},
        ReadCase{"plus_sign", "+3"_ba, 0},
        ReadCase{"several_lines_first_counts", "\" 2\"\r\n\" 3\"\r\n"_ba, 2},
        ReadCase{"empty_first_line", "\r\n\" 3\"\r\n"_ba, 0},
        ReadCase{"cr_only", "\" 2\"\r\" 3\"\r"_ba, 2},
        ReadCase{"lf_only", "\" 2\"\n\" 3\"\n"_ba, 2}, ReadCase{"no_line_end", "\" 3\""_ba, 3},
        ReadCase{"empty_file", ""_ba, 0}, ReadCase{"blanks_only", "  \r\n"_ba, 0},
        ReadCase{"nul_bytes_only", QByteArray(6, '\0'), 0},
        ReadCase{"nul_in_first_line", QByteArray("\0\0 3\r\n", 6), 0},
        ReadCase{"nul_after_first_line", QByteArray("\" 3\"\r\n\0\0", 8), 3},
        ReadCase{"utf8_signature", "\xEF\xBB\xBF\" 4\"\r\n"_ba, 4},
        ReadCase{"latin1_letter_then_digit",
                 "\xD1"
                 "3"_ba,
                 0},
        ReadCase{"long_first_line", garbage(3000, " 3\r\n"), 3},
        ReadCase{"ten_megabytes_of_garbage", garbage(10'000'000, " 3"), 0},
        ReadCase{"garbage_after_first_line", "\" 1\"\r\n"_ba + garbage(10'000'000, " 3"), 1}),
    [](const auto &info) { return std::string(info.param.what); });

// Files that are not what they should be read as no saved port, at once.
TEST(ReadRule, OddPlacesGiveZero)
{
    QTemporaryDir dir;
    const QString data = dir.path() + QStringLiteral("/Quirzal");
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/puertos.txt"))); // folder in place
    EXPECT_EQ(readSavedPort(data + QStringLiteral("/puertos.txt")), 0);
    EXPECT_EQ(readSavedPort(dir.path() + QStringLiteral("/falta/puertos.txt")), 0);
    EXPECT_EQ(readSavedPort(dir.path() + QStringLiteral("/puertos.txt")), 0);

    const QString target = dir.path() + QStringLiteral("/guardado.txt");
    const QString link = dir.path() + QStringLiteral("/enlace.txt");
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_EQ(readSavedPort(link), 0); // dangling
    ASSERT_TRUE(put(target, "\" 4\"\r\n"));
    EXPECT_EQ(readSavedPort(link), 4);

    if (geteuid() != 0) { // root reads whatever the permissions say
        ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::WriteOwner));
        EXPECT_EQ(readSavedPort(target), 0);
    }
}

// Only the beginning of the file is read: a sparse file of 64 GiB whose first line
// is a port takes no longer than six bytes.
TEST(ReadRule, HugeFileIsNotReadWhole)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/puertos.txt");
    ASSERT_TRUE(put(path, "\" 3\"\r\n"));
    ASSERT_TRUE(QFile::resize(path, qint64(64) << 30));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(readSavedPort(path), 3);
    EXPECT_LT(timer.elapsed(), 100);
}

// A FIFO has no writer: opening it for reading the usual way would wait for
// one. If the reader does block, a helper opens the other end after a second so
// that the test ends, and the test fails.
TEST(ReadRule, FifoDoesNotBlock)
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.path() + QStringLiteral("/puertos.txt"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);

    std::atomic<bool> done = false, rescued = false;
    std::thread rescuer([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done)
            return;
        rescued = true;
        const int fd = ::open(fifo.constData(), O_RDWR);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::close(fd);
    });
    const double value = readSavedPort(QFile::decodeName(fifo));
    done = true;
    rescuer.join();
    EXPECT_FALSE(rescued);
    EXPECT_EQ(value, 0);
}

struct WriteCase
{
    int port;
    QByteArray bytes;
    double readBack;
};

class WriteRule : public ::testing::TestWithParam<WriteCase>
{
};

TEST_P(WriteRule, StoresOneLineAndReadsBack)
{
    const WriteCase &c = GetParam();
    QTemporaryDir home;
    // The data folder does not exist yet: the first write makes it.
    const QString path = home.path() + QStringLiteral("/Quirzal/puertos.txt");
    QString error;
    ASSERT_TRUE(writeSavedPort(path, c.port, &error)) << error.toStdString();
    EXPECT_EQ(contents(path), c.bytes);
    EXPECT_EQ(readSavedPort(path), c.readBack);

    // Rewriting replaces a longer content whole and leaves no stray files behind.
    ASSERT_TRUE(put(path, QByteArray(100, 'x') + "\r\n\" 9\"\r\n"));
    ASSERT_TRUE(writeSavedPort(path, c.port, &error)) << error.toStdString();
    EXPECT_EQ(contents(path), c.bytes);
    EXPECT_EQ(QDir(home.path() + QStringLiteral("/Quirzal"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("puertos.txt")});
}

INSTANTIATE_TEST_SUITE_P(Ports, WriteRule,
                         ::testing::Values(WriteCase{1, "\x22\x20\x31\x22\x0D\x0A", 1},
                                           WriteCase{2, "\x22\x20\x32\x22\x0D\x0A", 2},
                                           WriteCase{3, "\x22\x20\x33\x22\x0D\x0A", 3},
                                           WriteCase{4, "\x22\x20\x34\x22\x0D\x0A", 4},
                                           WriteCase{0, "\" 0\"\r\n", 0},
                                           // Only the last digit survives the read rule.
                                           WriteCase{12, "\" 12\"\r\n", 2}));

TEST(WriteRule, FailureIsReportedAndLeavesTheOldFile)
{
    QTemporaryDir home;
    QString error;

    // The data folder's name is taken by a file.
    ASSERT_TRUE(put(home.path() + QStringLiteral("/Quirzal"), "no soy una carpeta"));
    EXPECT_FALSE(writeSavedPort(home.path() + QStringLiteral("/Quirzal/puertos.txt"), 2, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("puertos.txt"))) << error.toStdString();
    EXPECT_EQ(contents(home.path() + QStringLiteral("/Quirzal")), "no soy una carpeta");

    // A folder stands where the file should be.
    const QString folder = home.path() + QStringLiteral("/otro/puertos.txt");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/dentro")));
    error.clear();
    EXPECT_FALSE(writeSavedPort(folder, 2, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/dentro")).isDir());
}

// With a file-size limit of 0 every write fails, as on a full disk. The write
// must say so, and the file stored before must survive whole: an empty or partial
// file would lose the operator's port.
TEST(WriteRule, DiskFullKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/puertos.txt");
    const QByteArray old = "\" 3\"\r\n";
    ASSERT_TRUE(put(path, old));

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, 0};
        setrlimit(RLIMIT_FSIZE, &none);
        QString error;
        const bool written = writeSavedPort(path, 2, &error);
        _exit(written ? 1 : error.isEmpty() ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported success, 2: no description";
    EXPECT_EQ(contents(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("puertos.txt")});
}

TEST(NumberText, OneBlankBeforeTheDigits)
{
    const std::pair<double, const char *> cases[] = {{1, " 1"},
                                                     {4, " 4"},
                                                     {300, " 300"},
                                                     {2400, " 2400"},
                                                     {0, " 0"},
                                                     {2.5, " 2.5"},
                                                     {0.5, " 0.5"},
                                                     {12, " 12"},
                                                     {-0.0, " 0"},
                                                     {-1, "-1"},
                                                     {1e20, " 100000000000000000000"}};
    for (const auto &[value, text] : cases)
        EXPECT_EQ(numberText(value), QString::fromLatin1(text)) << value;
}

} // namespace
