#pragma once

#include "app/calendar_follower.h"
#include "app/edition.h"
#include "app/line_journal.h"
#include "bells/bell_schedule.h"
#include "bells/channel_rules.h"
#include "bells/tick_steps.h"
#include "host/host.h"
#include "host/small_file.h"

#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ClickableLabel;
class FileListBox;
class MSComm;
class WallClockTimer;

// The one window. It holds every control by the name the operators' manuals and
// the handlers use, in groups where they act as one, and routes each notification
// to its handler. The handlers are defined in app/handlers/, one file per group.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    Form1(Edition edition, Host &host, QWidget *parent = nullptr);
    ~Form1() override;

    Edition edition() const { return edition_; }
    Host &host() { return host_; }

    // --- Controls, by container -------------------------------------------------
    QPushButton *Boton_Ayuda = nullptr;

    QGroupBox *Frame2 = nullptr; // bell programs
    QLabel *Label12 = nullptr;
    FileListBox *File2 = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label11 = nullptr;
    FileListBox *File1 = nullptr;
    QLabel *Label14 = nullptr;

    QGroupBox *Frame4 = nullptr; // channel area
    QLabel *Label10 = nullptr;
    QLabel *Label8 = nullptr;

    // The three bell channels, channel 1 first (Frame7, Frame6, Frame5).
    struct Channel
    {
        QGroupBox *frame = nullptr;
        QLineEdit *state = nullptr;  // Text1..Text3: the channel's state word
        QRadioButton *yes = nullptr; // Option1..Option3: "SI", the channel enabled
        QRadioButton *no = nullptr;  // Option4..Option6: "NO"
        QPushButton *test = nullptr; // Canal1..Canal3: "Prueba"
    };
    std::array<Channel, 3> channels;

    QGroupBox *Frame3 = nullptr; // transmission
    QLabel *Label3 = nullptr;
    QLineEdit *Texto_Mensajes = nullptr;
    QLabel *Label9 = nullptr;
    QLineEdit *Texto_a_Enviar = nullptr;

    QGroupBox *Frame1 = nullptr; // port control
    QLabel *Etiq_Puerto = nullptr;
    QLabel *Etiq_Estado = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Etiq_Velocidad = nullptr;
    // An option button and the port or speed it stands for.
    struct Choice
    {
        QRadioButton *option = nullptr;
        int value = 0;
    };
    std::array<Choice, 4> portChoices; // Option11..Option14: COM1..COM4
    QPushButton *Boton_Abrir = nullptr;
    QPushButton *Boton_Cerrar = nullptr;
    MSComm *MSComm1 = nullptr;

    QGroupBox *Baudios = nullptr;       // speed
    std::array<Choice, 4> speedChoices; // Option7..Option10: 300..2400 bauds

    QGroupBox *Hora = nullptr; // clock
    ClickableLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    WallClockTimer *Timer1 = nullptr;

    // --- Handlers (app/handlers/) -----------------------------------------------------
    // A group's handler takes the index of the control in its group; the routing
    // still knows each by the control's own name (Option1_Click, Canal2_Click, …).
    void Form_Load(); // startup.cpp
    // The program start-up selects instead of the default one (the service's
    // --programa); set before Form_Load.
    void setStartProgram(const QString &path) { startProgram_ = path; }

    void Boton_Abrir_Click();  // opening_closing.cpp
    void Boton_Cerrar_Click(); // opening_closing.cpp
    // The service's port that could not be opened is tried again, as a lost device
    // is: called once a second, it opens the port of the last failed opening once
    // it can, with the opening's messages, and logs a refusal only when its reason
    // changed. Nothing is pending after an opening succeeded or "Cerrar puerto".
    void retryOpening();
    bool openingPending() const { return pendingOpening_.has_value(); }

    void Speed_Click(int choice); // port_choice.cpp: Option7..Option10 (Sonvira only)
    void Port_Click(int choice);  // port_choice.cpp: Option11..Option14

    void Yes_Click(int channel);   // channels.cpp: Option1..Option3
    void No_Click(int channel);    // channels.cpp: Option4..Option6
    void Canal_Click(int channel); // channels.cpp: Canal1..Canal3
    void Text_Change(int channel); // channels.cpp: Text1..Text3

    void Timer1_Timer(); // tick.cpp
    void Label6_Click(); // tick.cpp

    void MSComm1_OnComm(); // send_feedback.cpp

    void File1_Click(); // program_selection.cpp

    void Boton_Ayuda_Click(); // help.cpp

    // Label colours, as the operator sees them (the ForeColor of the classic control).
    static void setForeColor(QLabel *label, const QColor &color);
    static QColor foreColor(const QLabel *label);

    // The program ends, as when the window is closed or a termination signal came:
    // no handler runs any more and nothing more is sent; the port is released when
    // the window goes.
    void end();
    bool ending() const { return ending_; }

