#include "app/file_list_box.h"
#include "linked_window.h"

#include <QLineEdit>
#include <QRadioButton>

#include <functional>

namespace {

const QString sonviraReminder =
    QStringLiteral("Recuerde, si no hay un puerto abierto, debe abrirlo antes de empezar a usarlo");

// The machine's own serial ports that this process holds open.
QStringList openMachinePorts()
{
    QStringList devices;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd :
         fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        const QString target = QFileInfo(fds.filePath(fd)).symLinkTarget();
        if (target.startsWith(QStringLiteral("/dev/ttyS")))
            devices.append(target);
    }
    return devices;
}

int selectedPortChoice(const Form1 &f)
{
    const QList<QRadioButton *> choices{f.Option11, f.Option12, f.Option13, f.Option14};
    for (int i = 0; i < choices.size(); ++i) {
        if (choices[i]->isChecked())
            return i + 1;
    }
    return 0;
}

// Every start ends with these, whatever the port did.
void expectCommonStart(const Form1 &f, const FakeHost &fake)
{
    EXPECT_EQ(f.File2->fileName(), "timbres_1.txt");
    EXPECT_EQ(QDir(f.File2->path()), QDir(fake.dataFolder()));
    for (const QLineEdit *word : {f.Text1, f.Text2, f.Text3})
        EXPECT_EQ(word->text(), "Sin puerto");
    EXPECT_EQ(f.MSComm1->inputLen(), 0);
    EXPECT_EQ(f.MSComm1->rThreshold(), 1);
    EXPECT_EQ(f.MSComm1->sThreshold(), 1);
}

struct Start
{
    const char *what;
    std::optional<QByteArray> file; // none: no settings file
    QList<int> ptyPorts;
    std::function<void(LinkedWindow &)> arrange;
    int selected; // port choice after start-up, 0 for none
    int port;     // the port tried
    bool opens;
};

void PrintTo(const Start &c, std::ostream *out)
{
    *out << c.what;
}

class SonviraStart : public ::testing::TestWithParam<Start>
{
};

TEST_P(SonviraStart, RestoresTheSavedPortStoresItAndOpensIt)
{
    const Start &c = GetParam();
    LinkedWindow w(Edition::Sonvira, c.ptyPorts);
    ASSERT_TRUE(w.portsStayInTheDataFolder());
    if (c.file) {
        ASSERT_TRUE(w.putSettings(*c.file));
    }
    if (c.arrange) {
        c.arrange(w);
    }
    Form1 &f = *w.form;
    const QByteArray storedPort = "\" " + QByteArray::number(c.port) + "\"\r\n";
    const QByteArray before = w.settings();
    QStringList machinePorts;
    w.fake.messages.whileOpen = [&](const QString &text) {
        machinePorts += openMachinePorts();
        if (text == sonviraReminder) {
            EXPECT_FALSE(f.MSComm1->portOpen());
            EXPECT_EQ(w.settings(), before) << "not yet stored at the reminder";
        } else {
            EXPECT_EQ(w.settings(), storedPort) << "stored before the opening";
        }
    };

    f.Form_Load();

    const QString portText = QStringLiteral(" %1").arg(c.port);
    ASSERT_FALSE(w.messages().isEmpty());
    EXPECT_EQ(w.messages().first(), sonviraReminder);
    if (c.opens) {
        EXPECT_EQ(w.messages().mid(1), QStringList{"Puerto COM" + portText + ": abierto OK"});
        EXPECT_EQ(portLabels(f),
                  (PortLabels{"COM" + portText + ":", " 300 bauds", "ABIERTO", olive, olive}));
        EXPECT_EQ(f.MSComm1->commPort(), c.port);
    } else {
        ASSERT_EQ(w.messages().size(), 3);
        EXPECT_EQ(w.messages()[1], "Error al intentar abrir COM" + portText);
        EXPECT_TRUE(w.messages()[2].startsWith(QStringLiteral("Error detectado: ")));
        EXPECT_EQ(portLabels(f), (PortLabels{"COM1:", "300 bauds", "CERRADO", black, red}));
    }
    EXPECT_EQ(f.MSComm1->portOpen(), c.opens);
    EXPECT_EQ(f.MSComm1->settings(), " 300,N,8,1");
    EXPECT_EQ(selectedPortChoice(f), c.selected);
    EXPECT_EQ(w.settings(), storedPort);
    expectCommonStart(f, w.fake);
    EXPECT_EQ(machinePorts, QStringList{});
    EXPECT_FALSE(w.messages().join(u' ').contains(QStringLiteral("/dev/ttyS")));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SonviraStart,
    ::testing::Values(Start{"port 3 saved", "\" 3\"\r\n", {3}, {}, 3, 3, true},
                      Start{"port 3 written by hand", "3", {3}, {}, 3, 3, true},
                      Start{"garbage saved", "COM3\r\n", {1}, {}, 0, 1, true},
                      Start{"port 5 saved", "\" 5\"\r\n", {1}, {}, 0, 1, true},
                      Start{"saved port absent", "\" 2\"\r\n", {1}, {}, 2, 2, false},
                      Start{"saved port in use",
                            "\" 2\"\r\n",
                            {2},
                            [](LinkedWindow &w) { ASSERT_TRUE(w.occupy(2)); },
                            2,
                            2,
                            false},
                      Start{"garbage saved, COM1 absent", "?", {2}, {}, 0, 1, false}),
    [](const auto &info) { return std::to_string(info.index); });

