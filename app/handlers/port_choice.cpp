// The port and speed choices only record what the next opening uses; an open port
// keeps its own until it is closed, and the operator is reminded of that.
#include "app/form1.h"
#include "serial/mscomm.h"

void Form1::Speed_Click(int)
{
    if (MSComm1->portOpen())
        host_.messages.show(QStringLiteral(
            "Tendra efecto en la proxima apertura. Use la velocidad adecuada a la interfaz"));
}

void Form1::Port_Click(int)
{
    if (MSComm1->portOpen())
        host_.messages.show(QStringLiteral("Recuerde cerrar puerto anterior para cambiar"));
}
