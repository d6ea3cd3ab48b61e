// What a program does at one second, as --hora tells it.
#include "tools/timbres_check/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

struct Told
{
    bool fine = false;
    std::string text;
};

Told tell(std::string_view program, int second)
{
    char *buffer = nullptr;
    std::size_t size = 0;
    std::FILE *out = ::open_memstream(&buffer, &size);
    Told told;
    told.fine = writeMomentReport(out, "timbres_1.txt", program, second);
    std::fclose(out);
    told.text.assign(buffer, size);
    std::free(buffer);
    return told;
}

// The numbers of the lines told as "Línea N: ..." whose text holds `what`.
std::set<int> linesSaying(const std::string &text, const std::string &what)
{
    std::set<int> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Línea ", 0) == 0 && line.find(what) != std::string::npos)
            lines.insert(std::stoi(line.substr(std::string("Línea ").size())));
    return lines;
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
    const struct
    {
        int second;
        const char *heading; // the line after the file's name
        std::set<int> ringing, silent;
        bool fine;
        const char *also = "";
    } rows[] = {
        {8 * h, "A esa hora suenan los canales 1 y 2.", {2, 4}, {3, 5}, false},
        {9 * h, "A esa hora no suena ningún canal.", {}, {6}, false},
        {10 * h,
         "A esa hora suena el canal 1.",
         {},
         {7, 8},
         false,
         "El canal 1 suena por una línea partida por un LF sin CR"},
        {23 * h + 59 * 60 + 59, "A esa hora suena el canal 3.", {9}, {}, true},
        {12 * h, "A esa hora no suena ningún canal.", {}, {}, false},
    };
    for (const auto &row : rows) {
        const Told told = tell(program, row.second);
        SCOPED_TRACE(told.text);
        const std::size_t firstEnd = told.text.find('\n');
        EXPECT_EQ(told.text.substr(firstEnd + 1, told.text.find('\n', firstEnd + 1) - firstEnd - 1),
                  row.heading);
        EXPECT_EQ(linesSaying(told.text, "hace sonar el canal"), row.ringing);
        EXPECT_EQ(linesSaying(told.text, "no suena nunca"), row.silent);
        EXPECT_NE(told.text.find(row.also), std::string::npos);
        EXPECT_EQ(told.fine, row.fine);
    }
    EXPECT_EQ(tell(program, 8 * h).text.substr(0, 32), "== timbres_1.txt a las 08:00:00 ");
}

} // namespace
