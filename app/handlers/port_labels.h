#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

// The port labels' colours and the closing's failure messages, shared by start-up
// and the opening and closing.

// Colours of the port labels: a closed port, an open port and its speed, and the
// speed of a port since closed.
inline const QColor closedPortColor{255, 0, 0};
inline const QColor openPortColor{136, 136, 0};
inline const QColor closedSpeedColor{0, 0, 0};

// The two messages of a failed closing. They name the selected port choice, which
// may differ from the port open when the operator changed it meanwhile; with no
// choice selected (0) they name the port open.
QStringList closingFailureMessages(int selectedPort, int openPort, const QString &description);
