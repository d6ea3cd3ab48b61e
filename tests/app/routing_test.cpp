#include "app/clickable_label.h"
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "fake_host.h"
#include "serial/mscomm.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Builds a window of each program that records which handler each notification
// reaches, without running the handlers themselves.
struct Recorder
{
    explicit Recorder(Edition edition) : form(edition, fake.host)
    {
        form.Timer1->stop(); // its ticks are delivered by hand below
        form.setDispatchObserver([this](const char *handler) {
            handlers.append(QLatin1String(handler));
            return false;
        });
    }
    FakeHost fake;
    Form1 form;
    QStringList handlers;
};

struct Route
{
    const char *notification;
    std::function<void(Form1 &)> raise;
    QStringList sonvira;
    QStringList repetidores;
};

void select(QRadioButton *option)
{
    option->setChecked(true);
}

const QList<Route> &routes()
{
    const QStringList none;
    static const QList<Route> table{
        {"Boton_Abrir pressed",
         [](Form1 &f) { f.Boton_Abrir->click(); },
         {"Boton_Abrir_Click"},
         {"Boton_Abrir_Click"}},
        {"Boton_Cerrar pressed",
         [](Form1 &f) { f.Boton_Cerrar->click(); },
         {"Boton_Cerrar_Click"},
         {"Boton_Cerrar_Click"}},
        {"Boton_Ayuda pressed",
         [](Form1 &f) { QTest::mouseClick(f.Boton_Ayuda, Qt::LeftButton); },
         {"Boton_Ayuda_Click"},
         {"Boton_Ayuda_Click"}},
        {"Prueba pressed",
         [](Form1 &f) { f.Canal1->click(), f.Canal2->click(), f.Canal3->click(); },
         {"Canal1_Click", "Canal2_Click", "Canal3_Click"},
         {"Canal1_Click", "Canal2_Click", "Canal3_Click"}},
        {"NO then SI selected by program",
         [](Form1 &f) {
             select(f.Option4), select(f.Option1), select(f.Option5), select(f.Option6);
         },
         {"Option4_Click", "Option1_Click", "Option5_Click", "Option6_Click"},
         {"Option4_Click", "Option1_Click", "Option5_Click", "Option6_Click"}},
        {"SI clicked back",
         [](Form1 &f) { select(f.Option5), QTest::mouseClick(f.Option2, Qt::LeftButton); },
         {"Option5_Click", "Option2_Click"},
         {"Option5_Click", "Option2_Click"}},
        {"SI selected again while selected",
         [](Form1 &f) { select(f.Option3), f.Option3->click(); }, none, none},
        {"speeds selected",
         [](Form1 &f) {
             select(f.Option8), select(f.Option9), select(f.Option10), select(f.Option7);
         },
         {"Option8_Click", "Option9_Click", "Option10_Click", "Option7_Click"},
         none},
        {"speed clicked",
         [](Form1 &f) { QTest::mouseClick(f.Option9, Qt::LeftButton); },
         {"Option9_Click"},
         none},
        {"ports selected",
         [](Form1 &f) {
             select(f.Option12), select(f.Option13), select(f.Option14), select(f.Option11);
         },
         {"Option12_Click", "Option13_Click", "Option14_Click", "Option11_Click"},
         {"Option12_Click", "Option13_Click", "Option14_Click", "Option11_Click"}},
        {"channel words written",
         [](Form1 &f) {
             f.Text1->setText("Sin puerto"), f.Text2->setText("Preparado"),
                 f.Text3->setText("Disparo");
         },
         {"Text1_Change", "Text2_Change", "Text3_Change"},
         {"Text1_Change", "Text2_Change", "Text3_Change"}},
        {"transmission boxes written",
         [](Form1 &f) {
             f.Texto_Mensajes->setText("Detenido..."), f.Texto_a_Enviar->setText("07:30:00");
         },
         none, none},
        {"program chosen in File1",
         [](Form1 &f) { emit f.File1->Click(); },
         {"File1_Click"},
         {"File1_Click"}},
        {"program chosen in File2", [](Form1 &f) { emit f.File2->Click(); }, none, none},
        {"clock clicked",
         [](Form1 &f) { QTest::mouseClick(f.Label6, Qt::LeftButton); },
         {"Label6_Click"},
         {"Label6_Click"}},
        {"other labels and frames clicked",
         [](Form1 &f) {
             for (QWidget *w :
                  std::initializer_list<QWidget *>{f.Label7, f.Label4, f.Etiq_Estado, f.Frame1, &f})
                 QTest::mouseClick(w, Qt::LeftButton);
         },
         none, none},
        {"Timer1 period elapsed",
         [](Form1 &f) { emit f.Timer1->timeout(); },
         {"Timer1_Timer"},
         {"Timer1_Timer"}},
        {"MSComm1 serial event",
         [](Form1 &f) { emit f.MSComm1->OnComm(); },
         {"MSComm1_OnComm"},
         {"MSComm1_OnComm"}},
        {"Enter pressed in a text box",
         [](Form1 &f) { QTest::keyClick(f.Text1, Qt::Key_Return); },
         {"Boton_Abrir_Click"},
         none},
        {"window resized and closed", [](Form1 &f) { f.resize(500, 700), f.close(); }, none, none},
    };
    return table;
}

TEST(Routing, EachNotificationReachesItsHandler)
{
    for (Edition edition : {Edition::Sonvira, Edition::Repetidores}) {
        for (const Route &route : routes()) {
            Recorder recorder(edition);
            route.raise(recorder.form);
            EXPECT_EQ(recorder.handlers,
                      edition == Edition::Sonvira ? route.sonvira : route.repetidores)
                << programName(edition).toStdString() << ": " << route.notification;
        }
    }
}

TEST(Routing, KeyboardOnTheShownWindow)
{
    Recorder recorder(Edition::Sonvira);
    Form1 &form = recorder.form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    form.Canal2->setFocus();
    QTest::keyClick(form.Canal2, Qt::Key_Enter); // a focused button takes Enter itself
    form.Option12->setChecked(true);
    form.Option12->setFocus();
    QTest::keyClick(form.Option12, Qt::Key_Down); // the arrows choose within a group
    EXPECT_EQ(recorder.handlers, QStringList({"Canal2_Click", "Option12_Click", "Option13_Click"}));
}

TEST(Routing, ShowingAndMovingTheFocusSelectsNothing)
{
    for (Edition edition : {Edition::Sonvira, Edition::Repetidores}) {
        Recorder recorder(edition);
        Form1 &form = recorder.form;
        const auto selected = [&] {
            QStringList names;
            for (const QRadioButton *option : form.findChildren<QRadioButton *>())
                if (option->isChecked())
                    names.append(option->objectName());
            return names;
        };
        const QStringList before = selected();
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        for (int step = 0; step < 80; ++step)
            QTest::keyClick(QApplication::focusWidget(), step < 40 ? Qt::Key_Tab : Qt::Key_Backtab);
        EXPECT_EQ(selected(), before) << programName(edition).toStdString();
        EXPECT_EQ(recorder.handlers, QStringList()) << programName(edition).toStdString();
    }
}

} // namespace
