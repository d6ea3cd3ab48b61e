// The tick's fast scan of a bell program against the rule applied line by line.
// Input: eight bytes of tick time, then the program text.
#include "bells/bell_program.h"
#include "due_line_by_line.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t tickLength = 8;
    if (size < tickLength)
        return 0;
    const auto *text = reinterpret_cast<const char *>(data);
    const std::string_view tick(text, tickLength);
    // The program runs to the very end of the input, so a scan that reads past
    // the text's end touches memory the sanitizer watches.
    const std::string_view program(text + tickLength, size - tickLength);
    if (dueChannels(program, tick) != dueLineByLine(program, tick))
        __builtin_trap();
    return 0;
}
