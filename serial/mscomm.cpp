#include "serial/mscomm.h"

#include "serial/line_settings.h"

#include "host/forbidden_devices.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QScopedValueRollback>
#include <QSerialPort>
#include <QThread>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <linux/serial.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// The classic control's receive buffer. Nothing in the system reads the line, so
// characters beyond it are dropped rather than kept without limit.
constexpr qsizetype inputBufferSize = 1024;

// How long output may lag behind the time its bytes take on the line before the
// line counts as stalled. A USB adapter holds bytes up to its latency timer (16 ms
// by default) and the kernel's scheduling adds a few more; 200 ms is ten times
// that, and still lets the next tick find a stalled frame: at 300 baud a frame
// takes 233 ms, and 233 + 200 is less than the 500 ms between ticks.
constexpr qint64 outputMarginMs = 200;

QSerialPort::Parity qtParity(LineParity parity)
{
    switch (parity) {
    case LineParity::Even:
        return QSerialPort::EvenParity;
    case LineParity::Odd:
        return QSerialPort::OddParity;
    case LineParity::Mark:
        return QSerialPort::MarkParity;
    case LineParity::Space:
        return QSerialPort::SpaceParity;
    case LineParity::None:
        break;
    }
    return QSerialPort::NoParity;
}

qint64 lineTimeMs(const LineSettings &line, qint64 bytes)
{
    const int bitsPerByte =
        1 + line.dataBits + (line.parity == LineParity::None ? 0 : 1) + line.stopBits;
    return bytes * bitsPerByte * 1000 / line.baudRate;
}

// What an operator refused a device can do about it. Debian gives the serial
// devices to the group dialout, and a new group counts only from the next login.
QString permissionAdvice()
{
#ifdef Q_OS_UNIX
    const passwd *account = ::getpwuid(::geteuid());
    const QString user =
        account ? QString::fromLocal8Bit(account->pw_name) : QStringLiteral("<usuario>");
    return QStringLiteral(". Para usar los puertos serie, el usuario debe pertenecer al grupo "
                          "dialout: ejecute «sudo adduser %1 dialout» y vuelva a iniciar la "
                          "sesión")
        .arg(user);
#else
    return {};
#endif
}

} // namespace

// The component's state and the steps that change it. MSComm's own members are
// the properties of the classic control; what they share lives here.
class MSComm::Private
{
public:
    MSComm *q = nullptr;
    DeviceResolver resolver;
    DeviceGuard guard = [](int port, const QString &device, const QString &target) {
        return device.isEmpty() ? QStringLiteral("El puerto COM%1 no existe").arg(port)
                                : forbiddenDevice(target, device, DeviceSources());
    };
    QSerialPort port;

    // The properties as last set.
    int commPort = 1;
    QString settings = QStringLiteral("300,N,8,1");
    LineSettings line;
    int inputLen = 0;
    int rThreshold = 0;
    int sThreshold = 0;

    bool open = false; // PortOpen: from a successful open until the operator closes
    bool lost = false; // open, but the device went away; the next Output reopens it
    // The path the port was opened by: the COMn entry, or the system's own name. A
    // lost device is reopened there only. Resolving the port again could land on
    // another device (the COMn entry removed, its fallback a console or a modem)
    // while the screen said all is well.
    QString device;

    // Received characters not yet taken with Input, at most inputBufferSize.
    QByteArray inbox;

    // The output on its way: the bytes handed over since the line was last found
    // idle, and when that was (ms of a steady clock). Together with the line's
    // settings they tell when the line should be done with them.
    QElapsedTimer steady;
    qint64 backlogSinceMs = 0;
    qint64 backlogBytes = 0;

    // Notifications. OnComm is always posted to the event loop, never raised from
    // inside a call of the window, and a handler may wait in a message box while
    // later notifications run; these keep that orderly:
    // - sendArmed: an Output was handed over and its "transmit buffer emptied" is
    //   still to be told, so the send notification comes once per Output, not on
    //   every partial write;
    // - sendPosted, receivePosted: one notification of each kind is already on its
    //   way, so a flood of bytes posts one, not one per byte;
    // - generation: bumped whenever the device is closed; a notification posted
    //   before carries the old value and is dropped on arrival;
    // - notifying, commEvent: how deep OnComm handlers are nested, and the event the
    //   innermost one sees; an outer handler finds its own CommEvent again when an
    //   inner one returns.
    bool sendArmed = false;
    bool sendPosted = false;
    bool receivePosted = false;
    quint64 generation = 0;
    int notifying = 0;
    int commEvent = 0;

