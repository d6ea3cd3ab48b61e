#include "app/file_list_box.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class FileListBoxTest : public ::testing::Test
{
protected:
    void touch(const QString &name, const QTemporaryDir &dir)
    {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void touch(const QString &name) { touch(name, folder); }

    static QStringList shown(const FileListBox &list)
    {
        QStringList names;
        for (int row = 0; row < list.count(); ++row)
            names.append(list.item(row)->text());
        return names;
    }

    // A list on the folder, shown so that it can be clicked.
    FileListBox &make(const QString &pattern)
    {
        list = std::make_unique<FileListBox>();
        list->setPath(folder.path());
        list->setPattern(pattern);
        list->resize(200, 120);
        list->show();
        return *list;
    }

    QTemporaryDir folder;
    std::unique_ptr<FileListBox> list;
};

TEST_F(FileListBoxTest, ListsTheNamesThatMatchItsPatternWhateverTheirCase)
{
    for (const char *name : {"timbres_1.txt", "TIMBRES_2.TXT", "Timbre_Navidad.Txt", "timbre.txt",
                             "timbres_1.txt.bak", "mis_timbres.txt", "timbres.csv", "leeme.txt"})
        touch(QString::fromLatin1(name));
    QDir(folder.path()).mkdir(QStringLiteral("timbres_viejos.txt")); // a folder is not a file

    const struct
    {
        const char *pattern;
        QStringList expected;
    } table[] = {
        {"timbres*.txt", {"timbres_1.txt", "TIMBRES_2.TXT"}},
        {"timbre*.txt", {"timbre.txt", "Timbre_Navidad.Txt", "timbres_1.txt", "TIMBRES_2.TXT"}},
        {"TIMBRES*.TXT", {"timbres_1.txt", "TIMBRES_2.TXT"}},
    };
    for (const auto &row : table)
        EXPECT_EQ(shown(make(QString::fromLatin1(row.pattern))), row.expected) << row.pattern;
}

TEST_F(FileListBoxTest, StartsOnTheWorkingFolder)
{
    EXPECT_EQ(FileListBox().path(), QDir::currentPath());
}

TEST_F(FileListBoxTest, FollowsTheFolderAndKeepsTheSelectionWithoutAClick)
{
    touch(QStringLiteral("timbres_5.txt"));
    FileListBox &box = make(QStringLiteral("timbres*.txt"));
    box.setFileName(QStringLiteral("timbres_5.txt"));
    QSignalSpy clicks(&box, &FileListBox::Click);

    touch(QStringLiteral("timbres_1.txt")); // lands before the selected name
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.count() == 2; }, 5000));
    EXPECT_EQ(box.fileName(), QStringLiteral("timbres_5.txt"));

    // An editor that saves by removing and writing anew takes the name away for a while.
    ASSERT_TRUE(QFile::remove(folder.filePath(QStringLiteral("timbres_5.txt"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.count() == 1; }, 5000));
    EXPECT_EQ(box.fileName(), QString());
    touch(QStringLiteral("timbres_5.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.count() == 2; }, 5000));
    EXPECT_EQ(box.fileName(), QStringLiteral("timbres_5.txt"));

    EXPECT_EQ(clicks.size(), 0);
}

TEST_F(FileListBoxTest, ClicksOnlyWhenTheOperatorSelects)
{
    for (const char *name : {"timbre_a.txt", "timbre_b.txt", "timbre_c.txt"})
        touch(QString::fromLatin1(name));
    FileListBox &box = make(QStringLiteral("timbre*.txt"));
    QSignalSpy clicks(&box, &FileListBox::Click);
    const auto clickOn = [&](int row) {
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {},
                          box.visualItemRect(box.item(row)).center());
    };

    box.setFileName(QStringLiteral("timbre_a.txt"));
    EXPECT_EQ(clicks.size(), 0);

    clickOn(1);
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(box.fileName(), QStringLiteral("timbre_b.txt"));

    clickOn(1); // the same name again: the operator chose it again
    EXPECT_EQ(clicks.size(), 2);

    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(clicks.size(), 3);
    EXPECT_EQ(box.fileName(), QStringLiteral("timbre_c.txt"));

    // The operator cannot clear the selection: neither with Ctrl nor below the names.
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      box.visualItemRect(box.item(2)).center());
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, QPoint(5, box.viewport()->height() - 2));
    EXPECT_EQ(box.fileName(), QStringLiteral("timbre_c.txt"));
}

TEST_F(FileListBoxTest, ANameWithAFolderPointsTheListThere)
{
    QTemporaryDir data;
    touch(QStringLiteral("timbres_1.txt"), data);
    touch(QStringLiteral("timbres_2.txt"), data);
    FileListBox &box = make(QStringLiteral("timbres*.txt"));

    box.setFileName(data.filePath(QStringLiteral("timbres_1.txt")));
    EXPECT_EQ(box.path(), data.path());
    EXPECT_EQ(shown(box), QStringList({"timbres_1.txt", "timbres_2.txt"}));
    EXPECT_EQ(box.fileName(), QStringLiteral("timbres_1.txt"));

    box.setFileName(QStringLiteral("TIMBRES_2.TXT")); // a bare name stays in the folder
    EXPECT_EQ(box.path(), data.path());
    EXPECT_EQ(box.fileName(), QStringLiteral("timbres_2.txt"));

    // A name not there yet is selected when it appears.
    box.setFileName(QStringLiteral("timbres_3.txt"));
    EXPECT_EQ(box.fileName(), QString());
    touch(QStringLiteral("timbres_3.txt"), data);
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.fileName() == "timbres_3.txt"; }, 5000));
}

} // namespace
