#include "app/form1.h"

#include "app/clickable_label.h"
#include "app/control_inventory.h"
#include "app/file_list_box.h"
#include "app/wall_clock_timer.h"
#include "serial/mscomm.h"

#include <QGroupBox>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

template <typename T> void bind(const QObject *window, T *&member, const char *name)
{
    member = window->findChild<T *>(QLatin1StringView(name));
    if (!member)
        qFatal("Form1: no control %s of the expected kind", name);
}

QWidget *makeWidget(const ControlInventory::Control &c, QWidget *container)
{
    using ControlInventory::Kind;
    switch (c.kind) {
    case Kind::Frame:
        return new QGroupBox(c.caption, container);
    case Kind::Label:
    case Kind::ClickableLabel: {
        QLabel *label =
            c.kind == Kind::Label ? new QLabel(container) : new ClickableLabel(container);
        label->setTextFormat(Qt::PlainText);
        label->setText(c.caption);
        label->setAlignment(c.alignment);
        label->setWordWrap(c.wordWrap);
        label->setAutoFillBackground(c.opaque);
        return label;
    }
    case Kind::TextBox: {
        auto *box = new QLineEdit(c.caption, container);
        box->setReadOnly(c.locked);
        box->setAlignment(c.alignment);
        return box;
    }
    case Kind::OptionButton: {
        auto *option = new QRadioButton(c.caption, container);
        option->setChecked(c.checked);
        return option;
    }
    case Kind::PushButton: {
        auto *button = new QPushButton(c.caption, container);
        button->setDefault(c.defaultButton);
        return button;
    }
    case Kind::FileList: {
        auto *list = new FileListBox(container);
        list->setPattern(c.pattern);
        return list;
    }
    case Kind::SerialComponent:
    case Kind::Timer:
        break;
    }
    return nullptr;
}

} // namespace

Form1::Form1(Edition edition, Host &host, QWidget *parent)
    : QWidget(parent), edition_(edition), host_(host)
{
    createControls();
    routeNotifications();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    using namespace ControlInventory;
    const Window look = ControlInventory::window(edition_);
    setObjectName(windowName);
    setWindowTitle(look.caption);
    setWindowIcon(QIcon(look.icon));
    setFont(windowFont());
    if (look.fixedBorder) {
        setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                       Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        setFixedSize(toPixels(look.clientTwips));
    } else {
        resize(toPixels(look.clientTwips));
    }

    const QList<Control> inventory = controls(edition_);
    QHash<QString, QObject *> made{{windowName, this}};
    for (const Control &c : inventory) {
        QObject *container = made.value(c.container);
        Q_ASSERT(container);
        QObject *object = nullptr;
        if (c.kind == Kind::SerialComponent) {
            Host *host = &host_;
            object =
                new MSComm([host](int port) { return host->places.portDevice(port); }, container);
        } else if (c.kind == Kind::Timer) {
            object = new WallClockTimer(host_.clock, container);
        } else {
            QWidget *widget = makeWidget(c, qobject_cast<QWidget *>(container));
            widget->setGeometry(toPixels(c.twips));
            // Set on every control, so that a frame's bold caption stays the frame's own.
            widget->setFont(resolve(c.font));
            widget->setToolTip(c.toolTip);
            widget->setEnabled(c.enabled);
            object = widget;
        }
        object->setObjectName(c.name);
        made.insert(c.name, object);
    }
    // A bare option button is known by the label beside it.
    for (const Control &c : inventory) {
        if (c.nameLabel.isEmpty())
            continue;
        auto *option = static_cast<QRadioButton *>(made.value(c.name));
        auto *label = static_cast<QLabel *>(made.value(c.nameLabel));
        option->setAccessibleName(label->text());
        label->setBuddy(option);
    }

#define BIND(control) bind(this, control, #control)
    BIND(Boton_Ayuda);
    BIND(Frame2);
    BIND(Label12);
    BIND(File2);
    BIND(Label15);
    BIND(Label11);
    BIND(File1);
    BIND(Label14);
    BIND(Frame4);
    BIND(Label10);
    BIND(Label8);
    BIND(Frame7);
    BIND(Frame6);
    BIND(Frame5);
    BIND(Text1);
    BIND(Text2);
    BIND(Text3);
    BIND(Option1);
    BIND(Option2);
    BIND(Option3);
    BIND(Option4);
    BIND(Option5);
    BIND(Option6);
    BIND(Canal1);
    BIND(Canal2);
    BIND(Canal3);
    BIND(Frame3);
    BIND(Label3);
    BIND(Texto_Mensajes);
    BIND(Label9);
    BIND(Texto_a_Enviar);
    BIND(Frame1);
    BIND(Etiq_Puerto);
    BIND(Etiq_Estado);
    BIND(Label5);
    BIND(Etiq_Velocidad);
    BIND(Option11);
    BIND(Option12);
    BIND(Option13);
    BIND(Option14);
    BIND(Label4);
    BIND(Label18);
    BIND(Label19);
    BIND(Label20);
    BIND(Boton_Abrir);
    BIND(Boton_Cerrar);
    BIND(MSComm1);
    BIND(Baudios);
    BIND(Option7);
    BIND(Option8);
    BIND(Option9);
    BIND(Option10);
    BIND(Label1);
    BIND(Label2);
    BIND(Label17);
    BIND(Label16);
    BIND(Hora);
    BIND(Label6);
    BIND(Label7);
    BIND(Timer1);
#undef BIND
}

