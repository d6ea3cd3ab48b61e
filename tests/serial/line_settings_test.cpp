#include "serial/line_settings.h"

#include <gtest/gtest.h>

TEST(LineSettings, ReadsWellFormedTextAndRefusesTheRest)
{
    const std::pair<const char *, LineSettings> good[] = {
        {" 300,N,8,1", {300, LineParity::None, 8, 1}},
        {"   2400,e,7,2", {2400, LineParity::Even, 7, 2}},
        {"9600,O,8,1", {9600, LineParity::Odd, 8, 1}},
        {"115200,M,5,1", {115200, LineParity::Mark, 5, 1}},
        {"600,s,6,2", {600, LineParity::Space, 6, 2}},
    };
    for (const auto &[text, expected] : good)
        EXPECT_EQ(parseLineSettings(text), expected) << text;

    for (const char *text :
         {"",           " ",          "300",         "300,N,8",     "300,N,8,1,",
          ",N,8,1",     "300,,8,1",   "300,X,8,1",   "300,NN,8,1",  "300,N,9,1",
          "300,N,4,1",  "300,N,8,3",  "300,N,8,1.5", "301,N,8,1",   "-300,N,8,1",
          "+300,N,8,1", "300 ,N,8,1", "300,N,8,1 ",  "\t300,N,8,1", "99999999999,N,8,1"})
        EXPECT_FALSE(parseLineSettings(text)) << '"' << text << '"';
}
