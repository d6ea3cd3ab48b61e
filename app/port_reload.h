#pragma once

#include <QObject>
#include <QTimer>

class Form1;

// What a service does with its port beyond the window's handlers. An opening that
// failed (no COMn entry yet, a USB adapter not plugged in at boot) is tried again
// once a second, as a lost device is. SIGHUP reads the saved port again, and takes
// it only when the file names one of COM1 to COM4: a file being rewritten, empty or
// cut short, leaves the port and the file as they are. The signals of a burst that
// arrive before the reload runs are that one reload.
class PortReload : public QObject
{
    Q_OBJECT

public:
    explicit PortReload(Form1 &form, QObject *parent = nullptr);

    void request(); // a SIGHUP came

    static constexpr int retryMs = 1000;
    static constexpr int burstMs = 200;

private:
    void reload();

    Form1 &form_;
    QTimer retry_;
    QTimer reload_;
};
