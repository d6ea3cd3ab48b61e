// What the window does once, when it loads and before the operator can use it.
#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/handlers/port_labels.h"
#include "serial/mscomm.h"
#include "serial/port_settings_file.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

void Form1::Form_Load()
{
    const bool sonvira = edition_ == Edition::Sonvira;
    const QString settingsFile = host_.places.portSettingsFile();

    if (sonvira) {
        // A missing or unreadable file reads as no saved port.
        const double saved = readSavedPort(settingsFile);
        for (const Choice &choice : portChoices) {
            if (saved == choice.value)
                choice.option->setChecked(true);
        }
    }

    File2->setFileName(startProgram_.isEmpty() ? host_.places.defaultProgram() : startProgram_);
    followCalendar(true);
    for (const Channel &channel : channels)
        channel.state->setText(noPortWord.toString());

    MSComm1->setInputLen(0);
    MSComm1->setRThreshold(1);
    MSComm1->setSThreshold(1);

    host_.messages.show(
        sonvira
            ? QStringLiteral(
                  "Recuerde, si no hay un puerto abierto, debe abrirlo antes de empezar a usarlo")
            : QStringLiteral("Recuerde, debe abrir un puerto antes de empezar a usarlo"));
    setForeColor(Etiq_Estado, closedPortColor);
    Etiq_Estado->setText(QStringLiteral("CERRADO"));
    if (!sonvira)
        return;

    const int speed = selectedSpeed();
    const int port = selectedPort() ? selectedPort() : 1;
    // The file remembers the port tried even when it cannot be opened. A write that
    // fails is not reported: the opening's own messages are what the operator needs.
    storePort(port);
    openPort(port, speed);
}