// A folder in place of the settings file cannot be written; start-up goes on.
TEST(SonviraStartFileTrouble, AFileThatCannotBeWrittenStopsNothing)
{
    LinkedWindow w(Edition::Sonvira, {1});
    ASSERT_TRUE(QDir().mkpath(w.settingsFile()));
    w.form->Form_Load();
    EXPECT_EQ(w.messages(), (QStringList{sonviraReminder, "Puerto COM 1: abierto OK"}));
    EXPECT_TRUE(w.form->MSComm1->portOpen());
}

// The launcher normally makes the data folder; without it start-up still runs
// through, and the file written before the opening brings the folder back.
TEST(SonviraStartFileTrouble, AMissingDataFolder)
{
    LinkedWindow w(Edition::Sonvira);
    ASSERT_TRUE(QDir(w.fake.dataFolder()).removeRecursively());
    bool folderMissingAtReminder = false;
    w.fake.messages.whileOpen = [&](const QString &text) {
        if (text != sonviraReminder)
            return;
        folderMissingAtReminder = !QFileInfo::exists(w.fake.dataFolder());
        // COM1 is about to be tried. Without a link of its own it would mean this
        // machine's first serial port, which a test must never touch.
        ASSERT_TRUE(QDir().mkpath(w.fake.dataFolder()));
        w.linkPort(1, QString());
    };

    w.form->Form_Load();

    EXPECT_TRUE(folderMissingAtReminder);
    EXPECT_EQ(w.messages().size(), 3);
    EXPECT_EQ(w.messages().value(1), "Error al intentar abrir COM 1");
    EXPECT_EQ(selectedPortChoice(*w.form), 0);
    EXPECT_EQ(w.settings(), "\" 1\"\r\n");
    EXPECT_EQ(QDir(w.form->File2->path()), QDir(w.fake.dataFolder()));
    for (const QLineEdit *word : {w.form->Text1, w.form->Text2, w.form->Text3})
        EXPECT_EQ(word->text(), "Sin puerto");
}

TEST(RepetidoresStart, RemindsOnceAndLeavesThePortAndFileAlone)
{
    LinkedWindow w(Edition::Repetidores, {1, 2, 3, 4});
    ASSERT_TRUE(w.putSettings("\" 3\"\r\n"));
    Form1 &f = *w.form;

    f.Form_Load();

    EXPECT_EQ(w.messages(),
              QStringList{"Recuerde, debe abrir un puerto antes de empezar a usarlo"});
    EXPECT_FALSE(f.MSComm1->portOpen());
    EXPECT_EQ(portLabels(f), (PortLabels{"COM1:", "300 bauds", "CERRADO", black, red}));
    EXPECT_EQ(selectedPortChoice(f), 1);
    EXPECT_TRUE(f.Option7->isChecked());
    EXPECT_EQ(w.settings(), "\" 3\"\r\n");
    expectCommonStart(f, w.fake);
}

} // namespace
