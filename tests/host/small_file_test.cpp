#include "host/small_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

constexpr std::int64_t limit = 1 << 20;
using Beyond = SmallFileReader::Beyond;

// One reader for every content, the largest first: later reads reuse its buffer and
// still see each new content whole.
TEST(SmallFile, ReadsWholeFilesIntoOneBuffer)
{
    const std::string contents[] = {std::string(limit, 'x'), "1,08:00:00\r\n", "1\0\0\r\n\xff"s,
                                    ""};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("timbres_1.txt"));
    SmallFileReader reader;
    const char *buffer = nullptr;
    for (const std::string &content : contents) {
        std::ofstream(path.toStdString(), std::ios::binary) << content;
        QString error;
        ASSERT_TRUE(reader.read(path, limit, Beyond::Refuse, &error)) << error.toStdString();
        EXPECT_TRUE(reader.contents() == content) << content.substr(0, 20);
        EXPECT_TRUE(content.empty() || reader.contents().data() ==
                                           (buffer ? buffer : (buffer = reader.contents().data())));
    }
}

// Whatever the name points at, a read neither blocks nor runs without end; each
// refusal says why.
TEST(SmallFile, RefusesAnythingButASmallRegularFile)
{
    QTemporaryDir dir;
    const auto at = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
    ASSERT_TRUE(QFile(at("f")).open(QIODevice::WriteOnly) &&
                QFile(at("grande")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::resize(at("f"), limit) && QFile::resize(at("grande"), limit + 1));
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), at("cero")));
    const std::tuple<QString, Beyond, const char *> rows[] = {
        {at("falta.txt"), Beyond::Refuse, "el archivo no existe"},
        {at("f") + QChar(0), Beyond::Refuse, "el archivo no existe"},
        {at("f/x"), Beyond::Refuse, "el archivo no existe"},
        {dir.path(), Beyond::Refuse, "es una carpeta, no un archivo"},
        {at("fifo"), Beyond::Refuse, "no es un archivo de texto normal"},
        {at("cero"), Beyond::ReadStart, "no es un archivo de texto normal"},
        {at("grande"), Beyond::Refuse, "es demasiado grande (más de 1 MB)"},
        {at("f"), Beyond::Refuse, ""},
        {at("grande"), Beyond::ReadStart, ""},
    };
    SmallFileReader reader;
    ::alarm(5); // a read that blocks ends the test with the alarm signal instead of hanging it
    for (const auto &[name, beyond, why] : rows) {
        QString error;
        EXPECT_EQ(reader.read(name, limit, beyond, &error), *why == 0) << name.toStdString();
        EXPECT_EQ(error, QString::fromUtf8(why)) << name.toStdString();
        EXPECT_EQ(reader.contents().size(), *why ? 0 : std::size_t(limit)) << name.toStdString();
    }
    ::alarm(0);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(at("f")).constData(), 0);
    ::setfsuid(65534); // root would read whatever the mode says
    QString error;
    EXPECT_FALSE(reader.read(at("f"), limit, Beyond::Refuse, &error));
    EXPECT_EQ(error, QStringLiteral("no hay permiso para leerlo"));
    ::setfsuid(::geteuid());
}

} // namespace
