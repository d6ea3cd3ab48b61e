// The port and speed choices only record what the next opening uses; an open port
// keeps its own until it is closed, and the operator is reminded of that.
#include "app/form1.h"
#include "serial/mscomm.h"

namespace {

void remindIfOpen(Form1 &form, const QString &reminder)
{
    if (form.MSComm1->portOpen())
        form.host().messages.show(reminder);
}

void speedChosen(Form1 &form)
{
    remindIfOpen(form, QStringLiteral("Tendra efecto en la proxima apertura. Use la velocidad "
                                      "adecuada a la interfaz"));
}

void portChosen(Form1 &form)
{
    remindIfOpen(form, QStringLiteral("Recuerde cerrar puerto anterior para cambiar"));
}

} // namespace

void Form1::Option7_Click()
{
    speedChosen(*this);
}

void Form1::Option8_Click()
{
    speedChosen(*this);
}

void Form1::Option9_Click()
{
    speedChosen(*this);
}

void Form1::Option10_Click()
{
    speedChosen(*this);
}

void Form1::Option11_Click()
{
    portChosen(*this);
}

void Form1::Option12_Click()
{
    portChosen(*this);
}

void Form1::Option13_Click()
{
    portChosen(*this);
}

void Form1::Option14_Click()
{
    portChosen(*this);
}
