#include "serial/line_settings.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

// A whole field of decimal digits, nothing else.
std::optional<int> number(std::string_view field)
{
    if (field.empty() || field.size() > 9)
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

std::optional<LineParity> parity(std::string_view field)
{
    if (field.size() != 1)
        return std::nullopt;
    switch (field.front()) {
    case 'N':
    case 'n':
        return LineParity::None;
    case 'E':
    case 'e':
        return LineParity::Even;
    case 'O':
    case 'o':
        return LineParity::Odd;
    case 'M':
    case 'm':
        return LineParity::Mark;
    case 'S':
    case 's':
        return LineParity::Space;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<LineSettings> parseLineSettings(std::string_view text)
{
    const auto firstNonBlank = text.find_first_not_of(' ');
    if (firstNonBlank == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(firstNonBlank);

    std::array<std::string_view, 4> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto comma = text.find(',');
        const bool last = i + 1 == fields.size();
        if (last != (comma == std::string_view::npos))
            return std::nullopt;
        fields[i] = text.substr(0, comma);
        text.remove_prefix(last ? text.size() : comma + 1);
    }

    const auto speed = number(fields[0]);
    const auto lineParity = parity(fields[1]);
    const auto dataBits = number(fields[2]);
    const auto stopBits = number(fields[3]);
    if (!speed || !lineParity || !dataBits || !stopBits)
        return std::nullopt;
    if (std::find(std::begin(lineSpeeds), std::end(lineSpeeds), *speed) == std::end(lineSpeeds))
        return std::nullopt;
    if (*dataBits < 5 || *dataBits > 8 || (*stopBits != 1 && *stopBits != 2))
        return std::nullopt;
    return LineSettings{*speed, *lineParity, *dataBits, *stopBits};
}
