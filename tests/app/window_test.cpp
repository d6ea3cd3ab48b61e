#include "window_on_line.h"

#include <QAccessible>
#include <QGroupBox>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Each control as "name kind container 'caption'", then whether it is selected, locked or
// disabled, its tooltip, and its font where not the window's plain MS Sans Serif 8.25. A bare
// option button has no caption: it reads as the label beside it.
const QStringList sonviraControls{
    "Boton_Ayuda QPushButton Form1 'Ay&uda'",
    // Bell programs
    "Frame2 QGroupBox Form1 'Programas automaticos para los canales de timbres' bold",
    "Label12 QLabel Frame2 'Programa en uso'", "File2 FileListBox Frame2 'timbres*.txt'",
    "Label15 QLabel Frame2 'Por defecto, timbres_1.txt. (Nunca eliminarlo)               "
    "Formato: Canal,HH:MM:SS    ' Arial 8.25",
    "Label11 QLabel Frame2 'Programas  disponibles'", "File1 FileListBox Frame2 'timbre*.txt'",
    "Label14 QLabel Frame2 'Para editar o seleccionar haga cilck aqui' Arial 8.25",
    // Channels
    "Frame4 QGroupBox Form1 ''",
    "Label10 QLabel Frame4 'Habilitacion y estado  de los canales de timbres ' bold",
    "Label8 QLabel Frame4 "
    "'El tiempo de sonido depende de un preajuste en cada satelite.' Arial 8.25",
    "Frame7 QGroupBox Form1 'Canal 1'", "Frame6 QGroupBox Form1 'Canal 2'",
    "Frame5 QGroupBox Form1 'Canal 3'", "Text1 QLineEdit Frame7 'Cerrado' locked",
    "Text2 QLineEdit Frame6 'Cerrado' locked", "Text3 QLineEdit Frame5 'Cerrado' locked",
    "Option1 QRadioButton Frame7 'SI' selected", "Option2 QRadioButton Frame6 'SI' selected",
    "Option3 QRadioButton Frame5 'SI' selected", "Option4 QRadioButton Frame7 'NO'",
    "Option5 QRadioButton Frame6 'NO'", "Option6 QRadioButton Frame5 'NO'",
    "Canal1 QPushButton Frame7 'Prueba' tip 'No actua con su  Canal y el Puerto Cerrados'",
    "Canal2 QPushButton Frame6 'Prueba' tip 'No actua con su  Canal y el Puerto Cerrados'",
    "Canal3 QPushButton Frame5 'Prueba' tip 'No actua con su  Canal y el Puerto Cerrados'",
    // Transmission
    "Frame3 QGroupBox Form1 'Transmision de Datos' bold", "Label3 QLabel Frame3 'Resultado:'",
    "Texto_Mensajes QLineEdit Frame3 '' locked", "Label9 QLabel Frame3 'Datos a Satelites:'",
    "Texto_a_Enviar QLineEdit Frame3 'en espera' locked Verdana 9.75 bold",
    // Port
    "Frame1 QGroupBox Form1 'Control de los puertos seriales' bold",
    "Etiq_Puerto QLabel Frame1 'COM1:'", "Etiq_Estado QLabel Frame1 'CERRADO'",
    "Label5 QLabel Frame1 'Velocidad:'", "Etiq_Velocidad QLabel Frame1 '300 bauds'",
    "Option11 QRadioButton Frame1 'COM1:'", "Option12 QRadioButton Frame1 'COM2:'",
    "Option13 QRadioButton Frame1 'COM3:'", "Option14 QRadioButton Frame1 'COM4:'",
    "Label4 QLabel Frame1 'COM1:'", "Label18 QLabel Frame1 'COM2:'",
    "Label19 QLabel Frame1 'COM3:'", "Label20 QLabel Frame1 'COM4:'",
    "Boton_Abrir QPushButton Frame1 'Abrir puerto'",
    "Boton_Cerrar QPushButton Frame1 'Cerrar puerto'", "MSComm1 MSComm Frame1 ''",
    // Speed
    "Baudios QGroupBox Form1 'Velocidad' bold", "Option7 QRadioButton Baudios '300' selected",
    "Option8 QRadioButton Baudios '600'", "Option9 QRadioButton Baudios '1200'",
    "Option10 QRadioButton Baudios '2400'", "Label1 QLabel Baudios '300'",
    "Label2 QLabel Baudios '600'", "Label17 QLabel Baudios '1200'", "Label16 QLabel Baudios '2400'",
    // Clock
    "Hora QGroupBox Form1 'Hora de su PC o Sistema' bold",
    "Label6 ClickableLabel Hora '00:00:00' Verdana 14.25",
    "Label7 QLabel Hora 'Para Satelites con timbres, use formato de 24 horas en su PC  (ver en "
    "Panel de Control) Sincronize el reloj de su PC con Internet.'",
    "Timer1 WallClockTimer Hora ''"};
