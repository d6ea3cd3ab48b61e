#include "app/clickable_label.h"
#include "app/control_inventory.h"
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/wall_clock_timer.h"
#include "fake_host.h"
#include "serial/mscomm.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using namespace ControlInventory;

// What the operator sees, control by control, as the manuals give it. A second
// caption is that of repetidores when it differs.
struct Expected
{
    const char *name;
    const char *kind; // Qt class
    const char *container;
    QString caption;
    QString repetidores = {};
};

const QList<Expected> &expectedControls()
{
    static const QList<Expected> list{
        {"Boton_Ayuda", "QPushButton", "Form1", "Ay&uda"},
        {"Frame2", "QGroupBox", "Form1", "Programas automaticos para los canales de timbres",
         "Control programado de canales de timbres"},
        {"Label12", "QLabel", "Frame2", "Programa en uso"},
        {"File2", "FileListBox", "Frame2", "timbres*.txt"},
        {"Label15", "QLabel", "Frame2",
         "Por defecto, timbres_1.txt. (Nunca eliminarlo)               Formato: Canal,HH:MM:SS   "
         " "},
        {"Label11", "QLabel", "Frame2", "Programas  disponibles"},
        {"File1", "FileListBox", "Frame2", "timbre*.txt"},
        {"Label14", "QLabel", "Frame2", "Para editar o seleccionar haga cilck aqui"},
        {"Frame4", "QGroupBox", "Form1", ""},
        {"Label10", "QLabel", "Frame4", "Habilitacion y estado  de los canales de timbres ",
         "Habilitacion y prueba manual de los canales de timbres"},
        {"Label8", "QLabel", "Frame4",
         "El tiempo de sonido depende de un preajuste en cada satelite.",
         "El tiempo de sonido depende de un preajuste en cada satelite"},
        {"Frame7", "QGroupBox", "Form1", "Canal 1"},
        {"Frame6", "QGroupBox", "Form1", "Canal 2"},
        {"Frame5", "QGroupBox", "Form1", "Canal 3"},
        {"Text1", "QLineEdit", "Frame7", "Cerrado"},
        {"Text2", "QLineEdit", "Frame6", "Cerrado"},
        {"Text3", "QLineEdit", "Frame5", "Cerrado"},
        {"Option1", "QRadioButton", "Frame7", "SI"},
        {"Option2", "QRadioButton", "Frame6", "SI"},
        {"Option3", "QRadioButton", "Frame5", "SI"},
        {"Option4", "QRadioButton", "Frame7", "NO"},
        {"Option5", "QRadioButton", "Frame6", "NO"},
        {"Option6", "QRadioButton", "Frame5", "NO"},
        {"Canal1", "QPushButton", "Frame7", "Prueba"},
        {"Canal2", "QPushButton", "Frame6", "Prueba"},
        {"Canal3", "QPushButton", "Frame5", "Prueba"},
        {"Frame3", "QGroupBox", "Form1", "Transmision de Datos"},
        {"Label3", "QLabel", "Frame3", "Resultado:", "Resultado del envío:"},
        {"Texto_Mensajes", "QLineEdit", "Frame3", ""},
        {"Label9", "QLabel", "Frame3", "Datos a Satelites:", " Satelites"},
        {"Texto_a_Enviar", "QLineEdit", "Frame3", "en espera"},
        {"Frame1", "QGroupBox", "Form1", "Control de los puertos seriales"},
        {"Etiq_Puerto", "QLabel", "Frame1", "COM1:"},
        {"Etiq_Estado", "QLabel", "Frame1", "CERRADO"},
        {"Label5", "QLabel", "Frame1", "Velocidad:"},
        {"Etiq_Velocidad", "QLabel", "Frame1", "300 bauds"},
        {"Option11", "QRadioButton", "Frame1", ""},
        {"Option12", "QRadioButton", "Frame1", ""},
        {"Option13", "QRadioButton", "Frame1", ""},
        {"Option14", "QRadioButton", "Frame1", ""},
        {"Label4", "QLabel", "Frame1", "COM1:"},
        {"Label18", "QLabel", "Frame1", "COM2:"},
        {"Label19", "QLabel", "Frame1", "COM3:"},
        {"Label20", "QLabel", "Frame1", "COM4:"},
        {"Boton_Abrir", "QPushButton", "Frame1", "Abrir puerto"},
        {"Boton_Cerrar", "QPushButton", "Frame1", "Cerrar puerto"},
        {"MSComm1", "MSComm", "Frame1", ""},
        {"Baudios", "QGroupBox", "Form1", "Velocidad"},
        {"Option7", "QRadioButton", "Baudios", ""},
        {"Option8", "QRadioButton", "Baudios", ""},
        {"Option9", "QRadioButton", "Baudios", ""},
        {"Option10", "QRadioButton", "Baudios", ""},
        {"Label1", "QLabel", "Baudios", "300"},
        {"Label2", "QLabel", "Baudios", "600"},
        {"Label17", "QLabel", "Baudios", "1200"},
        {"Label16", "QLabel", "Baudios", "2400"},
        {"Hora", "QGroupBox", "Form1", "Hora de su PC o Sistema"},
        {"Label6", "ClickableLabel", "Hora", "00:00:00"},
        {"Label7", "QLabel", "Hora",
         "Para Satelites con timbres, use formato de 24 horas en su PC  (ver en Panel de Control) "
         "Sincronize el reloj de su PC con Internet.",
         "Para Satelites con timbres, use formato de 24 horas en su PC  (ver en Panel de Control)"},
        {"Timer1", "WallClockTimer", "Hora", ""},
    };
    return list;
}

