#pragma once

#include <QString>

// Opens an existing serial device for listening only (a technician's second
// adapter hanging on the line): raw, 8 data bits, no parity, the given speed.
// Nothing is ever written to it. Returns the descriptor, non-blocking, or -1 with
// the reason in *error.
int openListeningTty(const QString &path, int baud, QString *error);

// True for the speeds the line may run at.
bool isLineSpeed(int baud);
