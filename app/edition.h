#pragma once

#include <QString>

// The two programs built from this source: the full Sonvira, and repetidores, an
// earlier build with a few other captions and messages, 300 baud only, no saved
// port and no opening at start. Each main chooses one; everything that differs
// asks this value.
enum class Edition { Sonvira, Repetidores };

inline QString programName(Edition edition)
{
    return edition == Edition::Sonvira ? QStringLiteral("Sonvira") : QStringLiteral("repetidores");
}
