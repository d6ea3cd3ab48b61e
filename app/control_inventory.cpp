#include "app/control_inventory.h"

#include <algorithm>

namespace ControlInventory {

namespace {

const QString form = windowName;

// The window was drawn in MS Sans Serif, Arial and Verdana. Where they are missing,
// a narrow sans keeps the captions within the widths they were drawn for.
void substituteFonts()
{
    static const bool done = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Microsoft Sans Serif"),
                                    QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                    QStringLiteral("DejaVu Sans Condensed")});
        QFont::insertSubstitutions(QStringLiteral("Arial"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                    QStringLiteral("DejaVu Sans Condensed")});
        QFont::insertSubstitutions(QStringLiteral("Verdana"), {QStringLiteral("DejaVu Sans")});
        return true;
    }();
    Q_UNUSED(done);
}

const Font boldSans{QStringLiteral("MS Sans Serif"), 8.25, true};
const Font arial{QStringLiteral("Arial"), 8.25, false};

const QString pruebaTip = QStringLiteral("No actua con su  Canal y el Puerto Cerrados");

QList<Control> sonvira()
{
    // clang-format off
    QList<Control> list{
        {.name = "Boton_Ayuda", .kind = Kind::PushButton, .container = form, .caption = "Ay&uda",
         .twips = {4800, 50, 1335, 330}},

        {.name = "Frame2", .kind = Kind::Frame, .container = form,
         .caption = "Programas automaticos para los canales de timbres",
         .twips = {120, 360, 6050, 1935}, .font = boldSans},
        {.name = "Label12", .kind = Kind::Label, .container = "Frame2", .caption = "Programa en uso",
         .twips = {240, 300, 2520, 255}},
        {.name = "File2", .kind = Kind::FileList, .container = "Frame2",
         .twips = {240, 555, 2520, 270}, .pattern = "timbres*.txt", .nameLabel = "Label12"},
        {.name = "Label15", .kind = Kind::Label, .container = "Frame2",
         .caption = "Por defecto, timbres_1.txt. (Nunca eliminarlo)               "
                    "Formato: Canal,HH:MM:SS    ",
         .twips = {240, 900, 2520, 885}, .font = arial,
         .alignment = Qt::AlignLeft | Qt::AlignTop, .wordWrap = true},
        {.name = "Label11", .kind = Kind::Label, .container = "Frame2",
         .caption = "Programas  disponibles", .twips = {2880, 300, 3060, 255}},
        {.name = "File1", .kind = Kind::FileList, .container = "Frame2",
         .twips = {2880, 555, 3060, 1020}, .pattern = "timbre*.txt", .nameLabel = "Label11"},
        {.name = "Label14", .kind = Kind::Label, .container = "Frame2",
         .caption = "Para editar o seleccionar haga cilck aqui", .twips = {2880, 1605, 3060, 255},
         .font = arial},

        {.name = "Frame4", .kind = Kind::Frame, .container = form, .twips = {120, 2400, 6050, 2295}},
        {.name = "Label10", .kind = Kind::Label, .container = "Frame4",
         .caption = "Habilitacion y estado  de los canales de timbres ",
         .twips = {120, 0, 4740, 225}, .font = boldSans, .opaque = true},
        {.name = "Label8", .kind = Kind::Label, .container = "Frame4",
         .caption = "El tiempo de sonido depende de un preajuste en cada satelite.",
         .twips = {120, 1770, 5760, 255}, .font = arial},
    };

    const int channelLefts[] = {200, 2180, 4150};
    for (std::size_t i = 0; i < channelNames.size(); ++i) {
        const ChannelNames &c = channelNames[i];
        list += QList<Control>{
            {.name = c.frame, .kind = Kind::Frame, .container = form, .caption = c.caption,
             .twips = {channelLefts[i], 2640, 1935, 1455}},
            {.name = c.state, .kind = Kind::TextBox, .container = c.frame, .caption = "Cerrado",
             .twips = {120, 300, 1095, 330}, .locked = true},
            {.name = c.yes, .kind = Kind::OptionButton, .container = c.frame, .caption = "SI",
             .twips = {1290, 270, 600, 255}, .checked = true},
            {.name = c.no, .kind = Kind::OptionButton, .container = c.frame, .caption = "NO",
             .twips = {1290, 600, 600, 255}},
            {.name = c.test, .kind = Kind::PushButton, .container = c.frame, .caption = "Prueba",
             .twips = {120, 840, 1095, 435}, .toolTip = pruebaTip},
        };
    }

    list += QList<Control>{
        {.name = "Frame3", .kind = Kind::Frame, .container = form, .caption = "Transmision de Datos",
         .twips = {120, 4800, 6050, 975}, .font = boldSans},
        {.name = "Label3", .kind = Kind::Label, .container = "Frame3", .caption = "Resultado:",
         .twips = {120, 420, 1005, 255}},
        {.name = "Texto_Mensajes", .kind = Kind::TextBox, .container = "Frame3",
         .twips = {1125, 360, 1995, 345}, .locked = true},
        {.name = "Label9", .kind = Kind::Label, .container = "Frame3",
         .caption = "Datos a Satelites:", .twips = {3180, 420, 1410, 255}},
        {.name = "Texto_a_Enviar", .kind = Kind::TextBox, .container = "Frame3",
         .caption = "en espera", .twips = {4590, 330, 1335, 405},
         .font = {"Verdana", 9.75, true}, .alignment = Qt::AlignCenter, .locked = true},

        {.name = "Frame1", .kind = Kind::Frame, .container = form,
         .caption = "Control de los puertos seriales", .twips = {120, 5880, 4500, 1935},
         .font = boldSans},
        {.name = "Etiq_Puerto", .kind = Kind::Label, .container = "Frame1", .caption = "COM1:",
         .twips = {240, 360, 1200, 255}},
        {.name = "Etiq_Estado", .kind = Kind::Label, .container = "Frame1", .caption = "CERRADO",
         .twips = {240, 720, 1200, 255}},
        {.name = "Label5", .kind = Kind::Label, .container = "Frame1", .caption = "Velocidad:",
         .twips = {1560, 360, 1200, 255}},
        {.name = "Etiq_Velocidad", .kind = Kind::Label, .container = "Frame1",
         .caption = "300 bauds", .twips = {1560, 720, 1200, 255}},
    };

    int top = 330;
    for (const ChoiceNames &p : portChoiceNames) {
        list += QList<Control>{
            {.name = p.option, .kind = Kind::OptionButton, .container = "Frame1",
             .twips = {2940, top, 255, 255}, .nameLabel = p.label},
            {.name = p.label, .kind = Kind::Label, .container = "Frame1", .caption = p.caption,
             .twips = {3240, top, 1020, 255}},
        };
        top += 360;
    }

    list += QList<Control>{
        {.name = "Boton_Abrir", .kind = Kind::PushButton, .container = "Frame1",
         .caption = "Abrir puerto", .twips = {180, 1260, 1320, 435}, .defaultButton = true},
        {.name = "Boton_Cerrar", .kind = Kind::PushButton, .container = "Frame1",
         .caption = "Cerrar puerto", .twips = {1560, 1260, 1320, 435}},
        {.name = "MSComm1", .kind = Kind::SerialComponent, .container = "Frame1"},

        {.name = "Baudios", .kind = Kind::Frame, .container = form, .caption = "Velocidad",
         .twips = {4680, 5880, 1480, 1935}, .font = boldSans},
    };

    top = 330;
    for (const ChoiceNames &s : speedChoiceNames) {
        list += QList<Control>{
            {.name = s.option, .kind = Kind::OptionButton, .container = "Baudios",
             .twips = {240, top, 255, 255}, .nameLabel = s.label, .checked = s.value == 300},
            {.name = s.label, .kind = Kind::Label, .container = "Baudios", .caption = s.caption,
             .twips = {540, top, 780, 255}},
        };
        top += 360;
    }

    list += QList<Control>{
        {.name = "Hora", .kind = Kind::Frame, .container = form,
         .caption = "Hora de su PC o Sistema", .twips = {120, 7920, 6050, 975}, .font = boldSans},
        {.name = "Label6", .kind = Kind::ClickableLabel, .container = "Hora", .caption = "00:00:00",
         .twips = {240, 330, 1740, 435}, .font = {"Verdana", 14.25, false}},
        {.name = "Label7", .kind = Kind::Label, .container = "Hora",
         .caption = "Para Satelites con timbres, use formato de 24 horas en su PC  "
                    "(ver en Panel de Control) Sincronize el reloj de su PC con Internet.",
         .twips = {2040, 255, 3900, 675}, .alignment = Qt::AlignLeft | Qt::AlignTop,
         .wordWrap = true},
        {.name = "Timer1", .kind = Kind::Timer, .container = "Hora"},
    };
    // clang-format on
    return list;
}

