#pragma once

#include "app/edition.h"

#include <QFont>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

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
    QString nameLabel{}; // bare option buttons: the label beside them that says what they are
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
