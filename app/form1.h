#pragma once

#include "app/edition.h"
#include "bells/program_file.h"
#include "host/host.h"

#include <QColor>
#include <QWidget>

#include <functional>

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
// the handlers use, and routes each notification to its handler. The handlers are
// defined beside the subsystem they belong to (bells/, serial/, help/, app/).
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

    QGroupBox *Frame7 = nullptr; // channel 1
    QGroupBox *Frame6 = nullptr; // channel 2
    QGroupBox *Frame5 = nullptr; // channel 3
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option3 = nullptr; // "SI"
    QRadioButton *Option4 = nullptr, *Option5 = nullptr, *Option6 = nullptr; // "NO"
    QPushButton *Canal1 = nullptr, *Canal2 = nullptr, *Canal3 = nullptr;

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
    QRadioButton *Option11 = nullptr, *Option12 = nullptr, *Option13 = nullptr, *Option14 = nullptr;
    QLabel *Label4 = nullptr, *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr;
    QPushButton *Boton_Abrir = nullptr;
    QPushButton *Boton_Cerrar = nullptr;
    MSComm *MSComm1 = nullptr;

    QGroupBox *Baudios = nullptr; // speed
    QRadioButton *Option7 = nullptr, *Option8 = nullptr, *Option9 = nullptr, *Option10 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label17 = nullptr, *Label16 = nullptr;

    QGroupBox *Hora = nullptr; // clock
    ClickableLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    WallClockTimer *Timer1 = nullptr;

    // --- Handlers ------------------------------------------------------------------
    void Form_Load(); // app/startup.cpp

    void Boton_Abrir_Click();  // serial/opening.cpp
    void Boton_Cerrar_Click(); // serial/opening.cpp

    void Option7_Click(); // serial/port_choice.cpp (Sonvira only)
    void Option8_Click();
    void Option9_Click();
    void Option10_Click();
    void Option11_Click();
    void Option12_Click();
    void Option13_Click();
    void Option14_Click();

    void Option1_Click(); // bells/channels.cpp
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Option6_Click();
    void Canal1_Click();
    void Canal2_Click();
    void Canal3_Click();
    void Text1_Change();
    void Text2_Change();
    void Text3_Change();

    void Timer1_Timer(); // bells/tick.cpp
    void Label6_Click();

    void MSComm1_OnComm(); // bells/feedback.cpp

    void File1_Click(); // bells/program_selection.cpp

    void Boton_Ayuda_Click(); // help/help_viewer.cpp

    // Label colours, as the operator sees them (the ForeColor of the classic control).
    static void setForeColor(QLabel *label, const QColor &color);
    static QColor foreColor(const QLabel *label);

    // Every notification reaches its handler through one point. When an observer is
    // set, it is told the handler's name first, and the handler runs only if the
    // observer returns true; tests use it to see where each notification goes.
    using DispatchObserver = std::function<bool(const char *handler)>;
    void setDispatchObserver(DispatchObserver observer) { observer_ = std::move(observer); }

protected:
    // Enter presses the window's default button, as in a dialog.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void routeNotifications();
    void dispatch(const char *handler, void (Form1::*method)());

    Edition edition_;
    Host &host_;
    DispatchObserver observer_;

    // State that a handler must carry across events lives in the section of its
    // subsystem below.

    // bells/tick.cpp
    ProgramFile programFile_;         // one buffer for every tick's read of the program
    bool programTroubleTold_ = false; // the operator knows the program cannot be read
    bool programNoticeOpen_ = false;  // that notice is on screen
    bool sendFailureOpen_ = false;    // a failed write's two messages are on screen
    // serial/opening.cpp
    // The port of the selected port choice, 0 when none is; the speed of the
    // selected speed choice.
    int selectedPort() const;
    int selectedSpeed() const;
    // Gives the serial component the port and speed and opens the port; a step it
    // refuses is reported in two messages and ends the opening.
    void openPort(double port, int speed);
};
