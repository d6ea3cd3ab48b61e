#pragma once

#include <QString>

// The second message of every failure that the system itself reports: the fixed
// prefix, then the platform's or the serial component's description.
inline QString systemDetected(const QString &description)
{
    return QStringLiteral("Sistema detectó: ") + description;
}
