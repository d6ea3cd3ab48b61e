#include "serial/opening.h"

#include "linked_window.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>

namespace {

QRadioButton *portChoice(Form1 &f, int port)
{
    return QList<QRadioButton *>{f.Option11, f.Option12, f.Option13, f.Option14}.at(port - 1);
}

QRadioButton *speedChoice(Form1 &f, int speed)
{
    switch (speed) {
    case 600:
        return f.Option8;
    case 1200:
        return f.Option9;
    case 2400:
        return f.Option10;
    }
    return f.Option7;
}

// --- Opening ---------------------------------------------------------------------

struct Opened
{
    int port;
    int speed;
    const char *message, *portLabel, *speedLabel, *settings;
    QByteArray file;
};

class OpeningWithAChoice : public ::testing::TestWithParam<Opened>
{
};

TEST_P(OpeningWithAChoice, StoresThePortOpensItAndShowsIt)
{
    const Opened &c = GetParam();
    LinkedWindow w(Edition::Sonvira, {c.port});
    ASSERT_TRUE(w.putSettings("\" 4\"\r\n"));
    Form1 &f = *w.form;
    speedChoice(f, c.speed)->setChecked(true);
    portChoice(f, c.port)->setChecked(true);
    w.fake.messages.whileOpen = [&](const QString &) {
        EXPECT_EQ(w.settings(), c.file) << "stored before the opening";
    };

    f.Boton_Abrir->click();

    EXPECT_EQ(w.messages(), QStringList{c.message});
    EXPECT_TRUE(f.MSComm1->portOpen());
    EXPECT_EQ(f.MSComm1->commPort(), c.port);
    EXPECT_EQ(f.MSComm1->settings(), c.settings);
    EXPECT_EQ(portLabels(f), (PortLabels{c.portLabel, c.speedLabel, "ABIERTO", olive, olive}));
    EXPECT_EQ(w.settings(), c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Sonvira, OpeningWithAChoice,
    ::testing::Values(Opened{2, 1200, "Puerto COM 2: abierto OK", "COM 2:", " 1200 bauds",
                             " 1200,N,8,1", QByteArray::fromHex("222032220d0a")},
                      Opened{1, 300, "Puerto COM 1: abierto OK", "COM 1:", " 300 bauds",
                             " 300,N,8,1", QByteArray::fromHex("222031220d0a")},
                      Opened{3, 600, "Puerto COM 3: abierto OK", "COM 3:", " 600 bauds",
                             " 600,N,8,1", "\" 3\"\r\n"},
                      Opened{4, 2400, "Puerto COM 4: abierto OK", "COM 4:", " 2400 bauds",
                             " 2400,N,8,1", "\" 4\"\r\n"}));

// Each refusal of the serial component, and a port number that has none, takes the
// error path: two messages, the labels and the port as they were.
struct Refused
{
    const char *what;
    std::function<void(LinkedWindow &)> arrange;
    const char *firstMessage;
    QByteArray fileAfter = {}; // empty: as arranged
};

void PrintTo(const Refused &c, std::ostream *out)
{
    *out << c.what;
}

class OpeningRefused : public ::testing::TestWithParam<Refused>
{
};

TEST_P(OpeningRefused, ReportsTheAttemptedPortAndChangesNothing)
{
    const Refused &c = GetParam();
    LinkedWindow w(Edition::Sonvira);
    ASSERT_TRUE(w.portsStayInTheDataFolder());
    Form1 &f = *w.form;
    c.arrange(w);
    const QByteArray fileBefore = w.settings();
    const bool wasOpen = f.MSComm1->portOpen();
    const int commPortBefore = f.MSComm1->commPort();
    const PortLabels labelsBefore = portLabels(f);
    w.messages().clear();

    f.Boton_Abrir->click();

    ASSERT_EQ(w.messages().size(), 2) << w.messages().join(u'|').toStdString();
    EXPECT_EQ(w.messages()[0], c.firstMessage);
    const QString prefix = QStringLiteral("Error detectado: ");
    EXPECT_TRUE(w.messages()[1].startsWith(prefix) && w.messages()[1].size() > prefix.size())
        << w.messages()[1].toStdString();
    EXPECT_FALSE(w.messages()[1].contains(QStringLiteral("/dev/")));
    EXPECT_EQ(f.MSComm1->portOpen(), wasOpen);
    if (wasOpen) {
        EXPECT_EQ(f.MSComm1->commPort(), commPortBefore);
    }
    EXPECT_EQ(portLabels(f), labelsBefore);
    EXPECT_EQ(w.settings(), c.fileAfter.isEmpty() ? fileBefore : c.fileAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Sonvira, OpeningRefused,
    ::testing::Values(Refused{"port without a device",
                              [](LinkedWindow &w) { w.form->Option13->setChecked(true); },
                              "Error al intentar abrir COM 3", "\" 3\"\r\n"},
                      Refused{"port in use by another program",
                              [](LinkedWindow &w) {
                                  ASSERT_TRUE(w.occupy(2));
                                  w.form->Option12->setChecked(true);
                              },
                              "Error al intentar abrir COM 2", "\" 2\"\r\n"},
                      Refused{"saved port 0, no choice",
                              [](LinkedWindow &w) { ASSERT_TRUE(w.putSettings("\" 0\"\r\n")); },
                              "Error al intentar abrir COM 0"},
                      Refused{"another port while one is open",
                              [](LinkedWindow &w) {
                                  w.form->Option12->setChecked(true);
                                  w.form->Boton_Abrir->click();
                                  ASSERT_TRUE(w.form->MSComm1->portOpen());
                                  w.form->Option11->setChecked(true);
                              },
                              "Error al intentar abrir COM 1", "\" 1\"\r\n"}));

// The number shown is the one tried. The component gets it only when it is a
// whole number, never rounded, and keeps what it took when the opening fails.
TEST(OpeningPortNumber, IsNeverRoundedAndWhatWasTakenStays)
{
    struct Case
    {
        QByteArray file;
        QStringList messages;
        int commPortAfter;
    };
    const QList<Case> cases{
        {"x.5",
         {"Error al intentar abrir COM 0.5", "Error detectado: Número de puerto no válido: 0.5"},
         1},
        {"\" 5\"", {"Error al intentar abrir COM 5", "Error detectado: "}, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        LinkedWindow w(Edition::Sonvira, {1, 2, 3, 4});
        ASSERT_TRUE(w.putSettings(c.file));
        w.form->Boton_Abrir->click();
        EXPECT_FALSE(w.form->MSComm1->portOpen());
        EXPECT_EQ(w.form->MSComm1->commPort(), c.commPortAfter);
        ASSERT_EQ(w.messages().size(), 2);
        EXPECT_EQ(w.messages()[0], c.messages[0]);
        EXPECT_TRUE(w.messages()[1].startsWith(c.messages[1])) << w.messages()[1].toStdString();
    }
}

TEST(OpeningSonvira, WithoutAChoiceOpensTheSavedPortAndLeavesTheFileAlone)
{
    LinkedWindow w(Edition::Sonvira);
    const QByteArray handMade = "puerto COM 2\n"; // reads as 2
    ASSERT_TRUE(w.putSettings(handMade));
    w.form->Option10->setChecked(true);

    w.form->Boton_Abrir->click();

    EXPECT_EQ(w.messages(), QStringList{"Puerto COM 2: abierto OK"});
    EXPECT_EQ(w.form->MSComm1->settings(), " 2400,N,8,1");
    EXPECT_EQ(w.settings(), handMade);
    EXPECT_FALSE(w.form->Option12->isChecked()) << "the saved port selects no choice here";
}

TEST(OpeningSonvira, ASettingsFileThatCannotBeWrittenDoesNotStopIt)
{
    LinkedWindow w(Edition::Sonvira);
    ASSERT_TRUE(QDir().mkpath(w.settingsFile())); // a folder where the file should be
    w.form->Option12->setChecked(true);

    w.form->Boton_Abrir->click();

    EXPECT_EQ(w.messages(), QStringList{"Puerto COM 2: abierto OK"});
    EXPECT_TRUE(w.form->MSComm1->portOpen());
}

TEST(OpeningRepetidores, OpensTheChosenPortAndKeepsNoFile)
{
    struct Case
    {
        int choice;
        QStringList messages;
        bool open;
    };
    const QList<Case> cases{
        {1, {"Puerto COM 1: abierto OK"}, true},                            // the initial choice
        {2, {"Error al intentar abrir COM 2", "Error detectado: "}, false}, // COM2 has no device
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.choice);
        LinkedWindow w(Edition::Repetidores, {1});
        portChoice(*w.form, c.choice)->setChecked(true);
        w.form->Boton_Abrir->click();
        ASSERT_EQ(w.messages().size(), c.messages.size());
        for (qsizetype i = 0; i < c.messages.size(); ++i)
            EXPECT_TRUE(w.messages()[i].startsWith(c.messages[i])) << w.messages()[i].toStdString();
        EXPECT_EQ(w.form->MSComm1->portOpen(), c.open);
        EXPECT_EQ(w.form->MSComm1->settings(), " 300,N,8,1");
        EXPECT_FALSE(QFile::exists(w.settingsFile()));
    }
}

// Ticks run while a box is open. The opening reports the description of its own
// failed step even when a tick meanwhile leaves another one in the component.
TEST(OpeningWhileTicking, ReportsItsOwnFailureAndShowsThePortItOpened)
{
    LinkedWindow w(Edition::Sonvira, {1, 2});
    Form1 &f = *w.form;
    int ticks = 0;
    w.fake.messages.whileOpen = [&](const QString &text) {
        if (text.startsWith(QStringLiteral("Puerto COM")) ||
            text.startsWith(QStringLiteral("Error al intentar abrir"))) {
            ++ticks;
            w.tick();
        }
    };
    f.Option12->setChecked(true);
    f.Boton_Abrir->click();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(w.pty.readCount(7).size(), 7) << "the tick inside the box sent a frame";
    EXPECT_EQ(portLabels(f), (PortLabels{"COM 2:", " 300 bauds", "ABIERTO", olive, olive}));

    // The line goes away, so the tick inside the failure's first box fails too.
    w.pty.closeMaster();
    QTest::qWait(50);
    f.Option11->setChecked(true);
    w.messages().clear();
    f.Boton_Abrir->click();
    ASSERT_FALSE(f.MSComm1->setCommPort(1));
    const QString refusal = f.MSComm1->errorString();
    ASSERT_GE(w.messages().size(), 2);
    EXPECT_EQ(w.messages().first(), "Error al intentar abrir COM 1");
    EXPECT_EQ(w.messages().last(), QStringLiteral("Error detectado: ") + refusal);
    EXPECT_GT(w.messages().size(), 2) << "the tick reported its own failure meanwhile";
}

// --- Closing ---------------------------------------------------------------------

struct Closing
{
    std::array<bool, 3> si;
    std::array<const char *, 3> words;
};

class ClosingThePort : public ::testing::TestWithParam<Closing>
{
};

TEST_P(ClosingThePort, SetsTheWordsSaysGoodbyeAndShowsItClosed)
{
    const Closing &c = GetParam();
    LinkedWindow w(Edition::Sonvira);
    Form1 &f = *w.form;
    f.Option9->setChecked(true);
    f.Option12->setChecked(true);
    f.Boton_Abrir->click();
    ASSERT_TRUE(f.MSComm1->portOpen());
    QRadioButton *si[] = {f.Option1, f.Option2, f.Option3};
    QRadioButton *no[] = {f.Option4, f.Option5, f.Option6};
    for (int i = 0; i < 3; ++i)
        (c.si[i] ? si[i] : no[i])->setChecked(true);
    f.Text2->setText(QStringLiteral("Disparo")); // a firing still pending is dropped
    w.messages().clear();
    bool closedWhenTold = false;
    w.fake.messages.whileOpen = [&](const QString &) { closedWhenTold = !f.MSComm1->portOpen(); };

    f.Boton_Cerrar->click();

    EXPECT_EQ(f.Text1->text(), c.words[0]);
    EXPECT_EQ(f.Text2->text(), c.words[1]);
    EXPECT_EQ(f.Text3->text(), c.words[2]);
    EXPECT_EQ(w.pty.read(), "qqjjZZJJ==..");
    EXPECT_EQ(f.Texto_a_Enviar->text(), "Apagados");
    EXPECT_FALSE(f.MSComm1->portOpen());
    EXPECT_EQ(w.messages(), QStringList{"Puertos COM: cerrados OK"});
    EXPECT_TRUE(closedWhenTold);
    EXPECT_EQ(portLabels(f), (PortLabels{"COM 2:", " 1200 bauds", "CERRADO", black, red}));
}

INSTANTIATE_TEST_SUITE_P(
    ByChannelChoice, ClosingThePort,
    ::testing::Values(Closing{{true, false, true}, {"Sin puerto", "Cerrado", "Sin puerto"}},
                      Closing{{false, true, false}, {"Cerrado", "Sin puerto", "Cerrado"}}));

TEST(ClosingThePort, WhileClosedDoesNothingAtAll)
{
    for (bool openedBefore : {false, true}) {
        SCOPED_TRACE(openedBefore);
        LinkedWindow w(Edition::Sonvira);
        Form1 &f = *w.form;
        if (openedBefore) {
            f.Option12->setChecked(true);
            f.Boton_Abrir->click();
            f.Boton_Cerrar->click();
            w.pty.read();
        }
        f.Text1->setText(QStringLiteral("Preparado"));
        f.Option5->setChecked(true);
        f.Texto_a_Enviar->setText(QStringLiteral("07:30:00"));
        const PortLabels labels = portLabels(f);
        w.messages().clear();

        f.Boton_Cerrar->click();

        EXPECT_TRUE(w.messages().isEmpty());
        EXPECT_EQ(f.Text1->text(), "Preparado");
        EXPECT_EQ(f.Text2->text(), "Cerrado");
        EXPECT_EQ(f.Texto_a_Enviar->text(), "07:30:00");
        EXPECT_EQ(portLabels(f), labels);
        EXPECT_TRUE(w.pty.read(200).isEmpty());
    }
}

TEST(ClosingThePort, ALostDeviceIsClosedAllTheSame)
{
    LinkedWindow w(Edition::Repetidores, {1});
    Form1 &f = *w.form;
    f.Boton_Abrir->click();
    ASSERT_TRUE(f.MSComm1->portOpen());
    w.pty.closeMaster();
    QTest::qWait(50);
    w.messages().clear();

    f.Boton_Cerrar->click();

    EXPECT_EQ(w.messages(), QStringList{"Puertos COM: cerrados OK"});
    EXPECT_FALSE(f.MSComm1->portOpen());
    EXPECT_EQ(f.Texto_a_Enviar->text(), "Apagados");
    EXPECT_EQ(f.Text1->text(), "Sin puerto");
    EXPECT_EQ(portLabels(f), (PortLabels{"COM 1:", " 300 bauds", "CERRADO", black, red}));
}

// The component closes whatever the device does, so its refusal is met only here.
TEST(ClosingFailure, NamesTheSelectedChoiceElseThePortOpen)
{
    EXPECT_EQ(closingFailureMessages(3, 1, QStringLiteral("sin respuesta")),
              (QStringList{"Error al intentar cerrar COM 3", "Sistema detectó: sin respuesta"}));
    EXPECT_EQ(closingFailureMessages(0, 2, QStringLiteral("x")).first(),
              "Error al intentar cerrar COM 2");
}

// --- Port and speed choices ----------------------------------------------------------

TEST(Choices, RemindOnlyWhileThePortIsOpenAndChangeNothingOpen)
{
    const QString speedReminder =
        QStringLiteral("Tendra efecto en la proxima apertura. Use la velocidad adecuada a la "
                       "interfaz");
    const QString portReminder = QStringLiteral("Recuerde cerrar puerto anterior para cambiar");
    for (bool open : {true, false}) {
        SCOPED_TRACE(open);
        LinkedWindow w(Edition::Sonvira);
        Form1 &f = *w.form;
        f.Option12->setChecked(true);
        if (open)
            f.Boton_Abrir->click();
        ASSERT_EQ(f.MSComm1->portOpen(), open);
        const PortLabels labels = portLabels(f);
        w.messages().clear();

        for (QRadioButton *choice : {f.Option8, f.Option9, f.Option10, f.Option7})
            choice->setChecked(true);
        for (QRadioButton *choice : {f.Option11, f.Option13, f.Option14, f.Option12})
            choice->setChecked(true);

        const QStringList expected =
            open ? QStringList{speedReminder, speedReminder, speedReminder, speedReminder,
                               portReminder,  portReminder,  portReminder,  portReminder}
                 : QStringList{};
        EXPECT_EQ(w.messages(), expected);
        EXPECT_EQ(portLabels(f), labels);
        EXPECT_EQ(f.MSComm1->commPort(), open ? 2 : 1);
        EXPECT_EQ(f.MSComm1->settings(), open ? " 300,N,8,1" : "300,N,8,1");
    }
}

TEST(Choices, TheNextOpeningUsesTheNewChoice)
{
    LinkedWindow w(Edition::Sonvira, {1, 3});
    Form1 &f = *w.form;
    f.Option11->setChecked(true);
    f.Boton_Abrir->click();
    f.Option13->setChecked(true);
    f.Option9->setChecked(true);
    EXPECT_EQ(f.MSComm1->commPort(), 1);
    EXPECT_EQ(f.Etiq_Puerto->text(), "COM 1:");

    f.Boton_Cerrar->click();
    w.messages().clear();
    f.Boton_Abrir->click();

    EXPECT_EQ(w.messages(), QStringList{"Puerto COM 3: abierto OK"});
    EXPECT_EQ(f.MSComm1->settings(), " 1200,N,8,1");
    EXPECT_EQ(w.settings(), "\" 3\"\r\n");
}

TEST(Choices, RepetidoresSpeedsAreSilentItsPortsAreNot)
{
    LinkedWindow w(Edition::Repetidores, {1});
    Form1 &f = *w.form;
    f.Boton_Abrir->click();
    ASSERT_TRUE(f.MSComm1->portOpen());
    w.messages().clear();

    f.Option8->setChecked(true); // disabled for the operator; selectable by program only
    f.Option7->setChecked(true);
    EXPECT_TRUE(w.messages().isEmpty());
    f.Option13->setChecked(true);
    EXPECT_EQ(w.messages(), QStringList{"Recuerde cerrar puerto anterior para cambiar"});
}

} // namespace
