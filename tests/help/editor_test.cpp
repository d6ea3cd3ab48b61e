#include "fake_host.h"
#include "help/editor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

bool waitForFile(const QString &path, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(path)) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(10);
    }
    return true;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeScript(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A PATH that holds only the test's own folder, for the whole test.
class EditorOnPath : public ::testing::Test
{
protected:
    void SetUp() override
    {
        oldPath_ = qgetenv("PATH");
        bin_ = root_.path() + QStringLiteral("/bin");
        ASSERT_TRUE(QDir().mkpath(bin_));
        qputenv("PATH", QFile::encodeName(bin_));
    }
    void TearDown() override { qputenv("PATH", oldPath_); }

    // An editor that writes each argument to its own file, then the count, and
    // exits; a shell would have run the commands hidden in the names first.
    void installRecordingEditor(const QString &name)
    {
        QByteArray script = R"(#!/bin/sh
PATH=/usr/bin:/bin
rec='@ROOT@/rec'
mkdir -p "$rec"
n=0
for a; do n=$((n+1)); printf '%s' "$a" > "$rec/$n"; done
echo $n > "$rec/count.tmp"
mv "$rec/count.tmp" "$rec/count"
)";
        writeScript(bin_ + u'/' + name, script.replace("@ROOT@", QFile::encodeName(root_.path())));
    }
    QString record(const QString &name) const
    {
        return root_.path() + QStringLiteral("/rec/") + name;
    }

    QTemporaryDir root_;
    QString bin_;
    QByteArray oldPath_;
    FakeClock clock_;
    RecordingMessageBoxes messages_;
    ProcessLauncher launcher_;
};

TEST_F(EditorOnPath, PathReachesTheEditorAsOneArgument)
{
    installRecordingEditor(QStringLiteral("gedit"));
    const QString folder = root_.path() + QStringLiteral("/mi programa");
    const QString marker = root_.path() + QStringLiteral("/ejecutado");
    const QString names[] = {
        QStringLiteral("leeme.txt"),
        QStringLiteral("timbres de verano.txt"),
        QStringLiteral("comillas \"dobles\" y 'simples'.txt"),
        QStringLiteral("a; touch %1; b.txt").arg(marker),
        QStringLiteral("$(touch %1).txt").arg(marker),
        QStringLiteral("`touch %1` && touch %1 | touch %1 > x.txt").arg(marker),
        QStringLiteral("*.txt"),
        QStringLiteral("dos\nlineas.txt"),
        QStringLiteral("campanas ñandú Ávila €.txt"),
    };
    Host host{clock_, messages_, launcher_, Places(root_.path(), folder)};
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        QDir(root_.path() + QStringLiteral("/rec")).removeRecursively();
        const QString path = folder + u'/' + name;
        QString error;
        ASSERT_TRUE(Abrir_en_Editor(host, path, &error)) << error.toStdString();
        ASSERT_TRUE(waitForFile(record(QStringLiteral("count"))));
        EXPECT_EQ(contents(record(QStringLiteral("count"))), "1\n");
        EXPECT_EQ(contents(record(QStringLiteral("1"))), QFile::encodeName(path));
        EXPECT_FALSE(QFile::exists(marker));
    }
}

TEST_F(EditorOnPath, EditorFoundFirstIsStarted)
{
    installRecordingEditor(QStringLiteral("mousepad"));
    writeScript(bin_ + QStringLiteral("/geany"), "#!/bin/sh\nexit 0\n");
    Host host{clock_, messages_, launcher_, Places(root_.path(), root_.path())};
    QString error;
    ASSERT_TRUE(Abrir_en_Editor(host, QStringLiteral("/x/timbres_1.txt"), &error));
    ASSERT_TRUE(waitForFile(record(QStringLiteral("count"))));
    EXPECT_EQ(contents(record(QStringLiteral("1"))), "/x/timbres_1.txt");
}

TEST_F(EditorOnPath, NoEditorIsAFailureThatNamesTheEditors)
{
    writeScript(bin_ + QStringLiteral("/notepad.exe"), "#!/bin/sh\nexit 0\n");
    RecordingLauncher recorder;
    Host host{clock_, messages_, recorder, Places(root_.path(), root_.path())};
    QString error;
    EXPECT_FALSE(Abrir_en_Editor(host, root_.path() + QStringLiteral("/leeme.txt"), &error));
    EXPECT_TRUE(recorder.starts.isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("editor"))) << error.toStdString();
    for (const QString &editor : Places::editorNames())
        EXPECT_TRUE(error.contains(editor)) << editor.toStdString();
}

// The editor is there but cannot run: the platform's own description comes back.
TEST_F(EditorOnPath, EditorThatCannotStartGivesThePlatformsDescription)
{
    writeScript(bin_ + QStringLiteral("/kate"), "#!/no/such/interpreter\n");
    Host host{clock_, messages_, launcher_, Places(root_.path(), root_.path())};
    QString error;
    EXPECT_FALSE(Abrir_en_Editor(host, root_.path() + QStringLiteral("/leeme.txt"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
