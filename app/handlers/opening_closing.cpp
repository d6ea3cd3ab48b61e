// Opening and closing the serial port: the opening shared by Boton_Abrir and
// Sonvira's start-up, and the closing of Boton_Cerrar.
#include "app/handlers/port_labels.h"

#include "app/form1.h"
#include "app/handlers/system_detected.h"
#include "bells/frame.h"
#include "serial/mscomm.h"
#include "serial/number_text.h"
#include "serial/port_settings_file.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>
#include <limits>
#include <optional>

namespace {

// " 300,N,8,1": the speed's number text, no parity, 8 data bits, 1 stop bit.
QString lineSettingsText(int speed)
{
    return numberText(speed) + QStringLiteral(",N,8,1");
}

// Only a whole number within the 16-bit range is a CommPort value. A fraction read
// from a hand-made file is never rounded: the port opened would then differ from
// the one the messages name.
std::optional<int> commPortValue(double port)
{
    if (!std::isfinite(port) || port != std::trunc(port) ||
        port < std::numeric_limits<qint16>::min() || port > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return int(port);
}

QString invalidPortDescription(double port)
{
    return QStringLiteral("Número de puerto no válido: %1").arg(numberText(port).trimmed());
}

QStringList openingFailureMessages(double port, const QString &description)
{
    return {QStringLiteral("Error al intentar abrir COM") + numberText(port),
            QStringLiteral("Error detectado: ") + description};
}

} // namespace

QStringList closingFailureMessages(int selectedPort, int openPort, const QString &description)
{
    return {QStringLiteral("Error al intentar cerrar COM") +
                numberText(selectedPort ? selectedPort : openPort),
            systemDetected(description)};
}

int Form1::selectedPort() const
{
    for (const Choice &choice : portChoices) {
        if (choice.option->isChecked())
            return choice.value;
    }
    return 0;
}

int Form1::selectedSpeed() const
{
    for (const Choice &choice : speedChoices) {
        if (choice.option->isChecked())
            return choice.value;
    }
    // The speed group starts with 300 selected and cannot be cleared.
    return 300;
}

bool Form1::tryOpening(double port, int speed, QString *why)
{
    const std::optional<int> commPort = commPortValue(port);
    if (!commPort)
        *why = invalidPortDescription(port);
    else if (!MSComm1->setCommPort(*commPort) || !MSComm1->setSettings(lineSettingsText(speed)) ||
             !MSComm1->setPortOpen(true))
        *why = MSComm1->errorString();
    else
        return true;
    return false;
}

void Form1::openPort(double port, int speed)
{
    // The description is taken at once: a tick running while the first box is open
    // may leave another one in the component.
    QString description;
    if (!tryOpening(port, speed, &description)) {
        pendingOpening_ = PendingOpening{port, speed, description};
        host_.log.write(LogEvent::AperturaFallida, {{LogKey::puerto, numberText(port).trimmed()},
                                                    {LogKey::motivo, description}});
        for (const QString &text : openingFailureMessages(port, description))
            host_.messages.show(text);
        return;
    }
    pendingOpening_.reset();
    opened(port, speed);
}

void Form1::opened(double port, int speed)
{
    host_.log.write(LogEvent::Abierto, {{LogKey::puerto, numberText(port).trimmed()},
                                        {LogKey::dispositivo, MSComm1->device()},
                                        {LogKey::ajustes, MSComm1->settings()}});

    const QString portText = numberText(port);
    host_.messages.show(QStringLiteral("Puerto COM") + portText + QStringLiteral(": abierto OK"));
    Etiq_Puerto->setText(QStringLiteral("COM") + portText + QLatin1Char(':'));
    setForeColor(Etiq_Velocidad, openPortColor);
    Etiq_Velocidad->setText(numberText(speed) + QStringLiteral(" bauds"));
    setForeColor(Etiq_Estado, openPortColor);
    Etiq_Estado->setText(QStringLiteral("ABIERTO"));
}

void Form1::retryOpening()
{
    if (!pendingOpening_ || ending_ || MSComm1->portOpen())
        return;
    const PendingOpening pending = *pendingOpening_;
    QString description;
    if (tryOpening(pending.port, pending.speed, &description)) {
        pendingOpening_.reset();
        opened(pending.port, pending.speed);
        return;
    }
    // Told again only when the reason changed: the entry made, but the device
    // refused, is news to the administrator; the same refusal every second is not.
    if (description == pending.told)
        return;
    pendingOpening_->told = description;
    host_.log.write(
        LogEvent::AperturaFallida,
        {{LogKey::puerto, numberText(pending.port).trimmed()}, {LogKey::motivo, description}});
}

void Form1::Boton_Abrir_Click()
{
    const int speed = selectedSpeed();
    double port = 1; // repetidores always has a port choice selected
    if (const int chosen = selectedPort()) {
        port = chosen;
        if (edition_ == Edition::Sonvira) {
            // A file that cannot be written costs only the memory of the port for
            // the next start; the opening tells the operator what matters now.
            storePort(chosen);
        }
    } else if (edition_ == Edition::Sonvira) {
        port = readSavedPort(host_.places.portSettingsFile());
    }
    openPort(port, speed);
}

void Form1::Boton_Cerrar_Click()
{
    pendingOpening_.reset(); // the operator wants the port closed, not opened later
    if (!MSComm1->portOpen())
        return;
    const int chosen = selectedPort();

    setChannelWords(closingWords(enabledChannels()));

    // A lost device cannot take the farewell; the port is closed all the same.
    if (MSComm1->setOutput(QByteArray(closingString.data(), qsizetype(closingString.size()))))
        host_.log.write(LogEvent::Despedida);
    Texto_a_Enviar->setText(QStringLiteral("Apagados"));

    const int openCommPort = MSComm1->commPort();
    if (!MSComm1->setPortOpen(false)) {
        for (const QString &text :
             closingFailureMessages(chosen, openCommPort, MSComm1->errorString()))
            host_.messages.show(text);
        return;
    }
    journal_.lineStopped();
    host_.log.write(LogEvent::Cerrado, {{LogKey::puerto, QString::number(openCommPort)}});
    host_.messages.show(QStringLiteral("Puertos COM: cerrados OK"));
    setForeColor(Etiq_Velocidad, closedSpeedColor);
    setForeColor(Etiq_Estado, closedPortColor);
    Etiq_Estado->setText(QStringLiteral("CERRADO"));
}

void Form1::storePort(int port)
{
    QString why;
    if (writeSavedPort(host_.places.portSettingsFile(), port, &why))
        host_.log.write(LogEvent::PuertoGuardado, {{LogKey::puerto, QString::number(port)}});
    else
        host_.log.write(LogEvent::PuertoNoGuardado,
                        {{LogKey::puerto, QString::number(port)}, {LogKey::motivo, why}});
}
