#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "fake_host.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Each program's help button, with a program folder that has a blank in its name
// and no leeme.txt: the editor is started all the same, and only a failing start
// shows anything, then once.
TEST(HelpButton, StartsTheEditorOnLeemeOrGivesTwoMessages)
{
    const struct
    {
        const char *why;
        std::function<void(FakeHost &)> breakEditor;
        bool starts;
        QString description; // empty: no failure
    } table[] = {
        {"editor there", [](FakeHost &) {}, true, {}},
        {"start refused", [](FakeHost &f) { f.launcher.failWith = QStringLiteral("Denegado"); },
         true, QStringLiteral("Denegado")},
        {"no editor", [](FakeHost &f) { qputenv("PATH", QFile::encodeName(f.home.path())); }, false,
         QStringLiteral("No se encontró ningún editor de textos")},
    };
    struct RestorePath
    {
        ~RestorePath() { qputenv("PATH", old); }
        QByteArray old = qgetenv("PATH");
    } restorePath;
    for (Edition edition : {Edition::Sonvira, Edition::Repetidores}) {
        for (const auto &row : table) {
            SCOPED_TRACE(programName(edition).toStdString() + ", " + row.why);
            FakeHost fake;
            const QString bin = fake.home.path() + QStringLiteral("/bin");
            const QString editor = bin + QStringLiteral("/kate"); // never run
            QFile file(editor);
            ASSERT_TRUE(QDir().mkpath(bin) && file.open(QIODevice::WriteOnly));
            file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
            qputenv("PATH", QFile::encodeName(bin));
            const QString folder = fake.home.path() + QStringLiteral("/mi programa");
            Host host{fake.clock, fake.messages, fake.launcher, Places(fake.home.path(), folder)};
            Form1 form(edition, host);
            form.Timer1->stop();
            row.breakEditor(fake);

            QTest::mouseClick(form.Boton_Ayuda, Qt::LeftButton);
            const QList<QStringList> started{{editor, folder + QStringLiteral("/leeme.txt")}};
            EXPECT_EQ(fake.launcher.starts, row.starts ? started : QList<QStringList>());
            if (row.description.isEmpty()) {
                EXPECT_EQ(fake.messages.texts, QStringList());
                continue;
            }
            ASSERT_EQ(fake.messages.texts.size(), 2);
            EXPECT_EQ(fake.messages.texts[0],
                      QStringLiteral("No se pudo abrir LEEME.TXT en el Bloc de Notas"));
            EXPECT_TRUE(fake.messages.texts[1].startsWith(QStringLiteral("Sistema detectó: ") +
                                                          row.description))
                << fake.messages.texts[1].toStdString();
        }
    }
}

} // namespace
