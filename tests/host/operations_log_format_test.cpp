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
                         u"Sonvira"_s,
                         LogEvent::Disparo,
                         {{LogKey::canal, u"2"_s},
                          {LogKey::origen, u"timbres_1.txt:14"_s},
                          {LogKey::trama, logFrameText("\x60\x57\x43\x30\x20\x10\x74")}}};
    EXPECT_EQ(formatLogLine(fired), "2026-12-07 08:00:00.021 Sonvira DISPARO canal=2 "
                                    "origen=timbres_1.txt:14 trama=\"60 57 43 30 20 10 74\"\n");
    const LogEntry started{at(2027, 1, 2, 23, 59, 59, 999), u"repetidores"_s, LogEvent::Inicio, {}};
    EXPECT_EQ(formatLogLine(started), "2027-01-02 23:59:59.999 repetidores INICIO\n");
    // How one value is written: bare when it can be, else quoted with escapes.
    const std::pair<QString, QByteArray> values[] = {
        {u"a=b,c"_s, "a=b,c"},
        {u"año"_s, "a\xC3\xB1o"},
        {QString(), "\"\""},
        {u"dijo \"no\""_s, "\"dijo \\\"no\\\"\""},
        {u"C:\\Quirzal"_s, "\"C:\\\\Quirzal\""},
        {u"uno\r\ndos\tb"_s, "\"uno\\r\\ndos\\tb\""},
        {u"a\x01z\x7f"_s, "\"a\\x01z\\x7F\""},
        {QString(QChar(0x85)) + QChar(0x2028), "\"\\xC2\\x85\\xE2\\x80\\xA8\""}};
    for (const auto &[value, written] : values) {
        const QByteArray line = formatLogLine(
            {at(2026, 5, 4, 10, 0, 0, 0), "Sonvira", LogEvent::Mensaje, {{LogKey::texto, value}}});
        EXPECT_EQ(line, "2026-05-04 10:00:00.000 Sonvira MENSAJE texto=" + written + "\n");
    }
}

// Every event, with values that look like the line's own syntax, in one line each.
TEST(OperationsLogFormat, everyEntryReadsBackAsItWasWritten)
{
    const QString awkward[] = {u"con blancos  dobles "_s,
                               u"\\x41\\n"_s,
                               u"Año, ñÑ €"_s,
                               u"línea 1\r\nlínea 2\n\r"_s,
                               u"x=\"y\" z=w"_s,
                               QString(QChar(0x9F)) + QChar(0x2029) + QChar(0),
                               QString()};
    for (std::size_t e = 0; e < logEventWords.size(); ++e) {
        for (const QString &value : awkward) {
            const LogEntry entry{at(2026, 3, 29, 3, 0, int(e), 7),
                                 e % 2 ? u"Sonvira"_s : u"repetidores"_s,
                                 LogEvent(e),
                                 {{LogKey::motivo, value}, {LogKey::texto, value + value}}};
            const QByteArray line = formatLogLine(entry);
            EXPECT_TRUE(line.indexOf('\n') == line.size() - 1 && !line.contains('\r'));
            EXPECT_EQ(parseLogLine(line), entry) << line.toStdString();
        }
    }
}

} // namespace
