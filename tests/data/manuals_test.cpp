// Each command as an administrator meets it, run as a process with no display:
// --help, --version, a wrong option, no display for the window programs; and its
// manual page against the options its --help lists and the statuses it returns.
#include "host/places.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <set>

using namespace Qt::Literals::StringLiterals;
using namespace std::string_literals;

namespace {

struct Command
{
    const char *name, *program;
    std::set<std::string> statuses;
    bool window;
};

struct Outcome
{
    int status; // -1 for a crash or a hang
    QString out, err;
};

Outcome run(const Command &command, const QStringList &arguments, const QString &display = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    if (!display.isEmpty())
        environment.insert(u"DISPLAY"_s, display);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QLatin1String(command.program), arguments);
    process.waitForFinished(10000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// Every match of the pattern, its last group if it has groups.
std::set<std::string> matches(const QString &text, const char *pattern)
{
    std::set<std::string> found;
    for (const auto &m : QRegularExpression(QLatin1String(pattern)).globalMatch(text))
        found.insert(m.captured(m.lastCapturedIndex()).toStdString());
    return found;
}

// The tags of the .TP entries in one section of a man page, '-' unescaped.
QString tags(const QString &page, const QString &title)
{
    QString text;
    for (const QString &section : page.split(u"\n.SH "_s))
        if (section.startsWith(title + u'\n'))
            for (const auto &m : QRegularExpression(u"\n\\.TP\n(.*)"_s).globalMatch(section))
                text += m.captured(1).replace(u"\\-"_s, u"-"_s) + u'\n';
    return text;
}

class Manual : public testing::TestWithParam<Command>
{
};

} // namespace

TEST_P(Manual, SaysWhatTheCommandDoes)
{
    const Command &command = GetParam();
    const Outcome help = run(command, {"--help"}), version = run(command, {"--version"}),
                  wrong = run(command, {"--no-existe"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Uso: "_L1 + command.name + u' ')) << help.out.toStdString();
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.toStdString(), command.name + " "s + SONVIRA_VERSION + '\n');
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(matches(wrong.err, R"(Uso: (\S+))"), std::set<std::string>{command.name});
    for (const QString &display : {QString(), u":987"_s}) { // none, and one that never answers
        if (!command.window)
            break;
        const Outcome refused = run(command, {}, display);
        EXPECT_EQ(refused.status, 2) << display.toStdString();
        EXPECT_TRUE(refused.err.contains(u"necesita una sesión gráfica")) << display.toStdString();
    }

    QFile file(QStringLiteral(SONVIRA_SOURCE_DIR "/data/man/") + command.name + ".1"_L1);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    // The entries of --help ("  -h, --help ..."), against those of the page.
    EXPECT_EQ(matches(tags(page, u"OPCIONES"_s), R"((?<![\w-])(--?[a-z][\w-]*))"),
              matches(help.out, R"((?m)(?:^  |, )(--?[a-z][\w-]*))"));
    EXPECT_EQ(matches(tags(page, u"ESTADO DE SALIDA"_s), R"(\d+)"), command.statuses);
}

// What each command can return. The window programs: 0 at the end, 2 for a wrong
// option or no display; the launcher in bin/ adds 1 (no data folder), 2 (installed
// under another name), 126 and 127 (no program beside it). satelite: 1 when the link
// or the device fails or the line is lost. timbres-check: 1 a bell line that never
// rings, 2 a file it cannot read or arguments it cannot use.
INSTANTIATE_TEST_SUITE_P(
    Commands, Manual,
    testing::Values(Command{"Sonvira", SONVIRA_PROGRAM, {"0", "1", "2", "126", "127"}, true},
                    Command{
                        "repetidores", REPETIDORES_PROGRAM, {"0", "1", "2", "126", "127"}, true},
                    Command{"satelite", SATELITE_PROGRAM, {"0", "1", "2"}, false}));
// DISABLED until timbres-check's own QCommandLineParser conversion is merged (it
// adds --version and the page's --hora and --registro): then drop the prefix.
INSTANTIATE_TEST_SUITE_P(DISABLED_UntilTimbresCheckParserMerges, Manual,
                         testing::Values(Command{
                             "timbres-check", TIMBRES_CHECK_PROGRAM, {"0", "1", "2"}, false}));

// README and leeme.txt name the editors the program looks for, in its order, once.
TEST(Manuals, NameTheEditorsTheProgramLooksFor)
{
    for (const char *document : {"/README.md", "/data/leeme.txt"}) {
        QFile file(QLatin1String(SONVIRA_SOURCE_DIR) + QLatin1String(document));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << document;
        const QString text = QString::fromUtf8(file.readAll()).remove(u'`').simplified();
        EXPECT_EQ(text.count(Places::editorNames().join(u", "_s)), 1) << document;
    }
}
