#pragma once

#include <QString>

#include <charconv>

// The number text of every port number and speed the operator reads or the port
// settings file stores: the number in decimal with one leading blank, " 1",
// " 300", " 2.5". The blank stands where a minus sign would, so a negative number
// has none ("-1"). The decimal separator is always a point, whatever the locale,
// because the text is also read back as a number.
inline QString numberText(double value)
{
    if (value == 0)
        value = 0; // no "-0"
    // The longest fixed-point double has 309 integral digits and a sign.
    char digits[320];
    const auto [end, failed] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    if (failed != std::errc())
        return QString();
    const QString text = QString::fromLatin1(digits, end - digits);
    return value < 0 ? text : QLatin1Char(' ') + text;
}
