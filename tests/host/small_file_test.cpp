#include "host/small_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whatever the name points at, a read neither blocks nor runs without end; each
// refusal says why and leaves no contents. A read after a larger one sees the new
// contents whole and no more. (A FIFO stands for every name that is not a regular
// file.)
TEST(SmallFile, ReadsOnlyASmallRegularFileWhole)
{
    constexpr std::int64_t limit = 1 << 20;
    using Beyond = SmallFileReader::Beyond;
    QTemporaryDir dir;
    const auto at = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
    QFile small(at("timbres_1.txt"));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly) && small.write("1\0\0\r\n\xff", 6) == 6);
    small.close();
    ASSERT_TRUE(QFile(at("f")).open(QIODevice::WriteOnly) && QFile::resize(at("f"), limit) &&
                QFile::copy(at("f"), at("grande")) && QFile::resize(at("grande"), limit + 1));
    ASSERT_EQ(::mkfifo(QFile::encodeName(at("fifo")).constData(), 0644), 0);
    const std::string zeros(limit, '\0');
    const std::tuple<QString, Beyond, const char *, std::string> rows[] = {
        {at("grande"), Beyond::ReadStart, "", zeros},
        {at("falta.txt"), Beyond::Refuse, "el archivo no existe", ""},
        {at("f") + QChar(0), Beyond::Refuse, "el archivo no existe", ""},
        {at("f/x"), Beyond::Refuse, "el archivo no existe", ""},
        {dir.path(), Beyond::Refuse, "es una carpeta, no un archivo", ""},
        {at("fifo"), Beyond::ReadStart, "no es un archivo de texto normal", ""},
        {at("grande"), Beyond::Refuse, "es demasiado grande (más de 1 MB)", ""},
        {at("f"), Beyond::Refuse, "", zeros},
        {at("timbres_1.txt"), Beyond::Refuse, "", std::string("1\0\0\r\n\xff", 6)},
    };
    SmallFileReader reader;
    ::alarm(5); // a read that blocks ends the test with the alarm signal instead of hanging it
    for (const auto &[name, beyond, why, contents] : rows) {
        QString error;
        EXPECT_EQ(reader.read(name, limit, beyond, &error), *why == 0) << name.toStdString();
        EXPECT_EQ(error, QString::fromUtf8(why)) << name.toStdString();
        EXPECT_TRUE(reader.contents() == contents) << name.toStdString();
    }
    ::alarm(0);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(at("f")).constData(), 0);
    ::setfsuid(65534); // root would read whatever the mode says
    QString error;
    EXPECT_FALSE(reader.read(at("f"), limit, Beyond::Refuse, &error));
    ::setfsuid(::geteuid());
    EXPECT_EQ(error, QStringLiteral("no hay permiso para leerlo"));
}

} // namespace