// Where repetidores differs.
const QStringList repetidoresControls{
    // Captions
    "Frame2 QGroupBox Form1 'Control programado de canales de timbres' bold",
    "Label10 QLabel Frame4 'Habilitacion y prueba manual de los canales de timbres' bold",
    "Label8 QLabel Frame4 "
    "'El tiempo de sonido depende de un preajuste en cada satelite' Arial 8.25",
    "Label3 QLabel Frame3 'Resultado del envío:'", "Label9 QLabel Frame3 ' Satelites'",
    "Label7 QLabel Hora 'Para Satelites con timbres, use formato de 24 horas en su PC  (ver en "
    "Panel de Control)'",
    // Choices: only COM1 at 300 bauds
    "Option11 QRadioButton Frame1 'COM1:' selected", "Option8 QRadioButton Baudios '600' disabled",
    "Option9 QRadioButton Baudios '1200' disabled",
    "Option10 QRadioButton Baudios '2400' disabled"};

QString describe(const QObject *control)
{
    const auto *list = qobject_cast<const FileListBox *>(control);
    const QVariant title = control->property("title");
    // A list's name is checked as a screen reader hears it.
    QString text =
        QStringLiteral("%1 %2 %3 '%4'")
            .arg(control->objectName(), control->metaObject()->className(),
                 control->parent()->objectName(),
                 list ? list->pattern()
                      : (title.isValid() ? title : control->property("text")).toString() +
                            control->property("accessibleName").toString());
    for (const auto &[property, word] :
         {std::pair{"checked", " selected"}, {"readOnly", " locked"}})
        text += control->property(property).toBool() ? word : "";
    const auto *widget = qobject_cast<const QWidget *>(control);
    if (!widget)
        return text;
    const QString font =
        QStringLiteral("%1 %2").arg(widget->font().family()).arg(widget->font().pointSizeF());
    return text + (widget->isEnabled() ? "" : " disabled") +
           (widget->toolTip().isEmpty() ? "" : " tip '" + widget->toolTip() + "'") +
           (font == "MS Sans Serif 8.25" ? "" : " " + font) +
           (widget->font().bold() ? " bold" : "") +
           (widget->parentWidget()->rect().contains(widget->geometry()) ? "" : " outside");
}

