#include "window_on_line.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The help button, through the real launcher and the editor found on PATH, which it
// does not wait for. A program folder whose name a shell would act on still gives the
// editor its leeme.txt as one argument, and nothing else runs. Only a failure shows
// anything: two messages, the second with the description.
TEST(HelpButton, StartsTheEditorOnLeemeAsOneArgumentOrGivesTwoMessages)
{
    // Records its arguments beside itself, then runs until the test says go.
    const QByteArray recordingEditor = R"(#!/bin/sh
printf '%s\0' "$@" >"$0.t"; mv "$0.t" "$0.args"
for i in $(seq 500); do [ -e "$0.go" ] && exit; sleep 0.02; done; touch "$0.done"
)";
    FakeHost fake;
    const QString marker = fake.home.path() + "/hecho"_L1, editor = fake.home.path() + "/gedit"_L1;
    const QString folder =
        fake.home.path() + u"/comillas \"dobles\" y 'simples' * a; %1; b $(%1) `%1` && %1 | %1 > "
                           u"x\ndos lineas ñandú €"_s.arg("touch '"_L1 + marker + u'\'');
    ASSERT_TRUE(
        WindowOnLine::put(editor, recordingEditor) &&
        QFile::setPermissions(editor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    ProcessLauncher launcher;
    RecordingMessageBoxes messages;
    const Places places(fake.home.path(), folder, fake.home.path());
    Host host{fake.clock, messages, launcher, places, fake.log, fake.clockSync};
    Form1 form(Edition::Sonvira, host);
    form.Timer1->stop();

    QTest::mouseClick(form.Boton_Ayuda, Qt::LeftButton);
    QFile args(editor + ".args"_L1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return args.exists(); }, 10000) &&
                args.open(QIODevice::ReadOnly));
    EXPECT_EQ(args.readAll(), QFile::encodeName(folder + "/leeme.txt"_L1) + '\0');
    EXPECT_FALSE(QFile::exists(editor + ".done"_L1)) << "the button waited for the editor";
    EXPECT_TRUE(messages.texts.isEmpty() && QFile(editor + ".go"_L1).open(QIODevice::WriteOnly));

    ASSERT_TRUE(QFile::resize(editor, 2)); // an editor that cannot start: "#!" and no interpreter
    QTest::mouseClick(form.Boton_Ayuda, Qt::LeftButton);
    const QString told = messages.texts.join(u'|');
    EXPECT_TRUE(
        told.count(u'|') == 1 && !told.endsWith(u' ') &&
        told.startsWith(u"No se pudo abrir LEEME.TXT en el Bloc de Notas|Sistema detectó: "_s))
        << told.toStdString();
    EXPECT_FALSE(QFile::exists(marker));
}
