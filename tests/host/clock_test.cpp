#include "host/clock.h"

#include <gtest/gtest.h>

namespace {

struct RegionalCase
{
    const char *locale;
    QTime time;
    const char *expected;
};

void PrintTo(const RegionalCase &c, std::ostream *os)
{
    *os << c.locale << " " << c.time.toString().toStdString();
}

class RegionalTime : public ::testing::TestWithParam<RegionalCase>
{
};

TEST_P(RegionalTime, ShowsTheLocalesTimeWithoutZone)
{
    const RegionalCase &c = GetParam();
    EXPECT_EQ(regionalTimeText(c.time, QLocale(QString::fromLatin1(c.locale))),
              QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Locales, RegionalTime,
                         ::testing::Values(RegionalCase{"es_ES", QTime(7, 5, 9), "7:05:09"},
                                           RegionalCase{"es_ES", QTime(19, 5, 9), "19:05:09"},
                                           RegionalCase{"es_ES", QTime(0, 0, 0), "0:00:00"},
                                           RegionalCase{"en_US", QTime(19, 5, 9), "7:05:09 PM"},
                                           RegionalCase{"en_US", QTime(0, 30, 0), "12:30:00 AM"},
                                           RegionalCase{"de_DE", QTime(7, 5, 9), "07:05:09"},
                                           RegionalCase{"C", QTime(23, 59, 59), "23:59:59"},
                                           RegionalCase{"bg_BG", QTime(7, 5, 9), "7:05:09 ч."},
                                           RegionalCase{"zh_CN", QTime(7, 5, 9), "07:05:09"}));

// Every locale's long time format names a zone; none may reach the operator, nor
// leave behind the brackets or blanks that surrounded it.
TEST(RegionalTime, NoLocaleShowsTheZone)
{
    const QTime time(19, 5, 9);
    const QString zone = QLocale::c().toString(time, QStringLiteral("t"));
    ASSERT_FALSE(zone.isEmpty());
    const auto locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    for (const QLocale &locale : locales) {
        const QString text = regionalTimeText(time, locale);
        SCOPED_TRACE(locale.name().toStdString() + " " +
                     locale.timeFormat(QLocale::LongFormat).toStdString());
        EXPECT_FALSE(text.contains(zone)) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("()"))) << text.toStdString();
        EXPECT_EQ(text, text.trimmed());
        EXPECT_TRUE(text.contains(locale.toString(5))) << text.toStdString();
    }
}

} // namespace
