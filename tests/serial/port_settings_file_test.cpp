#include "serial/port_settings_file.h"

#include "files.h"

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
        {2, {"\" 2\"\r\n\0\0\" 3\"\r\n"_ba, "\" 2\"\r\" 3\"\r", "\" 2\"\n\" 3\"\n"}},
        {0, {"\" 3\"  \r\n", "-3", "\r\n\" 3\"\r\n", "", "\0\0 3\r\n"_ba, tooLong}}};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("puertos.txt"));
    for (const auto &[value, files] : rows) {
        for (const QByteArray &bytes : files) {
            ASSERT_TRUE(writeFile(path, bytes));
            EXPECT_EQ(readSavedPort(path), value) << bytes.left(16).toPercentEncoding().data();
        }
    }
    // Only the start of a file is read, however large it is.
    ASSERT_TRUE(writeFile(path, "\" 4\"\r\n") && QFile::resize(path, qint64(64) << 30));
    EXPECT_EQ(readSavedPort(path), 4) << "only its start is read";
}

// The data folder does not exist yet: the first write makes it; each write replaces
// a longer file whole. A write that fails leaves the file the operator had. A data
// folder the operator may not write to, puertos.txt writable: the port is written
// in place rather than lost with a replacement that cannot be made.
TEST(PortSettingsFile, WriteReplacesTheFileWholeOrLeavesItAlone)
{
    QTemporaryDir home;
    const QString folder = home.filePath(u"Quirzal"_s), path = folder + u"/puertos.txt"_s;
    const QByteArray longer = QByteArray(100, 'x') + "\r\n\" 9\"\r\n";
    QString error;
    for (int port = 1; port <= 4; ++port) {
        ASSERT_TRUE(writeSavedPort(path, port, &error)) << error.toStdString();
        EXPECT_EQ(contents(path), QByteArray("\x22\x20") + char('0' + port) + "\x22\x0D\x0A");
        ASSERT_TRUE(writeFile(path, longer)); // to be replaced whole
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
    EXPECT_TRUE(error.startsWith(u"No se pudo guardar el puerto en "_s + path))
        << error.toStdString();
    EXPECT_EQ(contents(path), longer);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"puertos.txt"_s});

    for (const auto &[name, mode] : {std::pair{home.path(), 0755}, {folder, 0555}, {path, 0666}})
        ASSERT_EQ(::chmod(QFile::encodeName(name).constData(), mode), 0);
    ::setfsuid(65534); // root would write whatever the modes say
    EXPECT_TRUE(writeSavedPort(path, 3, &error)) << error.toStdString();
    ::setfsuid(::geteuid());
    EXPECT_EQ(contents(path), "\" 3\"\r\n");
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}