    // Errors raised inside our own calls on the port are answered by those calls'
    // results; only the others mean the device went away.
    bool ownCall = false;

    QString error;

    bool fail(const QString &description)
    {
        error = description;
        return false;
    }

    QString portName() const { return QStringLiteral("COM%1").arg(commPort); }

    qint64 driverOutputQueue() const
    {
#ifdef Q_OS_UNIX
        int bytes = 0;
        if (port.isOpen() && ::ioctl(port.handle(), TIOCOUTQ, &bytes) == 0)
            return bytes;
#endif
        return 0;
    }

    bool applyLine(const LineSettings &settingsToApply)
    {
        return port.setBaudRate(settingsToApply.baudRate) &&
               port.setDataBits(QSerialPort::DataBits(settingsToApply.dataBits)) &&
               port.setParity(qtParity(settingsToApply.parity)) &&
               port.setStopBits(settingsToApply.stopBits == 2 ? QSerialPort::TwoStop
                                                              : QSerialPort::OneStop);
    }

    // Opens the device of the current port by the path its number resolves to now.
    bool openPort(QString *why)
    {
        const QString path = resolver ? resolver(commPort) : QString();
        if (path.isEmpty()) {
            *why = guard(commPort, {}, {});
            if (why->isEmpty())
                *why = QStringLiteral("El puerto %1 no existe").arg(portName());
            return false;
        }
        return openDevice(path, why);
    }

