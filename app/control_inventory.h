#pragma once

#include "app/edition.h"

#include <QFont>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>

// Every control of the window, for each program, as data: the window builds itself
// from it and the tests walk it. Positions and sizes are in twips, the unit the
// window was drawn in, at 15 twips per pixel.
namespace ControlInventory {

inline constexpr int twipsPerPixel = 15;
QRect toPixels(const QRect &twips);
QSize toPixels(const QSize &twips);

enum class Kind {
    Frame,           // QGroupBox
    Label,           // QLabel
    ClickableLabel,  // ClickableLabel
    TextBox,         // QLineEdit
    OptionButton,    // QRadioButton
    PushButton,      // QPushButton
    FileList,        // FileListBox
    SerialComponent, // MSComm, not visible
    Timer,           // WallClockTimer, not visible
};

struct Font
{
    QString family{}; // empty: the window's own font
    qreal pointSize = 0;
    bool bold = false;
};

struct Control
{
    QString name{};
    Kind kind = Kind::Label;
    QString container{}; // "Form1" for the window itself
    QString caption{};   // caption or text as shown; empty for a bare option button
    QRect twips{};       // relative to the container
    Font font{};
    QString toolTip{};
    QString pattern{};   // file lists
    QString nameLabel{}; // bare option buttons, lists: the label beside that says what they are
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap = false;
    bool opaque = false; // hides what lies under it, as a heading over a frame's edge
    bool locked = false;
    bool enabled = true;
    bool checked = false;
    bool defaultButton = false; // the one that Enter presses
};

struct Window
{
    QString caption;
    QSize clientTwips;
    bool fixedBorder; // dialog-style: not resizable, no minimise or maximise, no task bar entry
    QString icon;     // 32 x 32, a resource
};

inline const QString windowName = QStringLiteral("Form1");

// Controls that act as one group, each name written once, here: the inventory lays
// them out from these tables and the window binds its groups from them.
struct ChannelNames
{
    const char *frame, *caption, *state, *yes, *no, *test;
};
inline constexpr std::array<ChannelNames, 3> channelNames{{
    {"Frame7", "Canal 1", "Text1", "Option1", "Option4", "Canal1"},
    {"Frame6", "Canal 2", "Text2", "Option2", "Option5", "Canal2"},
    {"Frame5", "Canal 3", "Text3", "Option3", "Option6", "Canal3"},
}};

// An option button, the label beside it that says what it stands for, and its value.
struct ChoiceNames
{
    const char *option, *label, *caption;
    int value;
};
inline constexpr std::array<ChoiceNames, 4> portChoiceNames{{
    {"Option11", "Label4", "COM1:", 1},
    {"Option12", "Label18", "COM2:", 2},
    {"Option13", "Label19", "COM3:", 3},
    {"Option14", "Label20", "COM4:", 4},
}};
inline constexpr std::array<ChoiceNames, 4> speedChoiceNames{{
    {"Option7", "Label1", "300", 300},
    {"Option8", "Label2", "600", 600},
    {"Option9", "Label17", "1200", 1200},
    {"Option10", "Label16", "2400", 2400},
}};

Window window(Edition edition);

// In creation order, which is also the keyboard's tab order: each container comes
// before what it holds, and the channel frames after the channel area they are
// drawn over.
QList<Control> controls(Edition edition);

// The window's default font, and a control's font resolved against it. Families the
// system lacks are left to the platform's nearest match.
QFont windowFont();
QFont resolve(const Font &font);

} // namespace ControlInventory
