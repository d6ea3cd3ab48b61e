#pragma once

#include "tools/timbres_check/clock_changes.h"

#include <QDateTime>
#include <QTimeZone>

#include <vector>

// The zone's offset changes between two instants, as the time zone database
// knows them.
std::vector<OffsetShift> zoneShifts(const QTimeZone &zone, const QDateTime &from,
                                    const QDateTime &to);
