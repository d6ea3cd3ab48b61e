#include "bells/bell_program.h"
#include "host/places.h"

#include <QFile>
#include <QTime>
#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

// Until the operator edits it, the default program rings nothing at any second of
// the day, read as the tick reads it; each example, its mark taken away, rings once.
TEST(DefaultProgram, RingsNothingUntilAnExampleLosesItsMark)
{
    QFile file(u"" SONVIRA_SOURCE_DIR "/data/timbres_1.txt"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray program = file.readAll();
    const std::string text = program.toStdString();
    const std::string live = QByteArray(program).replace("\n#", "\n").toStdString();
    qsizetype rung = 0;
    for (int second = 0; second < 24 * 3600; ++second) {
        const std::string time = QTime(0, 0).addSecs(second).toString(u"HH:mm:ss"_s).toStdString();
        ASSERT_EQ(dueChannels(text, time), FireFlags{}) << time;
        rung += std::ranges::count(dueChannels(live, time), true);
    }
    EXPECT_TRUE(rung > 0 && rung == program.count("\n#") && program.endsWith("\r\n") &&
                program.count('\n') == program.count("\r\n"));
}

// README and leeme.txt name the editors the program looks for, in its order, once.
TEST(Documents, NameTheEditorsTheProgramLooksFor)
{
    for (const char *document : {"/README.md", "/data/leeme.txt"}) {
        QFile file(QLatin1String(SONVIRA_SOURCE_DIR) + QLatin1String(document));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << document;
        const QString text = QString::fromUtf8(file.readAll()).remove(u'`').simplified();
        EXPECT_EQ(text.count(Places::editorNames().join(u", "_s)), 1) << document;
    }
}