// Both programs' windows as the operator finds them: each control as listed and within
// its container, no other control, the channel frames on top of the channel area. Then
// every notification, by mouse, keyboard or program, on the shown window, that records
// which handler it reaches without running it.
TEST(Window, AsTheOperatorSeesItAndEachNotificationReachesItsHandler)
{
    for (Edition edition : {Edition::Sonvira, Edition::Repetidores}) {
        SCOPED_TRACE(programName(edition).toStdString());
        const bool sonvira = edition == Edition::Sonvira;
        FakeHost fake;
        Form1 f(edition, fake.host);
        QStringList expected = sonviraControls, named;
        for (const QString &differing : sonvira ? QStringList() : repetidoresControls)
            for (QString &control : expected)
                if (control.section(' ', 0, 0) == differing.section(' ', 0, 0))
                    control = differing;
        for (const QString &e : expected) {
            const QObject *control = f.findChild<QObject *>(e.section(' ', 0, 0));
            ASSERT_NE(control, nullptr) << e.toStdString();
            EXPECT_EQ(describe(control), e);
        }
        // Qt's own inner parts are named qt_...
        for (const QObject *child : f.findChildren<QObject *>())
            if (!child->objectName().isEmpty() && !child->objectName().startsWith("qt_"))
                named.append(child->objectName());
        EXPECT_EQ(named.size(), expected.size()) << named.join(' ').toStdString();
        for (const auto &[list, caption] : {std::pair{f.File1, QString("Programas  disponibles")},
                                            {f.File2, QString("Programa en uso")}})
            EXPECT_EQ(QAccessible::queryAccessibleInterface(list)->text(QAccessible::Name),
                      caption);
        for (const Form1::Channel &c : f.channels) {
            const QWidget *atCentre = f.childAt(c.frame->geometry().center());
            EXPECT_TRUE((atCentre == c.frame || c.frame->isAncestorOf(atCentre)) &&
                        f.Frame4->geometry().contains(c.frame->geometry()));
        }
        EXPECT_EQ(f.windowTitle(), sonvira ? "   Relojes Satelites Repetidores de Velbrano"
                                           : "   Repetidores esclavos de Velbrano");
        EXPECT_EQ(f.size(), sonvira ? QSize(421, 615) : QSize(417, 592));
        EXPECT_EQ(f.minimumSize() == f.maximumSize(), !sonvira);
        EXPECT_EQ(f.windowType(), sonvira ? Qt::Window : Qt::Dialog);
        EXPECT_FALSE(!sonvira && f.windowFlags().testAnyFlags(Qt::WindowMinimizeButtonHint |
                                                              Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(f.windowIcon().pixmap(32, 32).size(), QSize(32, 32));
        EXPECT_TRUE(f.Timer1->isActive() && !f.MSComm1->portOpen());

        f.Timer1->stop(); // its ticks are delivered by hand
        QStringList handlers;
        f.setDispatchObserver(
            [&](const QString &handler) { return handlers.append(handler), false; });
        const auto control = [&](const QString &name) { return f.findChild<QWidget *>(name); };
        f.show();
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        // "*Name" is a mouse click, "Name" an option selected by the program: only becoming
        // selected counts, by program as by a click.
        for (const QString &step :
             QStringLiteral(
                 "*Boton_Abrir *Boton_Cerrar *Boton_Ayuda *Canal1 *Canal2 *Canal3 Option4 Option1 "
                 "Option1 *Option1 Option5 Option6 *Option2 Option8 Option9 Option10 Option7 "
                 "*Option9 Option14 Option11 Option12 *Label6 *Label7 *Label4 *Frame1")
                 .split(u' '))
            step.startsWith(u'*') ? QTest::mouseClick(control(step.mid(1)), Qt::LeftButton)
                                  : f.findChild<QRadioButton *>(step)->setChecked(true);
        for (int i = 0; const char *word : {"Sin puerto", "Preparado", "Disparo"})
            f.channels[i++].state->setText(QLatin1String(word));
        f.Texto_Mensajes->setText("Detenido..."), f.Texto_a_Enviar->setText("07:30:00");
        emit f.File1->Click();
        emit f.File2->Click();
        emit f.Timer1->timeout();
        emit f.MSComm1->OnComm();
        QTest::mouseClick(&f, Qt::LeftButton);
        QTest::keyClick(control("Text1"), Qt::Key_Return);
        f.resize(500, 700), f.close();
        // Only Sonvira has the bracketed handlers and a default button.
        QString routed =
            "Boton_Abrir_Click Boton_Cerrar_Click Boton_Ayuda_Click Canal1_Click Canal2_Click "
            "Canal3_Click Option4_Click Option1_Click Option5_Click Option6_Click "
            "Option2_Click [Option8_Click Option9_Click Option10_Click "
            "Option7_Click Option9_Click ]Option14_Click Option11_Click "
            "Option12_Click Label6_Click Text1_Change Text2_Change Text3_Change "
            "File1_Click Timer1_Timer MSComm1_OnComm[ Boton_Abrir_Click]";
        routed.remove(QRegularExpression(sonvira ? "[][]" : "\\[.*?\\]"));
        EXPECT_EQ(handlers.join(' '), routed);
    }
}

// From the clock's own reading, 20 ms into the next half second: a late tick keeps the
// half second it read, one that came very late is not followed by a hurried one in the
// same half, and after the clock was put forward the next tick realigns.
TEST(WallClockTimer, LandsTwentyMillisecondsIntoTheClocksNextHalfSecond)
{
    const int table[][2] = {{0, 520}, {19, 501}, {20, 500}, {499, 21}, {500, 520}, {999, 21}};
    for (const auto &[now, delay] : table)
        EXPECT_EQ(WallClockTimer::delayToNextTick(now), delay) << "at ." << now;
    FakeClock clock;
    clock.setTime(QTime(7, 29, 58, 300));
    WallClockTimer timer(clock);
    clock.setTime(QTime(8, 30, 0, 900)); // put forward before the tick
    ASSERT_TRUE(QSignalSpy(&timer, &WallClockTimer::timeout).wait(1000));
    EXPECT_NEAR(timer.remainingTime(), 110, 10);
}

// On the real clock, where a timer of coarse precision would slip a tick into the
// wrong half second. How late a tick comes depends on the load (the sanitizer build
// on a busy machine), and the schedule's lateness is the fake clock's test: here only
// what holds on any machine, no tick before 20 ms into its half second and no half
// second with two.
TEST(WallClockTimer, TicksJustAfterEveryHalfSecond)
{
    SystemClock clock;
    WallClockTimer timer(clock);
    QList<qint64> ticks; // ms since the epoch, as read by each tick
    QObject::connect(&timer, &WallClockTimer::timeout,
                     [&] { ticks.append(clock.now().toMSecsSinceEpoch()); });
    QTest::qWait(3100);
    ASSERT_GE(ticks.size(), 3);
    for (qsizetype i = 0; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i] % 500, 18) << "a tick before its half second's 20 ms";
        EXPECT_TRUE(i == 0 || ticks[i] / 500 > ticks[i - 1] / 500) << "two ticks in a half second";
    }
}

