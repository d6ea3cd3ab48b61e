#include "app/form1.h"

#include "app/clickable_label.h"
#include "app/control_inventory.h"
#include "app/file_list_box.h"
#include "app/task_bar_hint.h"
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
#include <QScopedValueRollback>
#include <QShowEvent>

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
    : QWidget(parent), edition_(edition), host_(host),
      journal_(host.log, host.clock, host.clockSync),
      calendar_(host.places.dataFolder()), program_(host.programReads)
{
    createControls();
    routeNotifications();
    connect(MSComm1, &MSComm::deviceLost, this,
            [this](const QString &why) { journal_.deviceLost(why, MSComm1->commPort()); });
    connect(MSComm1, &MSComm::deviceBack, this,
            [this] { journal_.deviceBack(MSComm1->commPort()); });
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
            auto *comm =
                new MSComm([host](int port) { return host->places.portDevice(port); }, container);
            comm->setDeviceGuard([host](int port, const QString &device, const QString &target) {
                return device.isEmpty() ? host->places.missingPortReason(port)
                                        : host->places.refusedDevice(device, target);
            });
            object = comm;
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
    // A bare option button or a list is known by the label beside it, for a screen reader
    // as for the eye.
    for (const Control &c : inventory) {
        if (c.nameLabel.isEmpty())
            continue;
        auto *named = static_cast<QWidget *>(made.value(c.name));
        auto *label = static_cast<QLabel *>(made.value(c.nameLabel));
        named->setAccessibleName(label->text());
        label->setBuddy(named);
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
    BIND(Boton_Abrir);
    BIND(Boton_Cerrar);
    BIND(MSComm1);
    BIND(Baudios);
    BIND(Hora);
    BIND(Label6);
    BIND(Label7);
    BIND(Timer1);
#undef BIND

    for (std::size_t i = 0; i < channels.size(); ++i) {
        const ChannelNames &names = channelNames[i];
        Channel &channel = channels[i];
        bind(this, channel.frame, names.frame);
        bind(this, channel.state, names.state);
        bind(this, channel.yes, names.yes);
        bind(this, channel.no, names.no);
        bind(this, channel.test, names.test);
    }
    for (std::size_t i = 0; i < portChoices.size(); ++i) {
        bind(this, portChoices[i].option, portChoiceNames[i].option);
        portChoices[i].value = portChoiceNames[i].value;
    }
    for (std::size_t i = 0; i < speedChoices.size(); ++i) {
        bind(this, speedChoices[i].option, speedChoiceNames[i].option);
        speedChoices[i].value = speedChoiceNames[i].value;
    }
}

void Form1::routeNotifications()
{
    using Handler = void (Form1::*)();
    const auto onClick = [this](QPushButton *button, const QString &name, auto run) {
        connect(button, &QPushButton::clicked, this,
                [=, this] { dispatch(name, run, From::Operator); });
    };
    // An option button's handler runs when it becomes the selected one of its group,
    // whether the operator clicked it or the program selected it. A selection made
    // while the operator's input is refused is undone: the one selected before is
    // selected again, and no handler runs.
    const auto onSelect = [this](QRadioButton *option, auto run) {
        const QString name = option->objectName() + QStringLiteral("_Click");
        if (option->isChecked())
            selectedIn_[option->parent()] = option;
        connect(option, &QRadioButton::toggled, this, [=, this](bool selected) {
            if (!selected || undoing_)
                return;
            QPointer<QRadioButton> &before = selectedIn_[option->parent()];
            if (refusesOperator() && before && before != option) {
                const QScopedValueRollback undoing(undoing_, true);
                before->setChecked(true);
                return;
            }
            before = option;
            dispatch(name, run, From::Operator);
        });
    };
    const auto member = [this](Handler handler) { return [this, handler] { (this->*handler)(); }; };

    onClick(Boton_Abrir, QStringLiteral("Boton_Abrir_Click"), member(&Form1::Boton_Abrir_Click));
    onClick(Boton_Cerrar, QStringLiteral("Boton_Cerrar_Click"), member(&Form1::Boton_Cerrar_Click));
    onClick(Boton_Ayuda, QStringLiteral("Boton_Ayuda_Click"), member(&Form1::Boton_Ayuda_Click));

    for (int i = 0; i < int(channels.size()); ++i) {
        const Channel &channel = channels[std::size_t(i)];
        onClick(channel.test, channel.test->objectName() + QStringLiteral("_Click"),
                [this, i] { Canal_Click(i); });
        onSelect(channel.yes, [this, i] { Yes_Click(i); });
        onSelect(channel.no, [this, i] { No_Click(i); });
        const QString changed = channel.state->objectName() + QStringLiteral("_Change");
        connect(channel.state, &QLineEdit::textChanged, this, [=, this] {
            dispatch(
                changed, [this, i] { Text_Change(i); }, From::Program);
        });
    }
    // The earlier build has no handler for its speed choices.
    if (edition_ == Edition::Sonvira) {
        for (int i = 0; i < int(speedChoices.size()); ++i)
            onSelect(speedChoices[std::size_t(i)].option, [this, i] { Speed_Click(i); });
    }
    for (int i = 0; i < int(portChoices.size()); ++i)
        onSelect(portChoices[std::size_t(i)].option, [this, i] { Port_Click(i); });

    connect(File1, &FileListBox::Click, this, [=, this] {
        dispatch(QStringLiteral("File1_Click"), member(&Form1::File1_Click), From::Operator);
    });
    connect(Label6, &ClickableLabel::clicked, this, [=, this] {
        dispatch(QStringLiteral("Label6_Click"), member(&Form1::Label6_Click), From::Operator);
    });
    connect(Timer1, &WallClockTimer::timeout, this, [=, this] {
        dispatch(QStringLiteral("Timer1_Timer"), member(&Form1::Timer1_Timer), From::Program);
    });
    connect(MSComm1, &MSComm::OnComm, this, [=, this] {
        dispatch(QStringLiteral("MSComm1_OnComm"), member(&Form1::MSComm1_OnComm), From::Program);
    });

    // Told between events, once per name, whichever list found it first.
    for (FileListBox *list : {File1, File2})
        connect(list, &FileListBox::unusableNames, this, &Form1::tellUnusableNames,
                Qt::QueuedConnection);

    // The file lists' selections are the operator's too.
    const auto refuses = [this] { return refusesOperator(); };
    File1->setRefusal(refuses);
    File2->setRefusal(refuses);
}

void Form1::dispatch(const QString &handler, const std::function<void()> &run, From from)
{
    if (ending_ || (from == From::Operator && refusesOperator()))
        return;
    if (observer_ && !observer_(handler))
        return;
    run();
}

bool Form1::refusesOperator() const
{
    return ending_ || host_.messages.isOpen();
}

void Form1::tellUnusableNames(const QStringList &names)
{
    QStringList fresh;
    for (const QString &name : names)
        if (!unusableNamesTold_.contains(name))
            fresh += name;
    if (fresh.isEmpty() || ending_)
        return;
    unusableNamesTold_ += fresh;
    host_.messages.show(
        QStringLiteral("Estos programas de timbres tienen en su nombre caracteres que el "
                       "sistema no reconoce, y no se pueden elegir ni abrir: %1. Cámbieles "
                       "el nombre para poder usarlos.")
            .arg(fresh.join(QStringLiteral(", "))));
}

void Form1::end()
{
    if (ending_)
        return;
    ending_ = true;
    Timer1->stop();
    emit ended();
}

void Form1::closeEvent(QCloseEvent *event)
{
    end();
    QWidget::closeEvent(event);
}

void Form1::showEvent(QShowEvent *event)
{
    // The repeaters' dialog is a companion of the station, not a program of its own on
    // the task bar. A spontaneous show is a restore, on a window already mapped.
    if (ControlInventory::window(edition_).fixedBorder && !event->spontaneous())
        keepOutOfTaskBar(this);
    QWidget::showEvent(event);
}

ChannelWords Form1::channelWords() const
{
    ChannelWords words;
    for (std::size_t i = 0; i < channels.size(); ++i)
        words[i] = channels[i].state->text();
    return words;
}

void Form1::setChannelWords(const ChannelWords &words)
{
    for (std::size_t i = 0; i < channels.size(); ++i)
        channels[i].state->setText(words[i]);
}

ChannelChoices Form1::enabledChannels() const
{
    ChannelChoices enabled;
    for (std::size_t i = 0; i < channels.size(); ++i)
        enabled[i] = channels[i].yes->isChecked();
    return enabled;
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
