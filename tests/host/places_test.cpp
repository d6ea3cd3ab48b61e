#include "host/places.h"
#include "pseudo_terminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Restores an environment variable when the test ends, pass or fail.
class EnvironmentGuard
{
public:
    explicit EnvironmentGuard(const char *name)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {}
    ~EnvironmentGuard()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

void makeExecutable(const QString &path, bool executable = true)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("#!/bin/sh\nexit 0\n");
    file.close();
    QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        perms |= QFile::ExeOwner;
    file.setPermissions(perms);
}

enum class Entry { None, LinkToPty, DanglingLink, PlainFile, NoDataFolder };

struct PortCase
{
    const char *what;
    int port;
    Entry entry;
    bool expectLink; // else the expected device is the fallback, or none
    const char *fallback;
};

class PortDevice : public ::testing::TestWithParam<PortCase>
{
};

TEST_P(PortDevice, MapsComPortToDevice)
{
    const PortCase &c = GetParam();
    QTemporaryDir home;
    const Places places(home.path(), home.path());
    if (c.entry != Entry::NoDataFolder) {
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Quirzal")));
    }
    const QString link = places.dataFolder() + QStringLiteral("/COM%1").arg(c.port);

    PseudoTerminal pty;
    switch (c.entry) {
    case Entry::LinkToPty:
        ASSERT_TRUE(pty.isValid());
        ASSERT_TRUE(QFile::link(pty.slavePath(), link));
        break;
    case Entry::DanglingLink:
        ASSERT_TRUE(QFile::link(home.path() + QStringLiteral("/unplugged"), link));
        break;
    case Entry::PlainFile: {
        QFile file(link);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        break;
    }
    case Entry::None:
    case Entry::NoDataFolder:
        break;
    }

    // Only the path is asked for: nothing here opens a device.
    const QString device = places.portDevice(c.port);
    EXPECT_EQ(device, c.expectLink ? link : QString::fromLatin1(c.fallback));
}

INSTANTIATE_TEST_SUITE_P(
    ComPorts, PortDevice,
    ::testing::Values(PortCase{"link_to_pty", 1, Entry::LinkToPty, true, ""},
                      PortCase{"dangling_link", 2, Entry::DanglingLink, true, ""},
                      PortCase{"plain_file", 4, Entry::PlainFile, true, ""},
                      PortCase{"absent_com1", 1, Entry::None, false, "/dev/ttyS0"},
                      PortCase{"absent_com3", 3, Entry::None, false, "/dev/ttyS2"},
                      PortCase{"absent_com4", 4, Entry::None, false, "/dev/ttyS3"},
                      PortCase{"no_data_folder", 2, Entry::NoDataFolder, false, "/dev/ttyS1"},
                      PortCase{"port_0", 0, Entry::None, false, ""},
                      PortCase{"port_5", 5, Entry::None, false, ""},
                      PortCase{"port_minus_1", -1, Entry::None, false, ""},
                      // A COM0 or COM5 entry does not give those ports a device.
                      PortCase{"port_5_with_entry", 5, Entry::PlainFile, false, ""},
                      PortCase{"port_0_with_entry", 0, Entry::LinkToPty, false, ""}),
    [](const auto &info) { return std::string(info.param.what); });

TEST(Places, FilesLieInTheDataAndProgramFolders)
{
    const Places places(QStringLiteral("/home/op erador"), QStringLiteral("/opt/mi programa"));
    EXPECT_EQ(places.dataFolder(), QStringLiteral("/home/op erador/Quirzal"));
    EXPECT_EQ(places.portSettingsFile(), QStringLiteral("/home/op erador/Quirzal/puertos.txt"));
    EXPECT_EQ(places.defaultProgram(), QStringLiteral("/home/op erador/Quirzal/timbres_1.txt"));
    EXPECT_EQ(places.helpFile(), QStringLiteral("/opt/mi programa/leeme.txt"));

    const Places atRoot(QStringLiteral("/"), QStringLiteral("/"));
    EXPECT_EQ(atRoot.dataFolder(), QStringLiteral("/Quirzal"));
    EXPECT_EQ(QFileInfo(atRoot.helpFile()).absoluteFilePath(), QStringLiteral("/leeme.txt"));
}

