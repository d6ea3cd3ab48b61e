#include "host/operations_log_format.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::LocalTime);
}

using Details = QList<std::pair<QString, QString>>;

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
}

// How one value is written after "texto=": bare when it can be, else quoted with escapes.
TEST(OperationsLogFormat, quotesAndEscapesOnlyWhatNeedsIt)
{
    const struct
    {
        QString value;
        QByteArray written;
    } rows[] = {
        {QStringLiteral("2"), "2"},
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
    for (const auto &[value, written] : rows) {
        const QByteArray line = formatLogLine({at(2026, 5, 4, 10, 0, 0, 0),
                                               QStringLiteral("Sonvira"),
                                               LogEvent::Mensaje,
                                               {{LogKey::texto, value}}});
        EXPECT_EQ(line, "2026-05-04 10:00:00.000 Sonvira MENSAJE texto=" + written + "\n")
            << value.toStdString();
    }
}

TEST(OperationsLogFormat, everyEntryReadsBackAsItWasWritten)
{
    const QString awkward[] = {
        QStringLiteral("con blancos  dobles "),
        QStringLiteral(" "),
        QStringLiteral("\"\""),
        QStringLiteral("\\"),
        QStringLiteral("\\x41\\n"),
        QStringLiteral("Año, señal: ñÑ €"),
        QStringLiteral("línea 1\r\nlínea 2\n\r"),
        QStringLiteral("x=\"y\" z=w"),
        QString(QChar(0x9F)) + QChar(0x2029) + QChar(0),
        QString(),
    };
    std::set<QByteArray> words;
    for (std::size_t e = 0; e < logEventWords.size(); ++e) {
        const auto event = LogEvent(e);
        words.insert(logEventWord(event));
        for (const QString &value : awkward) {
            const LogEntry entry{at(2026, 3, 29, 3, 0, int(e), 7),
                                 e % 2 ? QStringLiteral("Sonvira") : QStringLiteral("repetidores"),
                                 event,
                                 {{LogKey::motivo, value},
                                  {LogKey::perdidas, QStringLiteral("3")},
                                  {LogKey::texto, value + value}}};
            const QByteArray line = formatLogLine(entry);
            // One line in the file whatever the values hold.
            EXPECT_EQ(line.count('\n'), 1);
            EXPECT_TRUE(line.endsWith('\n') && !line.contains('\r'));
            const std::optional<LogEntry> back = parseLogLine(line);
            ASSERT_TRUE(back.has_value()) << line.toStdString();
            EXPECT_EQ(*back, entry) << line.toStdString();
            EXPECT_EQ(back->detail(QLatin1StringView(LogKey::motivo)), value);
        }
    }
    EXPECT_EQ(words.size(), logEventWords.size()) << "two events share a word";
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
    const char *const rows[] = {
        "",
        "\n",
        "2026-12-07 08:00:00.021 Sonvira DESCONOCIDO",
        "2026-12-07 08:00:00.021 Sonvira disparo canal=2",
        "2026-12-07 08:00:00.021 Sonvira",
        "2026-12-07 08:00:00.021 INICIO",
        "2026-12-07 08:00:00 Sonvira INICIO",
        "2026-12-07T08:00:00.021 Sonvira INICIO",
        "2026-02-30 08:00:00.021 Sonvira INICIO",
        "2026-12-07 24:00:00.021 Sonvira INICIO",
        "2026-12-07 08:00:00.021 Sonvira  INICIO",
        "2026-12-07 08:00:00.021 Sonvira INICIO ",
        "2026-12-07 08:00:00.021 Sonvira INICIO  canal=2",
        "2026-12-07 08:00:00.021 Sonvira DISPARO canal=",
        "2026-12-07 08:00:00.021 Sonvira DISPARO =2",
        "2026-12-07 08:00:00.021 Sonvira DISPARO canal",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=a\"b",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=a\\b",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=\"abc",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=\"abc\\\"",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=\"\\q\"",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=\"\\xZ1\"",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=\"a\"b",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=\"a\tb\"",
        "2026-12-07 08:00:00.021 Sonvira MENSAJE texto=a\rb",
        "2026-12-07 08:00:00.021 Son\xC3\xB1ira INICIO",
    };
    for (const char *line : rows)
        EXPECT_FALSE(parseLogLine(line).has_value()) << line;
}

} // namespace
