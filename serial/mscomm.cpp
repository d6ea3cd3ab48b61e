#include "serial/mscomm.h"

#include "serial/line_settings.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QScopedValueRollback>
#include <QSerialPort>
#include <QThread>

#include <algorithm>
#include <optional>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// The classic control's receive buffer. Nothing in the system reads the line, so
// characters beyond it are dropped rather than kept without limit.
constexpr qsizetype inputBufferSize = 1024;

// How long a close may wait for bytes handed over just before it, beyond the time
// they take on the line.
constexpr qint64 closeDrainMarginMs = 250;

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

struct MSComm::Private
{
    MSComm *q = nullptr;
    DeviceResolver resolver;
    QSerialPort port;

    int commPort = 1;
    QString settings = QStringLiteral("300,N,8,1");
    LineSettings line;
    int inputLen = 0;
    int rThreshold = 0;
    int sThreshold = 0;

    bool open = false; // PortOpen: from a successful open until the operator closes
    bool lost = false; // open, but the device went away; the next Output reopens it
    QString lostDevice;

    QByteArray inbox;
    bool sendArmed = false;

    // Errors raised inside our own calls on the port are answered by those calls'
    // results; only the others mean the device went away.
    bool ownCall = false;

    int commEvent = 0;
    int notifying = 0;
    bool sendPosted = false;
    bool receivePosted = false;
    quint64 generation = 0; // changes whenever the device is closed, to drop stale events

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

    // Opens the device of the current port with the current settings; on failure
    // returns the description.
    std::optional<QString> openDevice()
    {
        const QString device = resolver ? resolver(commPort) : QString();
        if (device.isEmpty())
            return QStringLiteral("El puerto %1 no existe").arg(portName());
#ifdef Q_OS_WIN
        const QString target = device;
#else
        // The real device names the lock file, so that two names of one device
        // (a COMn link and its target) still exclude each other.
        const QString target = QFileInfo(device).canonicalFilePath();
#endif
        if (target.isEmpty())
            return QStringLiteral("No se encuentra el dispositivo %1 del puerto %2")
                .arg(device, portName());

        QScopedValueRollback quiet(ownCall, true);
        port.setPortName(target);
        applyLine(line);
        if (port.open(QIODevice::ReadWrite)) {
            lostDevice = device;
            return std::nullopt;
        }

        switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return QStringLiteral("No se encuentra el dispositivo %1 del puerto %2")
                .arg(device, portName());
        case QSerialPort::PermissionError:
            // The lock file and the kernel's exclusive mode both end here.
            if (QFileInfo(target).isReadable() && QFileInfo(target).isWritable())
                return QStringLiteral("El puerto %1 está en uso por otro programa").arg(portName());
            return QStringLiteral("No hay permiso para abrir el dispositivo %1 del puerto %2")
                       .arg(device, portName()) +
                   permissionAdvice();
        case QSerialPort::UnsupportedOperationError:
            return QStringLiteral(
                       "El dispositivo %1 del puerto %2 no admite la configuración \"%3\"")
                .arg(device, portName(), settings);
        default:
            return QStringLiteral("No se pudo abrir el dispositivo %1 del puerto %2: %3")
                .arg(device, portName(), port.errorString());
        }
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

    // Bytes handed over just before closing (the closing string) must leave the
    // line whole: QSerialPort drops what it still holds and restores the device's
    // old speed at once when it closes. A stalled line must not hold the window
    // either, so they get no longer than they take on the line, and what is left
    // then is dropped.
    void finishOutput()
    {
        QScopedValueRollback quiet(ownCall, true);
        const qint64 budget =
            lineTimeMs(line, port.bytesToWrite() + driverOutputQueue()) + closeDrainMarginMs;
        QElapsedTimer timer;
        timer.start();
        while (port.bytesToWrite() > 0 && timer.elapsed() < budget) {
            if (!port.waitForBytesWritten(int(budget - timer.elapsed())))
                break;
        }
        while (port.bytesToWrite() == 0 && driverOutputQueue() > 0 && timer.elapsed() < budget)
            QThread::msleep(5);
        if (port.bytesToWrite() > 0 || driverOutputQueue() > 0) {
            port.clear(QSerialPort::Output);
            return;
        }
#ifdef Q_OS_UNIX
        // The driver's queue is empty, so the line moves: only the transmitter's
        // own few bytes remain.
        ::tcdrain(port.handle());
#endif
    }

    void deviceLost()
    {
        lost = true;
        // Closed at once: the device may be spinning the event loop with errors,
        // and a USB adapter plugged back in gets its old name only once no one
        // holds it.
        closeDevice();
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
    d->line = *parseLineSettings(d->settings.toStdString());

    connect(&d->port, &QSerialPort::readyRead, this, [this] { d->received(); });
    connect(&d->port, &QSerialPort::bytesWritten, this, [this] { d->written(); });
    connect(&d->port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError && !d->ownCall && d->open && !d->lost)
            d->deviceLost();
    });
}

MSComm::~MSComm()
{
    disconnect(&d->port, nullptr, this, nullptr);
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
        if (const auto failure = d->openDevice())
            return d->fail(*failure);
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

    const auto lostDescription = [this] {
        return QStringLiteral(
                   "Se perdió el dispositivo %1 del puerto %2; se volverá a abrir en cuanto esté "
                   "disponible")
            .arg(d->lostDevice, d->portName());
    };
    if (d->lost) {
        if (d->openDevice())
            return d->fail(lostDescription());
        d->lost = false;
    }

    // A line that has stopped draining must not send old frames once it moves
    // again: whatever still waits, in our buffer or the driver's, is dropped.
    if (d->port.bytesToWrite() > 0 || d->driverOutputQueue() > 0) {
        QScopedValueRollback quiet(d->ownCall, true);
        if (!d->port.clear(QSerialPort::Output)) {
            d->deviceLost();
            return d->fail(lostDescription());
        }
    }

    if (data.isEmpty())
        return true;
    if (d->port.write(data) != data.size()) {
        d->deviceLost();
        return d->fail(lostDescription());
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

int MSComm::commEvent() const
{
    return d->commEvent;
}

QString MSComm::errorString() const
{
    return d->error;
}
