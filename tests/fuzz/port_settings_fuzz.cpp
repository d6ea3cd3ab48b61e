// The saved port read from any content of puertos.txt, against a plain rewrite of
// the rule: first line, its last two characters, blanks, then a number.
#include "serial/port_settings_file.h"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

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
    const auto digit = [&](std::size_t i) {
        return i < tail.size() && unsigned(tail[i] - '0') < 10;
    };
    if (digit(0))
        return digit(1) ? (tail[0] - '0') * 10 + (tail[1] - '0') : tail[0] - '0';
    return !tail.empty() && tail[0] == '.' && digit(1) ? (tail[1] - '0') / 10.0 : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *text = reinterpret_cast<const char *>(data);
    const double value = savedPortValue(QByteArrayView(text, qsizetype(size)));
    // Tenths are summed in binary, so 0.3 may come out a hair off.
    if (!std::isfinite(value) || value < 0 || value > 99 ||
        std::fabs(value - expectedPort(std::string_view(text, size))) > 1e-9)
        __builtin_trap();
    return 0;
}
