#include "host/operations_log_format.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::LocalTime);
}

TEST(OperationsLogFormat, writesTheLineAsDocumented)
{
    const LogEntry fired{at(2026, 12, 7, 8, 0, 0, 21),
                         QStringLiteral("Sonvira"),
                         LogEvent::Disparo,
                         {{LogKey::canal, QStringLiteral("2")},
                          {LogKey::origen, QStringLiteral("timbres_1.txt:14")},
                          {LogKey::trama, logFrameText("\x60\x57\x43\x30\x20\x10\x74")}}};
    EXPECT_EQ(formatLogLine(fired), "2026-12-07 08:00:00.021 Sonvira DISPARO canal=2 "
                                    "origen=timbres_1.txt:14 trama=\"60 57 43 30 20 10 74\"\n");
    const LogEntry started{
        at(2027, 1, 2, 23, 59, 59, 999), QStringLiteral("repetidores"), LogEvent::Inicio, {}};
    EXPECT_EQ(formatLogLine(started), "2027-01-02 23:59:59.999 repetidores INICIO\n");
    // How one value is written: bare when it can be, else quoted with escapes.
    const std::pair<QString, QByteArray> values[] = {
        {QStringLiteral("a=b,c"), "a=b,c"},
        {QStringLiteral("año"), "a\xC3\xB1o"},
        {QString(), "\"\""},
        {QStringLiteral("puerto cerrado"), "\"puerto cerrado\""},
        {QStringLiteral("dijo \"no\""), "\"dijo \\\"no\\\"\""},
        {QStringLiteral("C:\\Quirzal"), "\"C:\\\\Quirzal\""},
        {QStringLiteral("uno\r\ndos\tb"), "\"uno\\r\\ndos\\tb\""},
        {QStringLiteral("a\x01z\x7f"), "\"a\\x01z\\x7F\""},
        {QString(QChar(0x85)) + QChar(0x2028), "\"\\xC2\\x85\\xE2\\x80\\xA8\""},
    };
    for (const auto &[value, written] : values) {
        const QByteArray line = formatLogLine(
            {at(2026, 5, 4, 10, 0, 0, 0), "Sonvira", LogEvent::Mensaje, {{LogKey::texto, value}}});
        EXPECT_EQ(line, "2026-05-04 10:00:00.000 Sonvira MENSAJE texto=" + written + "\n");
    }
}

// Every event, with values that look like the line's own syntax, in one line each.
TEST(OperationsLogFormat, everyEntryReadsBackAsItWasWritten)
{
    const QString awkward[] = {QStringLiteral("con blancos  dobles "),
                               QStringLiteral("\"\""),
                               QStringLiteral("\\x41\\n"),
                               QStringLiteral("Año, señal: ñÑ €"),
                               QStringLiteral("línea 1\r\nlínea 2\n\r"),
                               QStringLiteral("x=\"y\" z=w"),
                               QString(QChar(0x9F)) + QChar(0x2029) + QChar(0),
                               QString()};
    for (std::size_t e = 0; e < logEventWords.size(); ++e) {
        for (const QString &value : awkward) {
            const LogEntry entry{at(2026, 3, 29, 3, 0, int(e), 7),
                                 e % 2 ? QStringLiteral("Sonvira") : QStringLiteral("repetidores"),
                                 LogEvent(e),
                                 {{LogKey::motivo, value}, {LogKey::texto, value + value}}};
            const QByteArray line = formatLogLine(entry);
            EXPECT_TRUE(line.indexOf('\n') == line.size() - 1 && !line.contains('\r'));
            EXPECT_EQ(parseLogLine(line), entry) << line.toStdString();
        }
    }
}

TEST(OperationsLogFormat, detailsLookUpByKey)
{
    const std::optional<LogEntry> e = parseLogLine(
        "2026-12-07 08:00:05.000 Sonvira PERDIDO puerto=COM1 motivo=\"\" puerto=COM2\r\n");
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->detail(QLatin1StringView(LogKey::puerto)), QStringLiteral("COM1"));
    EXPECT_FALSE(e->detail(QLatin1StringView(LogKey::motivo)).isNull());
    EXPECT_TRUE(e->detail(QLatin1StringView(LogKey::motivo)).isEmpty());
    EXPECT_TRUE(e->detail(QLatin1StringView(LogKey::canal)).isNull());
    EXPECT_EQ(e->when, at(2026, 12, 7, 8, 0, 5, 0));
}

TEST(OperationsLogFormat, malformedLinesReadAsNothing)
{
    for (const char *time : {"", "2026-12-07 08:00:00 ", "2026-12-07T08:00:00.021 ",
                             "2026-02-30 08:00:00.021 ", "2026-12-07 24:00:00.021 "})
        EXPECT_FALSE(parseLogLine(QByteArray(time) + "Sonvira INICIO")) << time;
    const char *const rows[] = {"Sonvira DESCONOCIDO",
                                "Sonvira disparo canal=2",
                                "Sonvira",
                                "Son\xC3\xB1ira INICIO",
                                "Sonvira  INICIO",
                                "Sonvira INICIO ",
                                "Sonvira DISPARO canal=",
                                "Sonvira DISPARO canal",
                                "Sonvira MENSAJE texto=a\"b",
                                "Sonvira MENSAJE texto=a\\b",
                                "Sonvira MENSAJE texto=\"abc",
                                "Sonvira MENSAJE texto=\"\\q\"",
                                "Sonvira MENSAJE texto=\"\\xZ1\"",
                                "Sonvira MENSAJE texto=\"a\"b",
                                "Sonvira MENSAJE texto=\"a\tb\"",
                                "Sonvira MENSAJE texto=a\rb"};
    for (const char *row : rows)
        EXPECT_FALSE(parseLogLine("2026-12-07 08:00:00.021 "_ba + row)) << row;
}

} // namespace
