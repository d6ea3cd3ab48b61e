#include "app/handlers/port_labels.h"
#include "window_on_line.h"

#include <QTest>

constexpr Edition S = Edition::Sonvira, R = Edition::Repetidores;

// "Abrir puerto", and start-up. Start-up tells its reminder first, before anything
// is stored or opened; Sonvira's selects the saved port's choice and opens the saved
// port, else COM1, as "Abrir puerto" opens the port chosen, else the saved one. Both
// store the port before they open it (Sonvira only); a file they cannot write ("/":
// a folder in its place) stops nothing. On a refusal the labels, an open port and
// what the component refused stay as they were; a number no port has is never
// rounded (COM1 would open in its place). The bell program, the words and the serial
// component's thresholds of the start state are in use in the end-to-end test.
TEST(Opening, ByChoiceOrSavedPortOrRefusedAndAtStartUp)
{
    enum How { Abrir, AnotherOpen, StartUp };
    const struct
    {
        Edition edition;
        How how;
        const char *file, *tried;
        int choice, baud, pty; // choice: given to "Abrir puerto", selected by start-up
        bool opens;
        int commPort; // the component's afterwards
    } rows[] = {
        {S, Abrir, "\" 4\"\r\n", "2", 2, 1200, 2, true, 2},
        {S, Abrir, "", "3", 3, 600, 3, true, 3},
        {S, Abrir, "", "4", 4, 2400, 4, true, 4},
        {S, Abrir, "puerto COM 2\n", "2", 0, 2400, 2, true, 2},
        {S, Abrir, "/", "2", 2, 300, 2, true, 2},
        {R, Abrir, "\" 4\"\r\n", "2", 2, 300, 2, true, 2},
        {S, Abrir, "", "3", 3, 300, 2, false, 3},
        {S, Abrir, "\" 0\"\r\n", "0", 0, 300, 2, false, 1},
        {S, AnotherOpen, "", "1", 1, 300, 2, false, 2},
        {S, Abrir, "x.5", "0.5", 0, 300, 1, false, 1},
        {S, Abrir, "\" 5\"", "5", 0, 300, 2, false, 5},
        {S, StartUp, "\" 3\"\r\n", "3", 3, 300, 3, true, 3},
        {S, StartUp, "\" 5\"\r\n", "1", 0, 300, 1, true, 1},
        {S, StartUp, "\" 2\"\r\n", "2", 2, 300, 1, false, 2},
        {R, StartUp, "\" 3\"\r\n", "", 1, 300, 3, false, 1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.file) + " COM" + row.tried);
        WindowOnLine w(row.edition, row.pty);
        const bool sonvira = row.edition == S, folder = *row.file == '/', load = row.how == StartUp;
        ASSERT_TRUE(folder ? QDir().mkpath(w.settingsFile()) : w.put(w.settingsFile(), row.file));
        if (row.how == AnotherOpen)
            w.open(2);
        if (row.choice && !load)
            w.option(10 + row.choice)->setChecked(true);
        w.option(7 + QList{300, 600, 1200, 2400}.indexOf(row.baud))->setChecked(true);
        const QString labels = w.labels();
        const QByteArray before = w.settings();
        const QByteArray after = sonvira && !folder && (row.choice || load)
                                     ? "\" " + QByteArray(row.tried) + "\"\r\n"
                                     : before;
        w.fake.messages.whileOpen = [&](const QString &) {
            const bool reminder = load && w.told().size() == 1;
            EXPECT_EQ(w.settings(), reminder ? before : after) << "stored before the opening";
            EXPECT_FALSE(reminder && w.form->MSComm1->portOpen());
        };
        w.told().clear();

        load ? w.form->Form_Load() : w.form->Boton_Abrir->click();

        const QString reminder =
            sonvira
                ? "Recuerde, si no hay un puerto abierto, debe abrirlo antes de empezar a usarlo"
                : "Recuerde, debe abrir un puerto antes de empezar a usarlo";
        const QString tried = QLatin1String(row.tried);
        const QStringList opening =
            row.opens ? QStringList{"Puerto COM " + tried + ": abierto OK"}
                      : QStringList{"Error al intentar abrir COM " + tried, "Error detectado: …"};
        EXPECT_EQ(w.toldShort(), (load ? QStringList{reminder} : QStringList()) +
                                     (sonvira || !load ? opening : QStringList()));
        // The component never gets a fraction: the refusal is the window's own.
        EXPECT_EQ(w.told().last().endsWith(QStringLiteral("no válido: 0.5")), tried == "0.5");
        EXPECT_EQ(w.form->MSComm1->portOpen(), row.opens || row.how == AnotherOpen);
        EXPECT_EQ(w.form->MSComm1->commPort(), row.commPort);
        const QString opened = QStringLiteral("COM %1:| %2 bauds|#888800|ABIERTO|#888800");
        const QString closed = QStringLiteral("COM1:|300 bauds|#000000|CERRADO|#ff0000");
        EXPECT_EQ(w.labels(), row.opens ? opened.arg(tried).arg(row.baud) : load ? closed : labels);
        EXPECT_EQ(w.form->MSComm1->settings().trimmed(), QStringLiteral("%1,N,8,1").arg(row.baud));
        for (int port = 1; port <= 4; ++port)
            EXPECT_EQ(w.option(10 + port)->isChecked(), port == row.choice) << port;
        EXPECT_EQ(w.settings(), after);
        EXPECT_EQ(w.words(), load ? "SSS" : "CCC");
    }
}

