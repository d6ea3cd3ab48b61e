#include "host/editor.h"

bool Abrir_en_Editor(Host &host, const QString &path, QString *error)
{
    const QString editor = host.places.editorProgram();
    if (editor.isEmpty()) {
        if (error)
            *error = QStringLiteral("No se encontró ningún editor de textos. Instale uno de "
                                    "estos: %1.")
                         .arg(Places::editorNames().join(QStringLiteral(", ")));
        return false;
    }
    return host.launcher.startDetached(editor, {path}, error);
}
