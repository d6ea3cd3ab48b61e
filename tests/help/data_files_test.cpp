#include "bells/bell_program.h"

#include <QFile>
#include <QString>
#include <QTime>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string clockText(int second)
{
    return QTime(0, 0).addSecs(second).toString(QStringLiteral("HH:mm:ss")).toStdString();
}

const QString sourceDir = QStringLiteral(SONVIRA_SOURCE_DIR);

// The default program must ring nothing at any second of the day until the
// operator edits it, read by the same reader as the tick.
TEST(DefaultProgram, RingsNothingAllDay)
{
    const QByteArray program = contents(sourceDir + QStringLiteral("/data/timbres_1.txt"));
    ASSERT_FALSE(program.isEmpty());
    const std::string_view text(program.constData(), size_t(program.size()));
    for (int second = 0; second < 24 * 3600; ++second)
        ASSERT_EQ(dueChannels(text, clockText(second)), FireFlags{}) << clockText(second);
}

// Its lines end in CR LF, as the reader and Windows' Notepad expect, and each
// example rings as documented once its leading '#' is removed.
TEST(DefaultProgram, ExamplesComeAliveWithoutTheirMark)
{
    const QByteArray program = contents(sourceDir + QStringLiteral("/data/timbres_1.txt"));
    ASSERT_TRUE(program.endsWith("\r\n"));
    EXPECT_EQ(program.count('\n'), program.count("\r\n"));
    EXPECT_EQ(program.count('\r'), program.count("\r\n"));
    int examples = 0;
    forEachLine(std::string_view(program.constData(), size_t(program.size())),
                [&](std::string_view line) {
                    for (unsigned char c : line)
                        EXPECT_LT(c, 0x80) << line; // one byte per character everywhere
                    if (line.empty() || line.front() != '#')
                        return;
                    ++examples;
                    const std::string_view live = line.substr(1);
                    const BellLine parts = splitLine(live);
                    ASSERT_GE(parts.channel, 1) << line;
                    ASSERT_LE(parts.channel, 3) << line;
                    FireFlags expected{};
                    expected[size_t(parts.channel - 1)] = true;
                    EXPECT_EQ(dueChannels(live, parts.time), expected) << line;
                });
    EXPECT_GE(examples, 3);
}

#ifdef SONVIRA_PROGRAM_FOLDERS
// The help button opens leeme.txt from the program's own folder, so a build must
// put it beside each executable.
TEST(HelpFile, LiesBesideEachExecutable)
{
    const QByteArray source = contents(sourceDir + QStringLiteral("/help/leeme.txt"));
    ASSERT_FALSE(source.isEmpty());
    for (const QString &folder : QStringLiteral(SONVIRA_PROGRAM_FOLDERS).split(u'|')) {
        SCOPED_TRACE(folder.toStdString());
        EXPECT_EQ(contents(folder + QStringLiteral("/leeme.txt")), source);
    }
}
#endif

} // namespace
