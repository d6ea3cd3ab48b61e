#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "fake_host.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

QStringList shown(const FileListBox *list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names.append(list->item(row)->text());
    return names;
}

void clickOn(FileListBox *list, const QString &name)
{
    const QList<QListWidgetItem *> items = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << name.toStdString();
    list->scrollToItem(items.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(items.first()).center());
}

// A window of either program, File1 on a working folder of its own (with a blank
// in its name) that is not the program folder, File2 on the default program as
// start-up leaves it, and a PATH whose only editor is a stand-in: the recording
// launcher never runs it.
class ProgramSelection : public ::testing::TestWithParam<Edition>
{
protected:
    void SetUp() override
    {
        oldPath_ = qgetenv("PATH");
        ASSERT_TRUE(QDir().mkpath(bin_));
        qputenv("PATH", QFile::encodeName(bin_));
        touch(editor_);
        QFile(editor_).setPermissions(QFile::ReadOwner | QFile::ExeOwner);

        ASSERT_TRUE(QDir().mkpath(work_));
        for (const char *name : {"timbres_1.txt", "timbres_2.txt", "timbres de verano.txt",
                                 "timbre_sabado.txt", "timbre_domingo.txt", "leeme.txt"})
            touch(work_ + u'/' + QLatin1String(name));
        // The program folder holds files of the same names: they must not be edited.
        for (const char *name : {"timbres_2.txt", "timbre_sabado.txt"})
            touch(fake_.host.places.programFolder() + u'/' + QLatin1String(name));
        touch(fake_.host.places.defaultProgram());
        touch(fake_.dataFolder() + QStringLiteral("/timbres_3.txt"));

        form_ = std::make_unique<Form1>(GetParam(), fake_.host);
        form_->Timer1->stop();
        form_->File1->setPath(work_);
        form_->File2->setFileName(fake_.host.places.defaultProgram());
        form_->show();
    }
    void TearDown() override { qputenv("PATH", oldPath_); }

    QList<QStringList> editedAs(const QStringList &names) const
    {
        QList<QStringList> starts;
        for (const QString &name : names)
            starts.append({editor_, work_ + u'/' + name});
        return starts;
    }
    // The file the tick opens.
    QString inUse() const { return form_->File2->path() + u'/' + form_->File2->fileName(); }

    FakeHost fake_;
    const QString bin_ = fake_.home.path() + QStringLiteral("/bin");
    const QString editor_ = bin_ + QStringLiteral("/gedit");
    const QString work_ = fake_.home.path() + QStringLiteral("/carpeta de trabajo");
    QByteArray oldPath_;
    std::unique_ptr<Form1> form_;
};

TEST_P(ProgramSelection, SelectingANameEditsTheListedFileAndPutsItInUse)
{
    const struct
    {
        const char *name;
        QStringList file2Shows;
    } table[] = {
        {"timbres de verano.txt", {"timbres de verano.txt", "timbres_1.txt", "timbres_2.txt"}},
        // Outside File2's own pattern, yet it is what the tick will read.
        {"timbre_sabado.txt",
         {"timbre_sabado.txt", "timbres de verano.txt", "timbres_1.txt", "timbres_2.txt"}},
    };
    for (const auto &row : table) {
        SCOPED_TRACE(row.name);
        const QString name = QString::fromUtf8(row.name);
        fake_.launcher.starts.clear();
        clickOn(form_->File1, name);
        EXPECT_EQ(fake_.launcher.starts, editedAs({name}));
        EXPECT_EQ(form_->File2->path(), work_);
        EXPECT_EQ(form_->File2->fileName(), name);
        EXPECT_EQ(shown(form_->File2), row.file2Shows);
        EXPECT_EQ(inUse(), work_ + u'/' + name);
    }
    EXPECT_EQ(fake_.messages.texts, QStringList());
}

// An editor that saves by removing the file and writing it anew must not lose the
// selection, even of a name File2's pattern leaves out.
TEST_P(ProgramSelection, ANameOutsideFile2sPatternStaysInUseThroughASave)
{
    clickOn(form_->File1, QStringLiteral("timbre_sabado.txt"));
    const QString path = work_ + QStringLiteral("/timbre_sabado.txt");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form_->File2->count() == 3; }, 5000));
    touch(path);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form_->File2->count() == 4; }, 5000));
    EXPECT_EQ(inUse(), path);
    EXPECT_EQ(fake_.launcher.starts.size(), 1);
}

TEST_P(ProgramSelection, SelectingDirectlyInFile2ChangesTheProgramWithoutAnEditor)
{
    clickOn(form_->File2, QStringLiteral("timbres_3.txt"));
    EXPECT_EQ(inUse(), fake_.dataFolder() + QStringLiteral("/timbres_3.txt"));

    clickOn(form_->File1, QStringLiteral("timbres_2.txt"));
    ASSERT_EQ(fake_.launcher.starts.size(), 1);
    QTest::keyClick(form_->File2, Qt::Key_Up);
    EXPECT_EQ(inUse(), work_ + QStringLiteral("/timbres_1.txt"));
    EXPECT_EQ(fake_.launcher.starts.size(), 1);
    EXPECT_EQ(fake_.messages.texts, QStringList());
}

TEST_P(ProgramSelection, ArrowKeysInFile1EditEveryNamePassedAndTheLastIsInUse)
{
    // File1 reads: timbre_domingo, timbre_sabado, timbres de verano, timbres_1, timbres_2.
    form_->File1->setFileName(QStringLiteral("timbre_domingo.txt"));
    form_->File1->setFocus();
    EXPECT_TRUE(fake_.launcher.starts.isEmpty());
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(form_->File1, Qt::Key_Down);
    QTest::keyClick(form_->File1, Qt::Key_Up);
    EXPECT_EQ(fake_.launcher.starts, editedAs({"timbre_sabado.txt", "timbres de verano.txt",
                                               "timbres_1.txt", "timbres de verano.txt"}));
    EXPECT_EQ(inUse(), work_ + QStringLiteral("/timbres de verano.txt"));
}

TEST_P(ProgramSelection, AnEditorThatCannotStartLeavesTheProgramInUse)
{
    const QString before = inUse();
    const QString path = work_ + QStringLiteral("/timbres_2.txt");
    const struct
    {
        const char *why;
        std::function<void()> breakEditor;
        QString description;
        qsizetype starts; // tried once, never again
    } table[] = {
        {"start refused", [&] { fake_.launcher.failWith = QStringLiteral("Permiso denegado"); },
         QStringLiteral("Permiso denegado"), 1},
        {"no editor", [&] { QFile::remove(editor_); },
         QStringLiteral("No se encontró ningún editor de textos"), 0},
    };
    for (const auto &row : table) {
        SCOPED_TRACE(row.why);
        row.breakEditor();
        fake_.messages.texts.clear();
        fake_.launcher.starts.clear();
        clickOn(form_->File1, QStringLiteral("timbres_2.txt"));
        ASSERT_EQ(fake_.messages.texts.size(), 2);
        EXPECT_EQ(fake_.messages.texts[0], QStringLiteral("No se pudo abrir ") + path +
                                               QStringLiteral(" en el Bloc de Notas"));
        EXPECT_TRUE(fake_.messages.texts[1].startsWith(QStringLiteral("Sistema detectó: ") +
                                                       row.description))
            << fake_.messages.texts[1].toStdString();
        EXPECT_EQ(fake_.launcher.starts.size(), row.starts);
        EXPECT_EQ(inUse(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ProgramSelection,
                         ::testing::Values(Edition::Sonvira, Edition::Repetidores),
                         [](const auto &info) { return programName(info.param).toStdString(); });

} // namespace
