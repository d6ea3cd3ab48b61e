#include "bells/calendar.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

// What the calendar gives a day: "programa:línea", "ninguno:línea", or "-" uncovered.
std::string dayOf(const Calendar &calendar, const char *isoDate)
{
    const CalendarRule *rule = ruleForDay(calendar, QDate::fromString(isoDate, Qt::ISODate));
    if (rule == nullptr)
        return "-";
    return (rule->none ? std::string("ninguno") : rule->program.toStdString()) + ":" +
           std::to_string(rule->line);
}

// Mixed line ends, both encodings, comments and blank lines: the line numbers are
// the editor's.
const char sample[] = "# calendario del colegio\r\n"
                      "lunes-viernes            timbres_1.txt\r\n"
                      "S\xc1" "BADO, Domingo  ninguno   # Latin-1, with a blank in the list\n"
                      "\n"
                      "2026-12-22..07/01/2027   ninguno\r"
                      "miercoles                timbres_corto.txt\n"
                      "2026-12-23               timbres_fiesta.txt\n"
                      "viernes-lunes            timbres_puente.txt\n"
                      "2028-02-29               timbres_bisiesto.txt\n"
                      "01/03/2028..2028-03-03   timbres_marzo.txt\n"
                      "2028-03-02..2028-03-02   timbres_un_dia.txt\n";

TEST(Calendar, TheMostSpecificRuleWinsAndThenTheLaterLine)
{
    const Calendar calendar = parseCalendar(sample);
    EXPECT_TRUE(calendar.problems.empty()) << calendar.problems.front().reason.toStdString();
    const std::pair<const char *, const char *> rows[] = {
        {"2026-12-10", "timbres_1.txt:2"},       // Thursday
        {"2026-12-08", "timbres_1.txt:2"},       // Tuesday
        {"2026-12-09", "timbres_corto.txt:6"},   // Wednesday: the later weekday line
        {"2026-12-11", "timbres_puente.txt:8"},  // Friday: a range across the weekend
        {"2026-12-12", "timbres_puente.txt:8"},  // Saturday: later than the list
        {"2026-12-14", "timbres_puente.txt:8"},  // Monday again
        {"2026-12-21", "timbres_puente.txt:8"},  // the day before the holidays
        {"2026-12-22", "ninguno:5"},             // a range over any weekday
        {"2026-12-23", "timbres_fiesta.txt:7"},  // a date over the range holding it
        {"2026-12-31", "ninguno:5"},             // the year's turn
        {"2027-01-01", "ninguno:5"},
        {"2027-01-07", "ninguno:5"},             // the range's last day counts
        {"2027-01-08", "timbres_puente.txt:8"},
        {"2028-02-29", "timbres_bisiesto.txt:9"}, // leap day
        {"2028-03-01", "timbres_marzo.txt:10"},
        {"2028-03-02", "timbres_un_dia.txt:11"}, // same kind: the later line
        {"2028-03-03", "timbres_marzo.txt:10"},
    };
    for (const auto &[day, expected] : rows)
        EXPECT_EQ(dayOf(calendar, day), expected) << day;

}

TEST(Calendar, DaysNoRuleCoversKeepTheirProgram)
{
    const Calendar calendar = parseCalendar("martes timbres_1.txt\n2027-03-19 ninguno\n");
    EXPECT_EQ(dayOf(calendar, "2026-12-08"), "timbres_1.txt:1");
    EXPECT_EQ(dayOf(calendar, "2026-12-09"), "-");
    EXPECT_EQ(dayOf(calendar, "2027-03-19"), "ninguno:2");
    EXPECT_EQ(dayOf(parseCalendar(""), "2026-12-08"), "-");
    EXPECT_EQ(dayOf(parseCalendar("# solo comentarios\r\n\r\n"), "2026-12-08"), "-");
}

// A line that does not read is told with its number and set aside; the rest holds.
TEST(Calendar, LinesThatDoNotReadAreToldAndSetAside)
{
    const std::pair<const char *, const char *> rows[] = {
        {"lunez timbres_1.txt", "«lunez» no es un día de la semana"},
        {"lunes", "falta el programa"},
        {"lunes otro.txt", "«otro.txt» no es un programa de timbres"},
        {"lunes carpeta/timbres_1.txt", "no es un programa de timbres"},
        {"2027-02-29 ninguno", "no existe en el calendario"},
        {"2027-1-5 ninguno", "no se entiende"},
        {"32/01/2027 ninguno", "no existe"},
        {"2027-01-07..2026-12-22 ninguno", "termina antes de empezar"},
        {"lunes,,martes ninguno", "un hueco entre comas"},
        {"lunes,2026-13-01 ninguno", "no existe"}, // the whole line, not its good half
    };
    for (const auto &[line, why] : rows) {
        const Calendar calendar =
            parseCalendar(std::string("viernes timbres_1.txt\n") + line + "\nsabado ninguno\n");
        ASSERT_EQ(calendar.problems.size(), 1u) << line;
        EXPECT_EQ(calendar.problems[0].line, 2) << line;
        EXPECT_TRUE(calendar.problems[0].reason.contains(QString::fromUtf8(why)))
            << line << ": " << calendar.problems[0].reason.toStdString();
        EXPECT_EQ(calendar.rules.size(), 2u) << line;
        EXPECT_EQ(dayOf(calendar, "2026-12-07"), "-") << line;
    }
}

// The installed sample changes nothing as it stands, and its example, once its "# "
// is taken away, reads whole: what the operator is shown to write must work.
TEST(Calendar, TheSampleIsInertAndItsExampleReads)
{
    QFile file(QStringLiteral(SAMPLE_CALENDAR));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray sample = file.readAll();
    const Calendar asInstalled = parseCalendar(sample.toStdString());
    EXPECT_TRUE(asInstalled.rules.empty() && asInstalled.problems.empty());
    const qsizetype example = sample.indexOf("# lunes-viernes");
    ASSERT_GE(example, 0);
    QByteArray uncommented = sample.mid(example);
    uncommented.replace("# ", "");
    const Calendar calendar = parseCalendar(uncommented.toStdString());
    EXPECT_TRUE(calendar.problems.empty());
    EXPECT_EQ(calendar.rules.size(), 5u); // the list is two rules
    EXPECT_EQ(dayOf(calendar, "2027-03-19"), "timbres_fiesta.txt:4");
    EXPECT_EQ(dayOf(calendar, "2027-01-04"), "ninguno:3");
    EXPECT_EQ(dayOf(calendar, "2027-01-09"), "ninguno:2");
    EXPECT_EQ(dayOf(calendar, "2027-01-08"), "timbres_1.txt:1");
}

} // namespace