    // Opens the device at that path with the current settings. On failure returns
    // false with the description in *why.
    bool openDevice(const QString &device, QString *why)
    {
        const auto failed = [why](const QString &description) {
            *why = description;
            return false;
        };
#ifdef Q_OS_WIN
        const QString target = device;
#else
        // The real device names the lock file, so that two names of one device
        // (a COMn link and its target) still exclude each other.
        const QString target = QFileInfo(device).canonicalFilePath();
#endif
        if (target.isEmpty())
            return failed(QStringLiteral("No se encuentra el dispositivo %1 del puerto %2")
                              .arg(device, portName()));
        if (const QString refused = guard(commPort, device, target); !refused.isEmpty())
            return failed(refused);

        QScopedValueRollback quiet(ownCall, true);
        port.setPortName(target);
        applyLine(line);
        if (port.open(QIODevice::ReadWrite)) {
            if (!isPresentUart()) {
                port.close();
                return failed(QStringLiteral("no hay ningún puerto serie en %1 (puerto %2)")
                                  .arg(target, portName()));
            }
            this->device = device;
            return true;
        }

        switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return failed(QStringLiteral("No se encuentra el dispositivo %1 del puerto %2")
                              .arg(device, portName()));
        case QSerialPort::PermissionError:
            // The lock file and the kernel's exclusive mode both end here.
            if (QFileInfo(target).isReadable() && QFileInfo(target).isWritable())
                return failed(
                    QStringLiteral("El puerto %1 está en uso por otro programa").arg(portName()));
            return failed(
                QStringLiteral("No hay permiso para abrir el dispositivo %1 del puerto %2")
                    .arg(device, portName()) +
                permissionAdvice());
        case QSerialPort::UnsupportedOperationError:
            return failed(
                QStringLiteral("El dispositivo %1 del puerto %2 no admite la configuración \"%3\"")
                    .arg(device, portName(), settings));
        default:
            return failed(QStringLiteral("No se pudo abrir el dispositivo %1 del puerto %2: %3")
                              .arg(device, portName(), port.errorString()));
        }
    }

    // A UART the kernel knows by name but found no chip for (most /dev/ttyS* of a
    // PC without the ports) says so in its type. Asked of those devices only
    // (major 4): USB adapters and the like leave the type unset, and are there.
    bool isPresentUart() const
    {
#ifdef Q_OS_LINUX
        struct stat status;
        serial_struct uart{};
        if (::fstat(port.handle(), &status) == 0 && major(status.st_rdev) == 4 &&
            ::ioctl(port.handle(), TIOCGSERIAL, &uart) == 0)
            return uart.type != PORT_UNKNOWN;
#endif
        return true;
    }

    void closeDevice()
    {
        QScopedValueRollback quiet(ownCall, true);
        if (port.isOpen())
            port.close();
        ++generation;
        sendPosted = receivePosted = false;
        sendArmed = false;
    }

    bool outputQueued() const
    {
        return port.bytesToWrite() > 0 || driverOutputQueue() > 0;
    }

    // When the output handed over should have left the line.
    qint64 backlogDueMs() const
    {
        return backlogSinceMs + lineTimeMs(line, backlogBytes);
    }

    // Output still within its time on the line is never dropped: new output waits
    // behind it, so a frame on its way reaches the satellites whole, and the
    // closing string follows it. Output that has waited longer than its time plus
    // the margin is on a stalled line (flow control, a hung adapter) and is
    // dropped, so that when the line moves again no burst of old times follows.
    bool makeRoomFor(qint64 bytes)
    {
        const qint64 now = steady.elapsed();
        if (!outputQueued()) {
            backlogSinceMs = now;
            backlogBytes = 0;
        } else if (now > backlogDueMs() + outputMarginMs) {
            QScopedValueRollback quiet(ownCall, true);
            if (!port.clear(QSerialPort::Output))
                return false;
            backlogSinceMs = now;
            backlogBytes = 0;
        }
        backlogBytes += bytes;
        return true;
    }

    // Bytes handed over just before closing (the closing string) must leave the
    // line whole: QSerialPort drops what it still holds and restores the device's
    // old speed at once when it closes. A stalled line must not hold the window
    // either: the output gets its time on the line plus the margin, counted from
    // when it was handed over, and what is left then is dropped. Nothing here
    // waits without a limit; tcdrain() would, on a USB adapter that never reports
    // drained.
    void finishOutput()
    {
        QScopedValueRollback quiet(ownCall, true);
        const qint64 deadline = backlogDueMs() + outputMarginMs;
        while (port.bytesToWrite() > 0 && steady.elapsed() < deadline) {
            if (!port.waitForBytesWritten(int(deadline - steady.elapsed())))
                break;
        }
        while (port.bytesToWrite() == 0 && driverOutputQueue() > 0 && steady.elapsed() < deadline)
            QThread::msleep(5);
        if (outputQueued()) {
            port.clear(QSerialPort::Output);
            return;
        }
#ifdef Q_OS_UNIX
        // The driver's queue is empty; a UART may still hold a few bytes in its
        // FIFO. Where the driver can tell, wait for its transmitter to empty.
        int status = 0;
        while (::ioctl(port.handle(), TIOCSERGETLSR, &status) == 0 && !(status & TIOCSER_TEMT) &&
               steady.elapsed() < deadline)
            QThread::msleep(5);
#endif
    }

    void deviceLost()
    {
        lost = true;
        emit q->deviceLost(lostDescription());
        // Closed at once: the device may be spinning the event loop with errors,
        // and a USB adapter plugged back in gets its old name only once no one
        // holds it.
        closeDevice();
    }

    QString lostDescription() const
    {
        return QStringLiteral(
                   "Se perdió el dispositivo %1 del puerto %2; se volverá a abrir en cuanto esté "
                   "disponible")
            .arg(device, portName());
    }

    void post(Event event)
    {
        bool &posted = event == EventSend ? sendPosted : receivePosted;
        if (posted)
            return;
        posted = true;
        QMetaObject::invokeMethod(
            q, [this, event, when = generation] { deliver(event, when); }, Qt::QueuedConnection);
    }

    void deliver(Event event, quint64 when)
    {
        if (when != generation)
            return;
        (event == EventSend ? sendPosted : receivePosted) = false;
        if (!open || lost)
            return;
        if (event == EventReceive && (rThreshold <= 0 || inbox.size() < rThreshold))
            return;

        // A handler that waits on a message box lets later notifications run
        // meanwhile; it still finds its own CommEvent when it resumes.
        const int outer = commEvent;
        const bool nested = notifying > 0;
        commEvent = event;
        ++notifying;
        QPointer<MSComm> alive(q);
        emit q->OnComm();
        if (!alive)
            return;
        --notifying;
        if (nested)
            commEvent = outer;
    }

    void received()
    {
        const QByteArray bytes = port.readAll();
        const qsizetype room = std::max<qsizetype>(0, inputBufferSize - inbox.size());
        inbox.append(bytes.left(room));
        if (rThreshold > 0 && inbox.size() >= rThreshold)
            post(EventReceive);
    }

    void written()
    {
        if (sendArmed && sThreshold > 0 && port.bytesToWrite() < sThreshold) {
            sendArmed = false;
            post(EventSend);
        }
    }
};

