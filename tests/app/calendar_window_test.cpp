#include "window_on_line.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

// One week of calendario.txt with the clock across each midnight: the day's program is
// selected before the 00:00:00 bell, "ninguno" rings nothing and tells nothing, a
// holiday date beats the weekday, the operator's choice holds to the end of the day,
// and the file edited mid-day counts from the next tick. The lines that cannot be used
// are told once, at start-up, with their numbers. Each step: a date and time, what
// happens before its tick, the frame sent and the program then in use.
TEST(CalendarWindow, AWeekAcrossMidnights)
{
    WindowOnLine w(Edition::Sonvira);
    const QString data = w.fake.dataFolder() + u'/';
    for (const auto &[name, bytes] : {std::pair{"timbres_1.txt", "1,00:00:00\r\n"},
                                      {"timbres_2.txt", "2,00:00:00\r\n"},
                                      {"timbres_fiesta.txt", "3,00:00:00\r\n"}})
        ASSERT_TRUE(w.put(data + name, bytes));
    const QByteArray calendar = "# prueba\r\nlunes-viernes  timbres_1.txt\r\n"
                                "sábado, domingo ninguno\r\n2026-03-06 timbres_fiesta.txt\r\n"
                                "lunez timbres_2.txt\r\n2026-03-10 timbres_nada.txt\r\n";
    ASSERT_TRUE(w.put(data + "calendario.txt", calendar));
    w.fake.clock.set(QDateTime(QDate(2026, 3, 2), QTime(23, 59, 59))); // a Monday
    w.form->Form_Load();
    const QStringList toldAtStart = w.told();
    w.open();

    const auto choose = [&] { // as the operator's click in "Programa en uso"
        w.form->File2->setCurrentIndex(w.form->File2->indexOf("timbres_2.txt"));
    };
    const auto edit = [&] {
        ASSERT_TRUE(w.put(data + "calendario.txt", calendar + "2026-03-04 timbres_2.txt\r\n"));
    };
    const struct
    {
        int day;
        const char *at;
        std::function<void()> before;
        const char *command, *inUse;
    } steps[] = {
        {3, "00:00:00.020", {}, "72", "timbres_1.txt"},
        {3, "10:00:00.020", choose, "70", "timbres_2.txt"},
        {3, "23:59:58.020", {}, "70", "timbres_2.txt"},
        // The operator's choice ended with the day.
        {4, "00:00:00.020", {}, "72", "timbres_1.txt"},
        {4, "12:00:00.020", edit, "70", "timbres_2.txt"},
        {5, "00:00:00.020", {}, "72", "timbres_1.txt"},
        {6, "00:00:00.020", {}, "78", "timbres_fiesta.txt"},
        {7, "00:00:00.020", {}, "70", ""},
        {8, "00:00:00.020", {}, "70", ""},
        {9, "00:00:00.020", {}, "72", "timbres_1.txt"},
    };
    // The week's log lines as the file holds them, printed for a person to read and kept
    // without what every line shares.
    QStringList logged;
    const auto print = [&](qsizetype from) {
        for (LogEntry entry : w.fake.log.entries.mid(from))
            if (entry.event == LogEvent::Programa) {
                entry.when = w.fake.clock.now();
                entry.program = QStringLiteral("Sonvira");
                const QByteArray line = formatLogLine(entry);
                std::fputs(line.constData(), stdout);
                logged += QString::fromUtf8(line.trimmed())
                              .remove(QStringLiteral("2026-03-0"))
                              .remove(QStringLiteral("Sonvira PROGRAMA archivo="))
                              .remove(data);
            }
    };
    print(0);
    for (const auto &[day, at, before, command, inUse] : steps) {
        if (before)
            before();
        w.fake.clock.set(QDateTime(QDate(2026, 3, day), QTime::fromString(at, Qt::ISODateWithMs)));
        const qsizetype seen = w.fake.log.entries.size();
        EXPECT_EQ(w.frame(), std::string(at).substr(0, 8) + ' ' + command) << day << ' ' << at;
        print(seen);
        EXPECT_EQ(w.form->File2->fileName(), inUse) << day << ' ' << at;
        w.fake.clock.advanceMs(1000);
        w.frame(); // the words back to rest
        QCoreApplication::processEvents();
    }
    // No "nothing selected" on the weekend: the one notice is the calendar's, at start-up.
    EXPECT_EQ(w.told(), QStringList());
    ASSERT_TRUE(toldAtStart.value(1).startsWith("Recuerde"))
        << toldAtStart.join(u'|').toStdString();
    EXPECT_TRUE(toldAtStart[0].contains("línea 5: «lunez»") &&
                toldAtStart[0].contains("línea 6: el programa timbres_nada.txt no existe"))
        << toldAtStart[0].toStdString();

    const char *rule = " motivo=calendario regla=calendario.txt:";
    EXPECT_EQ(logged, (QStringList{"2 23:59:59.000 timbres_1.txt"_L1 + rule + "2",
                                   "3 10:00:00.020 timbres_2.txt motivo=operador",
                                   "4 00:00:00.020 timbres_1.txt"_L1 + rule + "2",
                                   "4 12:00:00.020 timbres_2.txt"_L1 + rule + "7",
                                   "5 00:00:00.020 timbres_1.txt"_L1 + rule + "2",
                                   "6 00:00:00.020 timbres_fiesta.txt"_L1 + rule + "4",
                                   "7 00:00:00.020 \"\""_L1 + rule + "3",
                                   "9 00:00:00.020 timbres_1.txt"_L1 + rule + "2"}));
}
