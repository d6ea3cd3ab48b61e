#pragma once

#include "host/host.h"

#include <QString>

// Starts the text editor on one file and returns at once; the editor then runs on
// its own and nothing of it is kept. The file reaches the editor as exactly one
// argument, whatever characters its path holds, and is not looked at first. When
// no editor is installed or it cannot be started, returns false and puts the
// description in *error.
bool Abrir_en_Editor(Host &host, const QString &path, QString *error);
