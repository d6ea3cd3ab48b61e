// The "Settings" text of the serial control: whatever is accepted is well formed and
// names a line the port can take, and writing it back out reads as the same settings.
#include "serial/line_settings.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

namespace {

// Blanks, then four non-empty comma-separated fields; the first, third and fourth
// digits only.
bool wellFormed(std::string_view text)
{
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(' ')));
    std::size_t field = 0, length = 0;
    for (char c : text) {
        if (c == ',' ? (length == 0 || ++field > 3) : (field != 1 && (c < '0' || c > '9')))
            return false;
        length = c == ',' ? 0 : length + 1;
    }
    return field == 3 && length > 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const auto s = parseLineSettings(text);
    if (!s)
        return 0;
    if (std::count(std::begin(lineSpeeds), std::end(lineSpeeds), s->baudRate) != 1 ||
        s->dataBits < 5 || s->dataBits > 8 || (s->stopBits != 1 && s->stopBits != 2) ||
        !wellFormed(text))
        __builtin_trap();
    const std::string again = std::to_string(s->baudRate) + ',' + "NEOMS"[int(s->parity)] + ',' +
                              std::to_string(s->dataBits) + ',' + std::to_string(s->stopBits);
    if (parseLineSettings(again) != s || parseLineSettings(" " + again) != s)
        __builtin_trap();
    return 0;
}
