// What the serial component tells between ticks.
#include "app/form1.h"
#include "serial/mscomm.h"

#include <QLabel>
#include <QLineEdit>

QString Form1::sendingText(const QString &repetidoresText) const
{
    return edition_ == Edition::Sonvira ? QStringLiteral("Enviando por ") + Etiq_Puerto->text()
                                        : repetidoresText;
}

void Form1::MSComm1_OnComm()
{
    // The satellites answer nothing that the system uses, so received characters
    // are taken and dropped: a satellite that echoes or floods the line then
    // fills no buffer and holds up no tick.
    if (MSComm1->commEvent() == MSComm::EventReceive)
        MSComm1->input();
    if (MSComm1->commEvent() == MSComm::EventSend)
        Texto_Mensajes->setText(sendingText(QStringLiteral("Enviando")));
}
