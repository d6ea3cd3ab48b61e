#include "app/form1.h"
#include "app/handlers/system_detected.h"
#include "host/editor.h"

void Form1::Boton_Ayuda_Click()
{
    // leeme.txt is not looked at first: a missing file is the editor's to report.
    QString error;
    if (Abrir_en_Editor(host_, host_.places.helpFile(), &error))
        return;
    host_.messages.show(QStringLiteral("No se pudo abrir LEEME.TXT en el Bloc de Notas"));
    host_.messages.show(systemDetected(error));
}