QString captionOf(const QObject *control)
{
    if (auto *frame = qobject_cast<const QGroupBox *>(control))
        return frame->title();
    if (auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (auto *box = qobject_cast<const QLineEdit *>(control))
        return box->text();
    if (auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (auto *list = qobject_cast<const FileListBox *>(control))
        return list->pattern();
    return {};
}

class WindowTest : public ::testing::TestWithParam<Edition>
{
protected:
    FakeHost fake;
    Form1 form{GetParam(), fake.host};
    bool sonvira() const { return GetParam() == Edition::Sonvira; }
};

TEST_P(WindowTest, EveryControlHasItsKindPlaceAndCaption)
{
    QStringList names;
    for (const Expected &e : expectedControls()) {
        SCOPED_TRACE(e.name);
        names.append(QLatin1String(e.name));
        const QObject *control = form.findChild<QObject *>(QLatin1String(e.name));
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), e.kind);
        EXPECT_EQ(control->parent()->objectName(), QLatin1String(e.container));
        EXPECT_EQ(captionOf(control),
                  sonvira() || e.repetidores.isNull() ? e.caption : e.repetidores);
    }
    // Nothing else carries a name (Qt's own inner parts are named qt_...).
    for (const QObject *child : form.findChildren<QObject *>()) {
        const QString name = child->objectName();
        EXPECT_TRUE(name.isEmpty() || name.startsWith(QLatin1String("qt_")) || names.contains(name))
            << name.toStdString();
    }
}

TEST_P(WindowTest, InitialSelectionsLockingAndEnabling)
{
    QStringList checked{"Option1", "Option2", "Option3", "Option7"};
    if (!sonvira())
        checked.append(QStringLiteral("Option11"));
    const QStringList disabled =
        sonvira() ? QStringList() : QStringList{"Option8", "Option9", "Option10"};
    for (const QRadioButton *option : form.findChildren<QRadioButton *>()) {
        EXPECT_EQ(option->isChecked(), checked.contains(option->objectName()))
            << option->objectName().toStdString();
        EXPECT_EQ(option->isEnabled(), !disabled.contains(option->objectName()))
            << option->objectName().toStdString();
    }
    for (const QLineEdit *box : form.findChildren<QLineEdit *>())
        EXPECT_TRUE(box->isReadOnly()) << box->objectName().toStdString();
    for (QPushButton *prueba : {form.Canal1, form.Canal2, form.Canal3})
        EXPECT_EQ(prueba->toolTip(), QStringLiteral("No actua con su  Canal y el Puerto Cerrados"));
    EXPECT_EQ(form.Boton_Abrir->isDefault(), sonvira());
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_FALSE(form.MSComm1->portOpen());
}

