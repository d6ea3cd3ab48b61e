// The "Settings" text of the serial control: whatever is accepted is well formed and
// names a line the port can take, and writing it back out reads as the same settings.
#include "serial/line_settings.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    // Blanks, then four comma-separated fields; the first, third and fourth digits only.
    static const QRegularExpression wellFormed(
        QStringLiteral("\\A *[0-9]+,[^,]+,[0-9]+,[0-9]+\\z"));
    const auto s = parseLineSettings(text);
    if (!s)
        return 0;
    if (std::ranges::count(lineSpeeds, s->baudRate) != 1 || s->dataBits < 5 || s->dataBits > 8 ||
        (s->stopBits != 1 && s->stopBits != 2) ||
        !wellFormed.match(QString::fromLatin1(text.data(), qsizetype(size))).hasMatch())
        __builtin_trap();
    const std::string again = std::to_string(s->baudRate) + ',' + "NEOMS"[int(s->parity)] + ',' +
                              std::to_string(s->dataBits) + ',' + std::to_string(s->stopBits);
    if (parseLineSettings(again) != s || parseLineSettings(" " + again) != s)
        __builtin_trap();
    return 0;
}
