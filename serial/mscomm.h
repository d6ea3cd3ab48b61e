#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The serial-port component MSComm1: the properties of the classic MSComm control
// over QSerialPort. A refused write returns false, changes nothing and leaves its
// description in errorString(), so that a handler can trap a failure around the
// one step that may fail.
class MSComm : public QObject
{
    Q_OBJECT

public:
    // Gives the device path of port n (COMn), or an empty string when the port has
    // no device.
    using DeviceResolver = std::function<QString(int port)>;
    // Why port n may not be opened at device, which leads to target (its links
    // followed): with device empty, why the port has none; else a device that is
    // never a port (a console, a terminal). Empty when the opening may go on. It
    // is asked before the device is opened, so a refused one is never touched.
    using DeviceGuard =
        std::function<QString(int port, const QString &device, const QString &target)>;

    // Values of CommEvent during OnComm.
    enum Event { EventSend = 1, EventReceive = 2 };

    explicit MSComm(DeviceResolver resolver, QObject *parent = nullptr);
    ~MSComm() override;
    // Replaces the guard of the system's own consoles and terminals.
    void setDeviceGuard(DeviceGuard guard);

    int commPort() const;
    bool setCommPort(int port); // refused while open, and for port numbers below 1

    QString settings() const;
    bool setSettings(const QString &settings); // " 300,N,8,1"; a malformed string is refused

    bool portOpen() const;       // true from a successful open until the operator closes
    bool setPortOpen(bool open); // closing a lost device always succeeds

    int inputLen() const;
    void setInputLen(int length);
    int rThreshold() const;
    void setRThreshold(int threshold);
    int sThreshold() const;
    void setSThreshold(int threshold);

    // Queues the bytes and returns at once. Bytes of earlier writes still within
    // their time on the line go first; bytes that have waited longer than that
    // (a stalled line) are dropped, so a line that moves again never bursts out
    // old frames.
    bool setOutput(const QByteArray &data);
    // Returns and removes the received characters (all of them while InputLen is 0).
    QByteArray input();

    int commEvent() const;  // constant during OnComm
    QString device() const; // the path the open port was opened by
    QString errorString() const;

signals:
    // The serial event: CommEvent tells which. Delivered on the thread that owns the
    // component, between other events.
    void OnComm();
    // The device went away while open (description as errorString() gives it), and
    // was opened again by an Output. For the operations log; the window's handlers
    // learn of a lost device from the Output that fails.
    void deviceLost(const QString &description);
    void deviceBack();

private:
    class Private;
    std::unique_ptr<Private> d;
};
