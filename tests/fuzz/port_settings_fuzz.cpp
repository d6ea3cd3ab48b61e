// The saved port read from any content of puertos.txt, against a plain rewrite of
// the rule: first line, its last two characters, blanks, then a number.
#include "serial/port_settings_file.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

double expectedPort(std::string_view content)
{
    const std::string_view line = content.substr(0, content.find_first_of("\r\n"));
    if (line.empty() || line.size() > std::size_t(longestFirstLine) ||
        line.find('\0') != std::string_view::npos)
        return 0;
    std::string_view tail = line.substr(line.size() < 2 ? 0 : line.size() - 2);
    while (!tail.empty() && (tail.front() == ' ' || tail.front() == '\t'))
        tail.remove_prefix(1);
    // At most two characters are left: "dd", "d.", "d", ".d", or no number.
    if (tail.empty())
        return 0;
    if (digit(tail[0])) {
        if (tail.size() == 2 && digit(tail[1]))
            return (tail[0] - '0') * 10 + (tail[1] - '0');
        return tail[0] - '0';
    }
    if (tail[0] == '.' && tail.size() == 2 && digit(tail[1]))
        return (tail[1] - '0') / 10.0;
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *text = reinterpret_cast<const char *>(data);
    const double value = savedPortValue(QByteArrayView(text, qsizetype(size)));
    if (!std::isfinite(value) || value < 0 || value > 99)
        __builtin_trap();
    // Tenths are summed in binary, so 0.3 may come out a hair off.
    if (std::fabs(value - expectedPort(std::string_view(text, size))) > 1e-9)
        __builtin_trap();
    return 0;
}
