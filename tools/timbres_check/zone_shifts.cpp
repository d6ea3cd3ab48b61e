#include "tools/timbres_check/zone_shifts.h"

std::vector<OffsetShift> zoneShifts(const QTimeZone &zone, const QDateTime &from,
                                    const QDateTime &to)
{
    std::vector<OffsetShift> shifts;
    if (!zone.isValid() || !zone.hasTransitions())
        return shifts;
    for (const QTimeZone::OffsetData &t : zone.transitions(from, to)) {
        const int before = zone.offsetFromUtc(t.atUtc.addSecs(-1));
        if (before != t.offsetFromUtc)
            shifts.push_back({t.atUtc.toSecsSinceEpoch(), before, t.offsetFromUtc});
    }
    return shifts;
}
