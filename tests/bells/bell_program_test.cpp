#include "bells/bell_program.h"
#include "bells/program_file.h"
#include "due_line_by_line.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

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
        ASSERT_EQ(dueChannels(text, "07:30:00"), dueLineByLine(text, "07:30:00")) << text;
    }
}

// One reader for every row, the largest program first: later reads reuse its buffer
// and still see each new content whole.
TEST(BellProgram, ReadsAndScansProgramFilesAndRefusesAnythingElse)
{
    const std::string mb(1 << 20, 'x');
    const std::tuple<std::string, const char *, FireFlags> rows[] = {
        {"2" + mb + "08:00:00\r\n1,08:00:00", "08:00:00", {1, 1, 0}},
        {"1,08:00:00\r\n", "08:00:00", {1, 0, 0}},
        {"3,17:45:30\r\n", "17:45:30", {0, 0, 1}},
        {"1,8:00:00\r\n", "08:00:00", {}},
        {"1,08:00\r\n", "08:00:00", {}},
        {"1,08:00:00 \r\n", "08:00:00", {}},
        {" 1,08:00:00\r\n", "08:00:00", {}},
        {"12,08:00:00", "08:00:00", {1, 0, 0}},
        {"2;08:00:00\r\n2 08:00:00", "08:00:00", {0, 1, 0}},
        {"0,08:00:00\r\n4,08:00:00\r\n", "08:00:00", {}},
        {"12:00:00", "12:00:00", {1, 0, 0}},
        {"23:10:00\r\n", "23:10:00", {0, 1, 0}},
        {"08:00:00\r\n", "08:00:00", {}},
        {"Canal,HH:MM:SS\r\n3,08:00:00", "08:00:00", {0, 0, 1}},
        {"\xB1,08:00:00\r\n1,\xE9\xF1\xFF 08:00:00", "08:00:00", {1, 0, 0}},
        {"1\0\0\0\x30\x38:00:00\r\n2,08:00:00\0\r\n\0\r\n3,08:00:00"s, "08:00:00", {1, 0, 1}},
        {"1,08:00:00\r2,08:00:00\r3,09:00:00", "08:00:00", {1, 1, 0}},
        {"3,07:00:00\n1,08:00:00\n2,08:00:00", "08:00:00", {0, 0, 1}},
        {"", "00:00:00", {}},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("timbres_1.txt"));
    ProgramFile reader;
    const char *buffer = nullptr;
    for (const auto &[content, tick, due] : rows) {
        std::ofstream(path.toStdString(), std::ios::binary) << content;
        const ProgramFileResult result = reader.read(path);
        ASSERT_TRUE(result.text == content) << content.substr(0, 40);
        EXPECT_EQ(dueChannels(result.text, tick), due) << content.substr(0, 40);
        EXPECT_EQ(result.text.data(), buffer ? buffer : (buffer = result.text.data()));
    }

    // Whatever the name points at, a read neither blocks nor runs without end.
    const auto at = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
    ASSERT_TRUE(QFile(at("f")).open(QIODevice::WriteOnly) &&
                QFile(at("grande")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::resize(at("f"), ProgramFile::maxSize) &&
                QFile::resize(at("grande"), ProgramFile::maxSize + 1));
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo")).constData(), 0644), 0);
    using enum ProgramFileStatus;
    const std::pair<QString, ProgramFileStatus> places[] = {
        {"", NotSelected},    {at("falta.txt"), Missing}, {at("f") + QChar(0), Missing},
        {dir.path(), Folder}, {at("fifo"), NotRegular},   {"/dev/zero", NotRegular},
        {at("f"), Read},      {at("grande"), TooLarge}};
    ::alarm(5); // a read that blocks ends the test with the alarm signal instead of hanging it
    for (const auto &[name, status] : places) {
        const ProgramFileResult result = reader.read(name);
        EXPECT_EQ(result.status, status) << name.toStdString();
        EXPECT_EQ(result.description.isEmpty(), result.ok()) << name.toStdString();
    }
    ::alarm(0);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(at("f")).constData(), 0);
    ::setfsuid(65534); // root would read whatever the mode says
    EXPECT_EQ(reader.read(at("f")).status, NoPermission);
    ::setfsuid(::geteuid());
}
