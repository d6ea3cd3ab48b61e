// The tick's fast scan of a bell program, and the schedule built from it, against
// the rule applied line by line.
// Input: eight bytes of tick time, then the program text, which runs to the very
// end of the input, so a scan that reads past it touches memory the sanitizer watches.
#include "bells/bell_program.h"
#include "bells/bell_schedule.h"
#include "due_line_by_line.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::string_view tick = input.substr(0, 8),
                           program = input.substr(std::min<std::size_t>(size, 8));
    if (size < 8)
        return 0;
    const BellSchedule schedule(program);
    if (dueChannels(program, tick) != dueLineByLine(program, tick) ||
        schedule.dueChannels(tick) != dueLineByLine(program, tick) ||
        schedule.dueLineNumbers(tick) != dueLineNumbers(program, tick))
        __builtin_trap();
    return 0;
}