TEST_P(WindowTest, FontsAreTheirControlsOwn)
{
    const struct
    {
        const char *name;
        const char *family;
        qreal size;
        bool bold;
    } table[] = {
        {"Frame2", "MS Sans Serif", 8.25, true},
        {"Frame3", "MS Sans Serif", 8.25, true},
        {"Frame1", "MS Sans Serif", 8.25, true},
        {"Baudios", "MS Sans Serif", 8.25, true},
        {"Hora", "MS Sans Serif", 8.25, true},
        {"Label10", "MS Sans Serif", 8.25, true},
        {"Frame7", "MS Sans Serif", 8.25, false},
        {"Label12", "MS Sans Serif", 8.25, false},
        {"Etiq_Puerto", "MS Sans Serif", 8.25, false},
        {"Option7", "MS Sans Serif", 8.25, false},
        {"Label15", "Arial", 8.25, false},
        {"Label14", "Arial", 8.25, false},
        {"Label8", "Arial", 8.25, false},
        {"Texto_a_Enviar", "Verdana", 9.75, true},
        {"Label6", "Verdana", 14.25, false},
    };
    for (const auto &row : table) {
        const QFont font = form.findChild<QWidget *>(QLatin1String(row.name))->font();
        EXPECT_EQ(font.family(), QLatin1String(row.family)) << row.name;
        EXPECT_EQ(font.pointSizeF(), row.size) << row.name;
        EXPECT_EQ(font.bold(), row.bold) << row.name;
    }
}

TEST_P(WindowTest, WindowCaptionSizeBorderAndIcon)
{
    EXPECT_EQ(form.windowTitle(), sonvira() ? "   Relojes Satelites Repetidores de Velbrano"
                                            : "   Repetidores esclavos de Velbrano");
    EXPECT_EQ(form.size(), sonvira() ? QSize(421, 615) : QSize(417, 592));
    EXPECT_EQ(form.minimumSize() == form.maximumSize(), !sonvira());
    EXPECT_EQ(form.windowType(), sonvira() ? Qt::Window : Qt::Dialog);
    if (!sonvira()) {
        EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    }
    EXPECT_EQ(form.windowIcon().pixmap(32, 32).size(), QSize(32, 32));
}

// The window is built from the inventory: every entry where it says, at 15 twips a
// pixel, inside its container, and each bare option button named by its label.
TEST_P(WindowTest, MatchesItsInventory)
{
    if (sonvira())
        form.resize(600, 700); // resizing moves nothing
    const QList<Control> inventory = controls(GetParam());
    EXPECT_EQ(inventory.size(), expectedControls().size());
    for (const Control &c : inventory) {
        SCOPED_TRACE(c.name.toStdString());
        QWidget *widget = form.findChild<QWidget *>(c.name);
        if (c.kind == Kind::SerialComponent || c.kind == Kind::Timer) {
            EXPECT_EQ(widget, nullptr);
            continue;
        }
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), toPixels(c.twips));
        EXPECT_TRUE(
            QRect(QPoint(0, 0), widget->parentWidget()->size()).contains(widget->geometry()));
        if (!c.nameLabel.isEmpty()) {
            auto *label = form.findChild<QLabel *>(c.nameLabel);
            EXPECT_EQ(widget->accessibleName(), label->text());
            EXPECT_EQ(label->buddy(), widget);
            EXPECT_EQ(label->geometry().top(), widget->geometry().top());
        }
    }
    // The channel frames lie over the channel area, between its heading and its note.
    for (QGroupBox *channel : {form.Frame7, form.Frame6, form.Frame5}) {
        const QPoint centre = channel->geometry().center();
        EXPECT_TRUE(channel->isAncestorOf(form.childAt(centre)) || form.childAt(centre) == channel);
        EXPECT_TRUE(form.Frame4->geometry().contains(channel->geometry()));
        EXPECT_LT(form.Label10->mapTo(&form, QPoint(0, form.Label10->height())).y(),
                  channel->geometry().top());
        EXPECT_GT(form.Label8->mapTo(&form, QPoint(0, 0)).y(), channel->geometry().bottom());
    }
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, WindowTest,
                         ::testing::Values(Edition::Sonvira, Edition::Repetidores),
                         [](const auto &info) { return programName(info.param).toStdString(); });

} // namespace