MSComm::MSComm(DeviceResolver resolver, QObject *parent) : QObject(parent), d(new Private)
{
    d->q = this;
    d->resolver = std::move(resolver);
    d->steady.start();
    d->line = *parseLineSettings(d->settings.toStdString());

    connect(&d->port, &QSerialPort::readyRead, this, [this] { d->received(); });
    connect(&d->port, &QSerialPort::bytesWritten, this, [this] { d->written(); });
    connect(&d->port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError && !d->ownCall && d->open && !d->lost)
            d->deviceLost();
    });
}

void MSComm::setDeviceGuard(DeviceGuard guard)
{
    d->guard = std::move(guard);
}

MSComm::~MSComm()
{
    disconnect(&d->port, nullptr, this, nullptr);
    // The component goes with the window, and the program ends: nothing more is
    // sent, not even what a tick handed over just before.
    if (d->port.isOpen()) {
        QScopedValueRollback quiet(d->ownCall, true);
        d->port.clear(QSerialPort::Output);
    }
    d->closeDevice();
}

int MSComm::commPort() const
{
    return d->commPort;
}

bool MSComm::setCommPort(int port)
{
    if (d->open)
        return d->fail(QStringLiteral("No se puede cambiar de puerto con el puerto %1 abierto")
                           .arg(d->portName()));
    if (port < 1 || port > 32767)
        return d->fail(QStringLiteral("Número de puerto no válido: %1").arg(port));
    d->commPort = port;
    return true;
}

QString MSComm::settings() const
{
    return d->settings;
}

bool MSComm::setSettings(const QString &settings)
{
    const auto line = parseLineSettings(settings.toStdString());
    if (!line)
        return d->fail(QStringLiteral("Configuración de puerto no válida: \"%1\"").arg(settings));
    if (d->open && !d->lost) {
        QScopedValueRollback quiet(d->ownCall, true);
        if (!d->applyLine(*line)) {
            d->applyLine(d->line);
            return d->fail(QStringLiteral("El puerto %1 no admite la configuración \"%2\"")
                               .arg(d->portName(), settings));
        }
    }
    d->settings = settings;
    d->line = *line;
    return true;
}

bool MSComm::portOpen() const
{
    return d->open;
}

bool MSComm::setPortOpen(bool open)
{
    if (open) {
        if (d->open)
            return d->fail(QStringLiteral("El puerto %1 ya está abierto").arg(d->portName()));
        if (QString why; !d->openPort(&why))
            return d->fail(why);
        d->open = true;
        d->lost = false;
        d->inbox.clear();
        return true;
    }

    if (!d->open)
        return true;
    if (!d->lost)
        d->finishOutput();
    d->closeDevice();
    d->open = false;
    d->lost = false;
    d->inbox.clear();
    return true;
}

int MSComm::inputLen() const
{
    return d->inputLen;
}

void MSComm::setInputLen(int length)
{
    d->inputLen = std::max(0, length);
}

int MSComm::rThreshold() const
{
    return d->rThreshold;
}

void MSComm::setRThreshold(int threshold)
{
    d->rThreshold = std::max(0, threshold);
}

int MSComm::sThreshold() const
{
    return d->sThreshold;
}

void MSComm::setSThreshold(int threshold)
{
    d->sThreshold = std::max(0, threshold);
}

bool MSComm::setOutput(const QByteArray &data)
{
    if (!d->open)
        return d->fail(QStringLiteral("El puerto %1 no está abierto").arg(d->portName()));

    if (d->lost) {
        if (QString why; !d->openDevice(d->device, &why))
            return d->fail(d->lostDescription());
        d->lost = false;
        emit deviceBack();
    }

    if (!d->makeRoomFor(data.size())) {
        d->deviceLost();
        return d->fail(d->lostDescription());
    }
    if (data.isEmpty())
        return true;
    if (d->port.write(data) != data.size()) {
        d->deviceLost();
        return d->fail(d->lostDescription());
    }
    if (d->sThreshold > 0)
        d->sendArmed = true;
    return true;
}

QByteArray MSComm::input()
{
    const qsizetype count =
        d->inputLen > 0 ? std::min<qsizetype>(d->inputLen, d->inbox.size()) : d->inbox.size();
    const QByteArray taken = d->inbox.left(count);
    d->inbox.remove(0, count);
    return taken;
}

QString MSComm::device() const
{
    return d->device;
}

int MSComm::commEvent() const
{
    return d->commEvent;
}

QString MSComm::errorString() const
{
    return d->error;
}
