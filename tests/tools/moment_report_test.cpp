// What a program does at one second, as --hora tells it.
#include "tools/timbres_check/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

// The report and whether it is fine, its heading aside, with each "Línea N: ..."
// told as N+ when it rings and N- when it never does, and other lines up to a comma.
std::string tell(std::string_view program, int second)
{
    char *buffer = nullptr;
    std::size_t size = 0;
    std::FILE *out = ::open_memstream(&buffer, &size);
    const bool fine = writeMomentReport(out, "timbres_1.txt", program, second);
    std::fclose(out);
    std::istringstream in(std::string(buffer, size));
    std::free(buffer);
    std::string told = fine ? "bien" : "mal", line;
    for (std::getline(in, line); std::getline(in, line);) {
        if (line.rfind("Línea ", 0) == 0)
            told += ' ' + std::to_string(std::stoi(line.substr(std::string("Línea ").size()))) +
                    (line.find("hace sonar el canal") != std::string::npos ? '+' : '-');
        else if (line[0] != ' ')
            told += ' ' + line.substr(0, line.find(','));
    }
    return told;
}

TEST(MomentReport, linesThatRingAndLinesMeantForThatSecond)
{
    const std::string program = "Canal,HH:MM:SS\r\n"    // 1
                                "2,08:00:00\r\n"        // 2 rings channel 2
                                "1,8:00:00\r\n"         // 3 meant for 08:00:00, never rings
                                "12,08:00:00\r\n"       // 4 rings channel 1
                                "3,08:00\r\n"           // 5 meant for 08:00:00, never rings
                                "1,09:00:00\n"          // 6 joined to 7: read as 1 at 10:00:00
                                "3,10:00:00\r\n"        // 7
                                "1,10:00:00 recreo\r\n" // 8 meant for 10:00:00
                                "3,23:59:59\r\n";       // 9
    constexpr int h = 3600;
    const std::pair<int, const char *> rows[] = {
        {8 * h, "mal A esa hora suenan los canales 1 y 2. 2+ 3- 4+ 5-"},
        {9 * h, "mal A esa hora no suena ningún canal. 6-"},
        {10 * h, "mal A esa hora suena el canal 1. 7- 8- El canal 1 suena por una línea partida "
                 "por un LF sin CR"},
        {23 * h + 59 * 60 + 59, "bien A esa hora suena el canal 3. 9+"},
        {12 * h, "mal A esa hora no suena ningún canal."},
    };
    for (const auto &[second, expected] : rows)
        EXPECT_EQ(tell(program, second), expected);
}

} // namespace
