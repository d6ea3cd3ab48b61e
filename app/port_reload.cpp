#include "app/port_reload.h"

#include "app/form1.h"
#include "serial/mscomm.h"
#include "serial/port_settings_file.h"

#include <QPushButton>
#include <QRadioButton>

PortReload::PortReload(Form1 &form, QObject *parent) : QObject(parent), form_(form)
{
    retry_.setInterval(retryMs);
    connect(&retry_, &QTimer::timeout, this, [this] { form_.retryOpening(); });
    retry_.start();
    reload_.setSingleShot(true);
    reload_.setInterval(burstMs);
    connect(&reload_, &QTimer::timeout, this, &PortReload::reload);
}

void PortReload::request()
{
    // Not restarted by the next signal: a steady stream of them still reloads.
    if (!reload_.isActive())
        reload_.start();
}

void PortReload::reload()
{
    if (form_.ending())
        return;
    Host &host = form_.host();
    const QString file = host.places.portSettingsFile();
    QString why;
    const std::optional<int> port = readValidSavedPort(file, &why);
    if (!port) {
        host.log.write(LogEvent::PuertoIlegible, {{LogKey::archivo, file}, {LogKey::motivo, why}});
        return;
    }
    if (form_.MSComm1->portOpen() && form_.MSComm1->commPort() == *port)
        return;
    // As an operator would: the port chosen, the old one closed, the new one opened.
    form_.portChoices[std::size_t(*port - 1)].option->setChecked(true);
    form_.Boton_Cerrar->click();
    form_.Boton_Abrir->click();
}
