// The calendar chooses the day's program in "Programa en uso" as the operator's
// click would; what the operator chooses holds until the next day or the next change
// of calendario.txt.
#include "app/file_list_box.h"
#include "app/form1.h"

void Form1::followCalendar(bool startUp)
{
    const auto tell = [this, startUp](const QString &notice) {
        if (notice.isEmpty())
            return;
        if (startUp) {
            host_.messages.show(notice);
            return;
        }
        // After the tick: its frame goes out first, on time.
        QMetaObject::invokeMethod(
            this,
            [this, notice] {
                if (!ending_)
                    host_.messages.show(notice);
            },
            Qt::QueuedConnection);
    };
    const QString inUse = programInUse();
    if (startUp) {
        ownChoice_ = calendarSeen_ = inUse;
    } else if (inUse != calendarSeen_) {
        ownChoice_ = calendarSeen_ = inUse;
        if (calendar_.present())
            journal_.programChosen(inUse, {{LogKey::motivo, QStringLiteral("operador")}});
    }

    const CalendarFollower::Outcome outcome = calendar_.follow(host_.clock.now().date());
    if (outcome.choice) {
        const CalendarFollower::Choice &choice = *outcome.choice;
        // A day no rule covers goes back to the program chosen otherwise.
        const QString wanted = choice.line > 0 ? choice.program : ownChoice_;
        if (wanted != inUse)
            File2->setFileName(wanted);
        calendarSeen_ = programInUse();
        if (choice.line == 0 && wanted == inUse)
            return tell(outcome.notice);
        LogDetails why{{LogKey::motivo, QStringLiteral("calendario")}};
        if (choice.line > 0)
            why.append({LogKey::regla,
                        QStringLiteral("%1:%2").arg(calendar_.fileName()).arg(choice.line)});
        journal_.programChosen(calendarSeen_, why);
        // "ninguno" is meant: no notice that nothing is selected.
        programTroubleTold_ = choice.none;
    }
    tell(outcome.notice);
}