TEST(Places, SystemPlacesFollowHomeAndTheExecutable)
{
    EnvironmentGuard keepHome("HOME");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    const Places places = Places::system();
    EXPECT_EQ(places.dataFolder(), home.path() + QStringLiteral("/Quirzal"));
    EXPECT_EQ(QFileInfo(places.programFolder()).canonicalFilePath(),
              QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath());
}

enum class Kind { Executable, NotExecutable, Folder, LinkToExecutable };

struct Program
{
    const char *folder;
    const char *name;
    Kind kind = Kind::Executable;
};

// Folders of a temporary PATH, filled per case.
struct EditorCase
{
    const char *what;
    std::vector<Program> programs;
    const char *searchPath; // folder names, ':' between them
    const char *expected;   // "folder/name", or "" for none
};

class EditorLookup : public ::testing::TestWithParam<EditorCase>
{
};

TEST_P(EditorLookup, FindsTheFirstEditorOfTheList)
{
    const EditorCase &c = GetParam();
    QTemporaryDir root;
    for (const char *folder : {"a", "b", "c d ñ"})
        ASSERT_TRUE(QDir(root.path()).mkpath(QString::fromUtf8(folder)));
    makeExecutable(root.path() + QStringLiteral("/elsewhere"));
    for (const Program &p : c.programs) {
        const QString path =
            root.path() + u'/' + QString::fromUtf8(p.folder) + u'/' + QString::fromUtf8(p.name);
        if (p.kind == Kind::Folder)
            ASSERT_TRUE(QDir().mkpath(path));
        else if (p.kind == Kind::LinkToExecutable)
            ASSERT_TRUE(QFile::link(root.path() + QStringLiteral("/elsewhere"), path));
        else
            makeExecutable(path, p.kind == Kind::Executable);
    }
    QStringList folders;
    for (const QString &part : QString::fromUtf8(c.searchPath).split(u':'))
        folders << (part.isEmpty() ? QString() : root.path() + u'/' + part);
    const QString expected =
        *c.expected ? root.path() + u'/' + QString::fromUtf8(c.expected) : QString();
    EXPECT_EQ(Places::editorProgram(folders.join(u':')), expected);
}

INSTANTIATE_TEST_SUITE_P(
    PathSearch, EditorLookup,
    ::testing::Values(
        EditorCase{
            "list_order_beats_path_order", {{"a", "geany"}, {"b", "gedit"}}, "a:b", "b/gedit"},
        EditorCase{
            "first_folder_wins_for_one_editor", {{"a", "kate"}, {"b", "kate"}}, "b:a", "b/kate"},
        EditorCase{"gnome_text_editor_first",
                   {{"a", "gedit"}, {"b", "gnome-text-editor"}, {"a", "kwrite"}},
                   "a:b",
                   "b/gnome-text-editor"},
        EditorCase{"not_executable_is_skipped",
                   {{"a", "gedit", Kind::NotExecutable}, {"b", "pluma"}},
                   "a:b",
                   "b/pluma"},
        EditorCase{"last_of_the_list", {{"c d ñ", "geany"}}, "a:b:c d ñ", "c d ñ/geany"},
        EditorCase{"folder_not_on_path", {{"c d ñ", "gedit"}}, "a:b", ""},
        EditorCase{"other_programs_only", {{"a", "vim"}, {"b", "notepad.exe"}}, "a:b", ""},
        EditorCase{"folder_is_no_editor",
                   {{"a", "gedit", Kind::Folder}, {"b", "leafpad"}},
                   "a:b",
                   "b/leafpad"},
        EditorCase{
            "link_to_an_editor", {{"b", "mousepad", Kind::LinkToExecutable}}, "a:b", "b/mousepad"},
        EditorCase{"empty_entries_only", {}, "::", ""}),
    [](const auto &info) { return std::string(info.param.what); });

// A search path without folders finds nothing: neither the process's own PATH nor
// the working folder stands in for it.
TEST(EditorLookup, EmptySearchPathLooksNowhereElse)
{
    EnvironmentGuard keepPath("PATH");
    QTemporaryDir root;
    makeExecutable(root.path() + QStringLiteral("/gedit"));
    qputenv("PATH", QFile::encodeName(root.path()));
    const QString oldCurrent = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root.path()));

    EXPECT_EQ(Places::editorProgram(QString()), QString());
    EXPECT_EQ(Places::editorProgram(QStringLiteral(":")), QString());
    EXPECT_EQ(Places::editorProgram(), root.path() + QStringLiteral("/gedit"));

    QDir::setCurrent(oldCurrent);
}

} // namespace