// "Cerrar puerto" (its farewell string is in the end-to-end test): the words by each
// channel's choice, a pending firing dropped; the port closed before it says so; a
// lost device closed all the same; a second press finds nothing to do.
TEST(Closing, SetsTheWordsSaysGoodbyeAndClosesEvenALostDevice)
{
    // The options chosen ("SI" 1 to 3, "NO" 4 to 6) and the words they leave; none for
    // the lost device.
    for (auto [options, words] : {std::pair{"153", "SCS"}, {"426", "CSC"}, {"", "SSS"}}) {
        SCOPED_TRACE(words);
        const bool lost = !*options;
        WindowOnLine w(lost ? R : S);
        w.option(9)->setChecked(true); // 1200 bauds
        w.open();
        for (const char *n = options; *n; ++n)
            w.option(*n - '0')->setChecked(true);
        w.form->channels[1].state->setText(QStringLiteral("Disparo"));
        if (lost) {
            w.pty.closeMaster();
            QTest::qWait(50); // for the component to see it gone
        }
        bool closed = false;
        w.fake.messages.whileOpen = [&](const QString &) { closed = !w.form->MSComm1->portOpen(); };

        w.form->Boton_Cerrar->click();

        EXPECT_EQ(w.words(), words);
        EXPECT_EQ(w.told(), QStringList{"Puertos COM: cerrados OK"});
        EXPECT_TRUE(closed) << "before it is told";
        EXPECT_EQ(w.labels(), "COM 2:| 1200 bauds|#000000|CERRADO|#ff0000");

        w.form->channels[0].state->setText(QStringLiteral("Preparado"));
        w.form->Boton_Cerrar->click();
        EXPECT_EQ(w.told().size(), 1);
        EXPECT_TRUE(w.words().startsWith(u'P'));
        EXPECT_EQ(w.pty.read(200), lost ? "" : "qqjjZZJJ==..") << "said once";
    }
    // The component closes whatever the device does, so its refusal is met only here.
    EXPECT_EQ(closingFailureMessages(3, 1, QStringLiteral("sin respuesta")),
              (QStringList{"Error al intentar cerrar COM 3", "Sistema detectó: sin respuesta"}));
    EXPECT_EQ(closingFailureMessages(0, 2, {}).first(), "Error al intentar cerrar COM 2");
}

// The port and speed choices count from the next opening: while a port is open they
// say so and change nothing. repetidores' speeds say nothing at all.
TEST(Choices, RemindWhileThePortIsOpenAndChangeNothingOpen)
{
    const QString port = QStringLiteral("Recuerde cerrar puerto anterior para cambiar");
    const QString speed = QStringLiteral(
        "Tendra efecto en la proxima apertura. Use la velocidad adecuada a la interfaz");
    WindowOnLine w(S, 3), r(R);
    for (int n : {8, 11})
        w.option(n)->setChecked(true);
    EXPECT_TRUE(w.told().isEmpty());
    w.open(3);
    for (int n : {9, 10, 7, 11, 12, 14})
        w.option(n)->setChecked(true);
    EXPECT_EQ(w.told(), QStringList(3, speed) + QStringList(3, port));
    EXPECT_EQ(w.form->MSComm1->settings(), " 600,N,8,1");
    r.open();
    for (int n : {8, 7, 13})
        r.option(n)->setChecked(true);
    EXPECT_EQ(r.told(), QStringList{port});
}
