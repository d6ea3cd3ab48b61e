#include "serial/port_settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

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

} // namespace

TEST(PortSettingsFile, ReadsTheLastTwoCharactersOfTheFirstLineElseNoPort)
{
    // 10 MB without a line end, where a cut anywhere would end in a number.
    const QByteArray noise = QByteArray(" 5").repeated(5'000'000);
    const QByteArray longLine = noise.left(3000) + " 3\r\n" + noise, tooLong = noise + "xx";
    const std::pair<double, QList<QByteArray>> rows[] = {
        {4, {"\" 4\"\r\n"}},
        {3, {"3", longLine}},
        {12, {"12"}},
        {0.5, {"2.5"}},
        {2, {"puerto 2", "\" 2\"\r\n\0\0\" 3\"\r\n"_ba, "\" 2\"\r\" 3\"\r", "\" 2\"\n\" 3\"\n"}},
        {0, {"COM3", "\" 3\"  \r\n", "-3", "\r\n\" 3\"\r\n", "", "\0\0 3\r\n"_ba, tooLong}}};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("puertos.txt"));
    for (const auto &[value, files] : rows) {
        for (const QByteArray &bytes : files) {
            ASSERT_TRUE(put(path, bytes));
            EXPECT_EQ(readSavedPort(path), value) << bytes.left(16).toPercentEncoding().data();
        }
    }

    // Odd places read as no saved port, at once.
    EXPECT_EQ(readSavedPort(dir.filePath(QStringLiteral("falta/puertos.txt"))), 0);
    EXPECT_EQ(readSavedPort(dir.path()), 0);
    ASSERT_TRUE(put(path, "\" 4\"\r\n") && QFile::resize(path, qint64(64) << 30));
    EXPECT_EQ(readSavedPort(path), 4) << "only its start is read";
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(path).constData(), 0);
    ::setfsuid(65534); // root would read whatever the mode says
    EXPECT_EQ(readSavedPort(path), 0);
    ::setfsuid(::geteuid());
}

TEST(PortSettingsFile, WriteReplacesTheFileWholeOrLeavesItAlone)
{
    QTemporaryDir home;
    // The data folder does not exist yet: the first write makes it.
    const QString path = home.filePath(QStringLiteral("Quirzal/puertos.txt"));
    const QByteArray longer = QByteArray(100, 'x') + "\r\n\" 9\"\r\n";
    QString error;
    for (int port = 1; port <= 4; ++port) {
        ASSERT_TRUE(writeSavedPort(path, port, &error)) << error.toStdString();
        EXPECT_EQ(contents(path), QByteArray("\x22\x20") + char('0' + port) + "\x22\x0D\x0A");
        ASSERT_TRUE(put(path, longer)); // to be replaced whole
    }

    // With a file-size limit of 0 every write fails, as on a full disk; an empty or
    // partial file would lose the operator's port.
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{0, limit.rlim_max};
    ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &full);
    const bool written = writeSavedPort(path, 2, &error);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(QStringLiteral("puertos.txt"))) << error.toStdString();
    EXPECT_EQ(contents(path), longer);
    EXPECT_EQ(QDir(home.filePath(QStringLiteral("Quirzal"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("puertos.txt")});
}

// A data folder the operator may not write to, with puertos.txt writable: the port is
// written in place. With the file read-only too, the write says why it failed.
TEST(PortSettingsFile, ReadOnlyFolderWritesInPlaceOrSaysWhy)
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("Quirzal"));
    const QString path = folder + QStringLiteral("/puertos.txt");
    ASSERT_TRUE(QDir().mkpath(folder) && put(path, "\" 1\"\r\n"));
    const auto mode = [](const QString &name, mode_t bits) {
        return ::chmod(QFile::encodeName(name).constData(), bits) == 0;
    };
    ASSERT_TRUE(mode(home.path(), 0755) && mode(folder, 0555) && mode(path, 0666));
    ::setfsuid(65534); // root would write whatever the modes say
    QString error;
    const bool inPlace = writeSavedPort(path, 3, &error);
    ::setfsuid(::geteuid());
    EXPECT_TRUE(inPlace) << error.toStdString();
    EXPECT_EQ(contents(path), "\" 3\"\r\n");

    ASSERT_TRUE(mode(path, 0444));
    ::setfsuid(65534);
    const bool refused = !writeSavedPort(path, 4, &error);
    ::setfsuid(::geteuid());
    EXPECT_TRUE(refused);
    EXPECT_TRUE(error.startsWith(QStringLiteral("No se pudo guardar el puerto en ") + path))
        << error.toStdString();
    EXPECT_EQ(contents(path), "\" 3\"\r\n");
    mode(folder, 0755);
}
