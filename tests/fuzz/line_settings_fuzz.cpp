// The "Settings" text of the serial control: whatever is accepted names a line the
// port can take, and writing it back out reads as the same settings.
#include "serial/line_settings.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace {

char parityLetter(LineParity parity)
{
    switch (parity) {
    case LineParity::None:
        return 'N';
    case LineParity::Even:
        return 'E';
    case LineParity::Odd:
        return 'O';
    case LineParity::Mark:
        return 'M';
    case LineParity::Space:
        return 'S';
    }
    __builtin_trap();
}

std::string written(const LineSettings &s)
{
    return std::to_string(s.baudRate) + ',' + parityLetter(s.parity) + ',' +
           std::to_string(s.dataBits) + ',' + std::to_string(s.stopBits);
}

bool sane(const LineSettings &s)
{
    return std::find(std::begin(lineSpeeds), std::end(lineSpeeds), s.baudRate) !=
               std::end(lineSpeeds) &&
           s.baudRate > 0 && s.dataBits >= 5 && s.dataBits <= 8 &&
           (s.stopBits == 1 || s.stopBits == 2);
}

// Accepted text holds blanks, then four comma-separated fields of which the
// first, third and fourth are digits only.
bool wellFormed(std::string_view text)
{
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(' ')));
    if (std::count(text.begin(), text.end(), ',') != 3)
        return false;
    std::size_t field = 0;
    std::size_t length = 0;
    for (char c : text) {
        if (c == ',') {
            if (length == 0)
                return false;
            ++field;
            length = 0;
            continue;
        }
        ++length;
        if (field != 1 && (c < '0' || c > '9'))
            return false;
    }
    return length > 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const auto settings = parseLineSettings(text);
    if (!settings)
        return 0;
    if (!sane(*settings) || !wellFormed(text))
        __builtin_trap();
    const std::string again = written(*settings);
    if (parseLineSettings(again) != settings || parseLineSettings(" " + again) != settings)
        __builtin_trap();
    return 0;
}
