#include "app/handlers/port_labels.h"
#include "window_on_line.h"

#include <QTest>

constexpr Edition S = Edition::Sonvira, R = Edition::Repetidores;

// "Abrir puerto", and start-up. Start-up tells its reminder first; Sonvira's selects the
// saved port's choice and opens the saved port, else COM1, as "Abrir puerto" opens the
// port chosen, else the saved one. Both store the port they try (Sonvira only); a file
// they cannot write ("/": a folder in its place) stops nothing. On a refusal the labels,
// an open port and what the component refused stay as they were; a number no port has is
// never rounded (COM1 would open in its place).
TEST(Opening, ByChoiceOrSavedPortOrRefusedAndAtStartUp)
{
    enum How { Abrir, AnotherOpen, StartUp };
    // The settings file, the port tried, the choice given to "Abrir puerto" or selected by
    // start-up, the speed, the port that leads to the line, whether it opens, and the
    // serial component's port afterwards.
    const std::tuple<Edition, How, const char *, const char *, int, int, int, bool, int> rows[] = {
        {S, Abrir, "\" 4\"\r\n", "2", 2, 1200, 2, true, 2},
        {S, Abrir, "", "4", 4, 2400, 4, true, 4},
        {S, Abrir, "puerto COM 2\n", "2", 0, 2400, 2, true, 2},
        {S, Abrir, "/", "2", 2, 300, 2, true, 2},
        {R, Abrir, "\" 4\"\r\n", "2", 2, 300, 2, true, 2},
        {S, Abrir, "", "3", 3, 300, 2, false, 3},
        {S, Abrir, "\" 0\"\r\n", "0", 0, 300, 2, false, 1},
        {S, AnotherOpen, "", "1", 1, 300, 2, false, 2},
        {S, Abrir, "x.5", "0.5", 0, 300, 1, false, 1},
        {S, StartUp, "\" 3\"\r\n", "3", 3, 300, 3, true, 3},
        {S, StartUp, "\" 5\"\r\n", "1", 0, 300, 1, true, 1},
        {S, StartUp, "\" 2\"\r\n", "2", 2, 300, 1, false, 2},
        {R, StartUp, "\" 3\"\r\n", "", 1, 300, 3, false, 1},
    };
    for (const auto &[edition, how, file, port, choice, baud, pty, opens, commPort] : rows) {
        SCOPED_TRACE(std::string(file) + " COM" + port);
        WindowOnLine w(edition, pty);
        const bool sonvira = edition == S, folder = *file == '/', load = how == StartUp;
        ASSERT_TRUE(folder ? QDir().mkpath(w.settingsFile()) : w.put(w.settingsFile(), file));
        if (how == AnotherOpen)
            w.open(2);
        if (choice && !load)
            w.option(10 + choice)->setChecked(true);
        w.option(7 + QList{300, 600, 1200, 2400}.indexOf(baud))->setChecked(true);
        const QString labels = w.labels(), tried = QLatin1String(port);
        const QByteArray after = sonvira && !folder && (choice || load)
                                     ? "\" " + QByteArray(port) + "\"\r\n"
                                     : w.settings();

        w.told().clear(); // the reminder of a choice made while open
        load ? w.form->Form_Load() : w.form->Boton_Abrir->click();

        const QString reminder =
            sonvira
                ? "Recuerde, si no hay un puerto abierto, debe abrirlo antes de empezar a usarlo"
                : "Recuerde, debe abrir un puerto antes de empezar a usarlo";
        const QStringList opening =
            opens ? QStringList{"Puerto COM " + tried + ": abierto OK"}
                  : QStringList{"Error al intentar abrir COM " + tried, "Error detectado: …"};
        EXPECT_EQ(w.toldShort(), (load ? QStringList{reminder} : QStringList()) +
                                     (sonvira || !load ? opening : QStringList()));
        // The component never gets a fraction: the refusal is the window's own.
        EXPECT_EQ(w.told().last().endsWith(QStringLiteral("no válido: 0.5")), tried == "0.5");
        EXPECT_EQ(w.form->MSComm1->portOpen(), opens || how == AnotherOpen);
        EXPECT_EQ(w.form->MSComm1->commPort(), commPort);
        const QString opened = QStringLiteral("COM %1:| %2 bauds|#888800|ABIERTO|#888800");
        const QString closed = QStringLiteral("COM1:|300 bauds|#000000|CERRADO|#ff0000");
        EXPECT_EQ(w.labels(), opens ? opened.arg(tried).arg(baud) : load ? closed : labels);
        EXPECT_EQ(w.form->MSComm1->settings().trimmed(), QStringLiteral("%1,N,8,1").arg(baud));
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(w.option(10 + n)->isChecked(), n == choice) << n;
        EXPECT_EQ(w.settings(), after);
        EXPECT_EQ(w.words(), load ? "SSS" : "CCC");
    }
}

// "SI" and "NO" set their channel's word. "Cerrar puerto": the words by each channel's
// choice, a pending firing dropped; the farewell string once; the port closed before it
// says so; a second press finds nothing; "Prueba" finds the port closed; a tick then
// shows "Detenido..." and the time.
TEST(Closing, SetsTheWordsSaysGoodbyeAndCloses)
{
    // The options chosen ("SI" 1 to 3, "NO" 4 to 6) and the words they leave.
    for (auto [options, words] : {std::pair{"45613", "SCS"}, {"4652", "CSC"}}) {
        SCOPED_TRACE(words);
        WindowOnLine w(S);
        w.option(9)->setChecked(true); // 1200 bauds
        w.open();
        for (const char *n = options; *n; ++n) { // each over a pending firing
            w.form->channels[std::size_t(*n - '1') % 3].state->setText(QStringLiteral("Disparo"));
            w.option(*n - '0')->setChecked(true);
        }
        EXPECT_EQ(w.words(), words);
        w.form->channels[1].state->setText(QStringLiteral("Disparo"));
        bool closed = false;
        w.fake.messages.whileOpen = [&](const QString &) { closed = !w.form->MSComm1->portOpen(); };

        w.form->Boton_Cerrar->click();

        EXPECT_EQ(w.words(), words);
        EXPECT_EQ(w.told(), QStringList{"Puertos COM: cerrados OK"});
        EXPECT_TRUE(closed) << "before it is told";
        EXPECT_EQ(w.labels(), "COM 2:| 1200 bauds|#000000|CERRADO|#ff0000");
        EXPECT_EQ(w.form->Texto_a_Enviar->text(), "Apagados");
        w.form->Boton_Cerrar->click();
        EXPECT_EQ(w.told().size(), 1) << "a second press finds nothing to do";
        w.form->channels[1].test->click(); // "Prueba" reads the port closed
        EXPECT_EQ(w.told().last(), words[1] == 'S'
                                       ? "No funciona con el Puerto COM Cerrado"
                                       : "No funciona con el Canal 2 y el Puerto COM Cerrados");
        w.tick("08:00:00.020"); // the clock goes on, the line stays quiet
        EXPECT_TRUE(w.status == "Detenido..." &&
                    w.form->Label6->text() == regionalTimeText(QTime(8, 0)));
        EXPECT_EQ(w.pty.read(200), "qqjjZZJJ==..") << "said once";
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