Control &named(QList<Control> &list, const QString &name)
{
    auto it =
        std::find_if(list.begin(), list.end(), [&](const Control &c) { return c.name == name; });
    Q_ASSERT(it != list.end());
    return *it;
}

// The earlier build: a few other captions, COM1 chosen from the start, 300 baud
// only, no default button, and a window a little shorter.
QList<Control> repetidores()
{
    QList<Control> list = sonvira();
    named(list, portChoiceNames[0].option).checked = true;
    for (const ChoiceNames &speed : speedChoiceNames)
        named(list, speed.option).enabled = speed.value == 300;
    named(list, "Boton_Abrir").defaultButton = false;

    named(list, "Frame2").caption = "Control programado de canales de timbres";
    named(list, "Label10").caption = "Habilitacion y prueba manual de los canales de timbres";
    named(list, "Label8").caption = "El tiempo de sonido depende de un preajuste en cada satelite";
    named(list, "Label3").caption = "Resultado del envío:";
    named(list, "Label9").caption = " Satelites";
    named(list, "Label7").caption =
        "Para Satelites con timbres, use formato de 24 horas en su PC  (ver en Panel de Control)";

    named(list, "Frame2").twips.setHeight(1815);
    named(list, "File1").twips.setHeight(960);
    named(list, "Label14").twips.moveTop(1530);
    for (const char *region : {"Frame4", "Frame3", "Frame1", "Baudios", "Hora"})
        named(list, region).twips.translate(0, -120);
    for (const ChannelNames &channel : channelNames)
        named(list, channel.frame).twips.translate(0, -120);

    // The transmission row, for the longer result caption and the shorter one after it.
    named(list, "Label3").twips = {120, 420, 1665, 255};
    named(list, "Texto_Mensajes").twips = {1800, 360, 1995, 345};
    named(list, "Label9").twips = {3840, 420, 750, 255};
    return list;
}

} // namespace

QRect toPixels(const QRect &twips)
{
    auto px = [](int t) { return (t + twipsPerPixel / 2) / twipsPerPixel; };
    return {px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height())};
}

QSize toPixels(const QSize &twips)
{
    return toPixels(QRect(QPoint(0, 0), twips)).size();
}

Window window(Edition edition)
{
    if (edition == Edition::Sonvira)
        return {QStringLiteral("   Relojes Satelites Repetidores de Velbrano"),
                {6315, 9225},
                false,
                QStringLiteral(":/icons/sonvira.png")};
    return {QStringLiteral("   Repetidores esclavos de Velbrano"),
            {6255, 8880},
            true,
            QStringLiteral(":/icons/repetidores.png")};
}

QList<Control> controls(Edition edition)
{
    return edition == Edition::Sonvira ? sonvira() : repetidores();
}

QFont windowFont()
{
    return resolve({QStringLiteral("MS Sans Serif"), 8.25, false});
}

QFont resolve(const Font &font)
{
    if (font.family.isEmpty())
        return windowFont();
    substituteFonts();
    QFont result(font.family);
    result.setStyleHint(QFont::SansSerif);
    result.setPointSizeF(font.pointSize);
    result.setBold(font.bold);
    return result;
}

} // namespace ControlInventory