signals:
    void ended();
    // A tick handed a frame to the serial component (sent true) or the component
    // refused it; for whoever watches that the line is served (a service manager).
    void frameHandled(bool sent);

public:
    // Every notification reaches its handler through one point. When an observer is
    // set, it is told the handler's name first, and the handler runs only if the
    // observer returns true; tests use it to see where each notification goes.
    using DispatchObserver = std::function<bool(const QString &handler)>;
    void setDispatchObserver(DispatchObserver observer) { observer_ = std::move(observer); }

protected:
    // Enter presses the window's default button, as in a dialog.
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void routeNotifications();
    // Who raised a notification. While a message box is open the operator's input
    // belongs to the box: a press that reaches the window some other way (an
    // accessibility client, a test) does nothing, as a mouse click would; ticks
    // and serial notifications go on.
    enum class From { Operator, Program };
    void dispatch(const QString &handler, const std::function<void()> &run, From from);
    bool refusesOperator() const;

    Edition edition_;
    Host &host_;
    DispatchObserver observer_;
    bool ending_ = false;
    QHash<QObject *, QPointer<QRadioButton>> selectedIn_; // each option group's selection
    bool undoing_ = false;                                // a refused selection is being undone
    QStringList unusableNamesTold_;
    void tellUnusableNames(const QStringList &names);

    // What a handler carries from one event to the next, by the file that keeps it.

    // The channels' words and "SI" choices, channel 1 first.
    ChannelWords channelWords() const;
    void setChannelWords(const ChannelWords &words);
    ChannelChoices enabledChannels() const;

    LineJournal journal_; // what the handlers tell the operations log

    // calendar.cpp: the day's program from calendario.txt, at start-up and at the
    // top of every tick.
    QString startProgram_;
    CalendarFollower calendar_;
    QString ownChoice_;    // the program chosen otherwise: start-up's or the operator's
    QString calendarSeen_; // "Programa en uso" as the calendar last left or saw it
    void followCalendar(bool startUp = false);

    // tick.cpp
    SmallFileReader program_;           // one buffer for every tick's read of the program
    BellSchedule schedule_;             // that program by the second, built as it is read
    bool programLoneLineFeeds_ = false; // and whether its lines are read joined
    bool programTroubleTold_ = false;   // the operator knows the program cannot be read
    bool lineFeedsTold_ = false;        // the operator knows its lines are read joined
    bool programNoticeOpen_ = false;    // that notice is on screen
    bool sendFailureOpen_ = false;      // a failed write's two messages are on screen
    QDateTime sendFailureToldAt_;       // when they were last shown in this outage; none between
    static constexpr int sendFailureReminderSeconds = 60;
    QString programInUse() const; // File2's folder and the name chosen last
    FireFlags dueFromProgram(const std::string &tickTime, QString *notice);
    TickSteps tickSteps_;         // the clock's steps from tick to tick
    bool stepNoticeOpen_ = false; // bells skipped by a step are being told
    struct LateBell               // a bell a step forward jumped over, rung now
    {
        int channel = 0;
        QString origen;
        int lateSeconds = 0;
    };
    std::vector<LateBell> lateThisSecond_; // rung late in the second the clock landed in
    std::int64_t lateSecond_ = -1;
    QString stepBells(const TickSteps::Tick &step, std::int64_t nowMs, FireFlags *onTime,
                      std::vector<LateBell> *late);
    // Where each firing of the frame comes from: "<program>:<line>" or "Prueba".
    FiringSources firingSources(const Frame &frame, FireFlags due,
                                const std::vector<LateBell> &late,
                                const std::string &tickTime) const;
    void sendFrame(const Frame &frame, const FiringSources &sources);

    // opening_closing.cpp
    // The port of the selected port choice, 0 when none is; the speed of the
    // selected speed choice.
    int selectedPort() const;
    int selectedSpeed() const;
    // Gives the serial component the port and speed and opens the port; a step it
    // refuses is reported in two messages and ends the opening.
    void openPort(double port, int speed);
    bool tryOpening(double port, int speed, QString *why);
    void opened(double port, int speed); // the log, the message and the labels
    struct PendingOpening
    {
        double port = 0;
        int speed = 0;
        QString told; // the refusal last logged
    };
    std::optional<PendingOpening> pendingOpening_;
    // Stores the port with the write rule, and tells the log how that went.
    void storePort(int port);

    // send_feedback.cpp: "Enviando por COM 2:", or the earlier build's own words.
    QString sendingText(const QString &repetidoresText) const;
};
