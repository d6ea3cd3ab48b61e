#include "app/file_list_box.h"
#include "app/form1.h"
#include "app/handlers/system_detected.h"
#include "host/editor.h"

#include <QDir>

void Form1::File1_Click()
{
    const QString name = File1->fileName();
    if (name.isEmpty())
        return;
    // The file edited is the one File1 lists, and File2 is pointed at that same
    // folder: what the operator edits, what "Programa en uso" shows and what the
    // tick reads are one file even when the program was not started from the
    // folder it is installed in.
    const QString path = QDir(File1->path()).filePath(name);

    QString error;
    if (!Abrir_en_Editor(host_, path, &error)) {
        // The operator asked to edit and saw it fail; the program in use stays as
        // it was rather than changing behind an error message. File2 still lets
        // the operator choose a program without the editor.
        host_.messages.show(QStringLiteral("No se pudo abrir ") + path +
                            QStringLiteral(" en el Bloc de Notas"));
        host_.messages.show(systemDetected(error));
        return;
    }
    File2->setFileName(path);
}