void Form1::routeNotifications()
{
    using Handler = void (Form1::*)();
    const auto onClick = [this](QPushButton *button, const char *name, Handler handler) {
        connect(button, &QPushButton::clicked, this, [=, this] { dispatch(name, handler); });
    };
    // An option button's handler runs when it becomes the selected one of its group,
    // whether the operator clicked it or the program selected it.
    const auto onSelect = [this](QRadioButton *option, const char *name, Handler handler) {
        connect(option, &QRadioButton::toggled, this, [=, this](bool selected) {
            if (selected)
                dispatch(name, handler);
        });
    };
    const auto onChange = [this](QLineEdit *box, const char *name, Handler handler) {
        connect(box, &QLineEdit::textChanged, this, [=, this] { dispatch(name, handler); });
    };

    onClick(Boton_Abrir, "Boton_Abrir_Click", &Form1::Boton_Abrir_Click);
    onClick(Boton_Cerrar, "Boton_Cerrar_Click", &Form1::Boton_Cerrar_Click);
    onClick(Boton_Ayuda, "Boton_Ayuda_Click", &Form1::Boton_Ayuda_Click);
    onClick(Canal1, "Canal1_Click", &Form1::Canal1_Click);
    onClick(Canal2, "Canal2_Click", &Form1::Canal2_Click);
    onClick(Canal3, "Canal3_Click", &Form1::Canal3_Click);

    onSelect(Option1, "Option1_Click", &Form1::Option1_Click);
    onSelect(Option2, "Option2_Click", &Form1::Option2_Click);
    onSelect(Option3, "Option3_Click", &Form1::Option3_Click);
    onSelect(Option4, "Option4_Click", &Form1::Option4_Click);
    onSelect(Option5, "Option5_Click", &Form1::Option5_Click);
    onSelect(Option6, "Option6_Click", &Form1::Option6_Click);
    if (edition_ == Edition::Sonvira) {
        onSelect(Option7, "Option7_Click", &Form1::Option7_Click);
        onSelect(Option8, "Option8_Click", &Form1::Option8_Click);
        onSelect(Option9, "Option9_Click", &Form1::Option9_Click);
        onSelect(Option10, "Option10_Click", &Form1::Option10_Click);
    }
    onSelect(Option11, "Option11_Click", &Form1::Option11_Click);
    onSelect(Option12, "Option12_Click", &Form1::Option12_Click);
    onSelect(Option13, "Option13_Click", &Form1::Option13_Click);
    onSelect(Option14, "Option14_Click", &Form1::Option14_Click);

    onChange(Text1, "Text1_Change", &Form1::Text1_Change);
    onChange(Text2, "Text2_Change", &Form1::Text2_Change);
    onChange(Text3, "Text3_Change", &Form1::Text3_Change);

    connect(File1, &FileListBox::Click, this,
            [this] { dispatch("File1_Click", &Form1::File1_Click); });
    connect(Label6, &ClickableLabel::clicked, this,
            [this] { dispatch("Label6_Click", &Form1::Label6_Click); });
    connect(Timer1, &WallClockTimer::timeout, this,
            [this] { dispatch("Timer1_Timer", &Form1::Timer1_Timer); });
    connect(MSComm1, &MSComm::OnComm, this,
            [this] { dispatch("MSComm1_OnComm", &Form1::MSComm1_OnComm); });
}

void Form1::dispatch(const char *handler, void (Form1::*method)())
{
    if (observer_ && !observer_(handler))
        return;
    (this->*method)();
}

void Form1::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A push button with the focus takes Enter itself; elsewhere the default one.
        auto *button = qobject_cast<QPushButton *>(focusWidget());
        if (!button) {
            const QList<QPushButton *> buttons = findChildren<QPushButton *>();
            auto it = std::find_if(buttons.begin(), buttons.end(),
                                   [](const QPushButton *b) { return b->isDefault(); });
            button = it == buttons.end() ? nullptr : *it;
        }
        if (button && button->isEnabled()) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void Form1::setForeColor(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QColor Form1::foreColor(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}