QStringList shown(const FileListBox *list)
{
    QStringList names;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        names << list->model()->index(row, 0).data().toString();
    return names;
}

void clickOn(FileListBox *list, const QString &name)
{
    const QModelIndex row = list->indexOf(name);
    ASSERT_TRUE(row.isValid()) << name.toStdString();
    list->scrollTo(row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
}

// File1 starts on the working folder and is pointed at one of its own, with a blank in its
// name, that is not the program folder. The lists show the files their patterns match,
// whatever their case, as they come and go, keeping the name asked for selected, even one
// not there yet (as while an editor saves by writing the file anew) or one the pattern
// leaves out; a name that is not text in the system's encoding is left out and told once.
// Only the operator's choices raise a Click. The only editor on the search path is a
// stand-in that the recording launcher never runs.
TEST(ProgramSelection, File1EditsTheChosenProgramAndFile2PutsItInUse)
{
    const auto touch = [](const QString &path) { ASSERT_TRUE(WindowOnLine::put(path, {})); };
    FakeHost fake;
    const QString bin = fake.home.path() + QStringLiteral("/bin"), editor = bin + "/gedit";
    const QString work = fake.home.path() + QStringLiteral("/carpeta de trabajo");
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(work + "/timbres_viejos.txt")); // a folder
    touch(editor);
    QFile(editor).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    for (const char *name :
         {"timbres_1.txt", "timbres de verano.txt", "timbre_sabado.txt", "TIMBRES_2.TXT",
          "timbres_1.txt.bak", "mis_timbres.txt", "timbres.csv"})
        touch(work + u'/' + QLatin1String(name));
    const QByteArray unusable = QFile::encodeName(work) + "/timbres_\xff.txt";
    ASSERT_EQ(::close(::open(unusable.constData(), O_CREAT | O_WRONLY, 0644)), 0);
    // A file of the same name in the program folder must not be the one edited.
    touch(fake.host.places.programFolder() + QStringLiteral("/timbre_sabado.txt"));
    touch(fake.dataFolder() + QStringLiteral("/timbres_3.txt"));
    Form1 form(Edition::Sonvira, fake.host);
    form.Timer1->stop();
    EXPECT_EQ(form.File1->path(), QDir::currentPath());
    form.File1->setPath(work);
    form.File2->setFileName(fake.host.places.defaultProgram());
    touch(fake.host.places.defaultProgram());
    form.show();
    const auto inUse = [&] { return form.File2->path() + u'/' + form.File2->fileName(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return inUse() == fake.host.places.defaultProgram(); }));
    EXPECT_EQ(shown(form.File1), QStringList({"timbre_sabado.txt", "timbres de verano.txt",
                                              "timbres_1.txt", "TIMBRES_2.TXT"}));

    clickOn(form.File2, QStringLiteral("timbres_3.txt")); // chosen directly, no editor
    EXPECT_EQ(inUse(), fake.dataFolder() + QStringLiteral("/timbres_3.txt"));
    clickOn(form.File1, QStringLiteral("timbres de verano.txt"));
    EXPECT_EQ(inUse(), work + QStringLiteral("/timbres de verano.txt"));
    clickOn(form.File1, QStringLiteral("timbres de verano.txt")); // again, to edit once more
    QTest::keyClick(form.File1, Qt::Key_Up);
    // Outside File2's own pattern, yet it is what the tick will read.
    EXPECT_EQ(inUse(), work + QStringLiteral("/timbre_sabado.txt"));
    touch(work + QStringLiteral("/Timbre.txt")); // lands before the selected name
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(form.File1).first() == "Timbre.txt"; }));
    ASSERT_TRUE(QFile::remove(work + QStringLiteral("/Timbre.txt"))); // and goes again
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(form.File1).first() == "timbre_sabado.txt"; }));
    EXPECT_EQ(form.File1->fileName(), QStringLiteral("timbre_sabado.txt"));
    QList<QStringList> edited;
    for (const char *name : {"timbres de verano.txt", "timbres de verano.txt", "timbre_sabado.txt"})
        edited.append({editor, work + u'/' + QLatin1String(name)});
    EXPECT_EQ(fake.launcher.starts, edited);

    // An editor that cannot start, or is not there, leaves the program in use as it was.
    const QString before = inUse();
    fake.launcher.failWith = QStringLiteral("Permiso denegado");
    clickOn(form.File1, QStringLiteral("timbres_1.txt"));
    ASSERT_TRUE(QFile::remove(editor));
    clickOn(form.File1, QStringLiteral("timbres de verano.txt"));
    EXPECT_EQ(inUse(), before);
    const QString notOpened =
        "No se pudo abrir " + work + "/%1 en el Bloc de Notas|Sistema detectó: ";
    EXPECT_EQ(fake.messages.texts.join(u'|'),
              "Estos programas de timbres tienen en su nombre caracteres que el sistema no "
              "reconoce, y no se pueden elegir ni abrir: timbres_\\xff.txt. Cámbieles el nombre "
              "para poder usarlos.|" +
                  notOpened.arg("timbres_1.txt") + "Permiso denegado|" +
                  notOpened.arg("timbres de verano.txt") +
                  "No se encontró ningún editor de textos. Instale uno de estos: " +
                  Places::editorNames().join(", ") + ".");
    // A name asked for in another case selects the file Windows would open for it.
    form.File1->setFileName(QStringLiteral("timbres_2.txt"));
    EXPECT_EQ(form.File1->fileName(), QStringLiteral("TIMBRES_2.TXT"));
    ::unlink(unusable.constData()); // a name the temporary folder could not give back to remove
}

} // namespace
