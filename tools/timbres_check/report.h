#pragma once

#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/program_analysis.h"

#include <cstdio>
#include <string_view>
#include <vector>

// The checker's findings on one bell program, told in Spanish (UTF-8) for the
// person who wrote it and written to out as they are found, so that a program of
// millions of lines never becomes one huge text. The daylight-saving warnings are
// for the changes given, in the zone named. Returns whether every line that looks
// like a bell fires.
bool writeProgramReport(std::FILE *out, std::string_view fileName, std::string_view text,
                        const std::vector<ClockChange> &changes, std::string_view zoneName);

// What the program does at one second of the day: the channels that ring, the lines
// that ring them, and the lines that look like a bell of that second but never
// ring, with why. Returns whether some channel rings then and no such line is silent.
bool writeMomentReport(std::FILE *out, std::string_view fileName, std::string_view text,
                       int second);

// Each line of the program that looks like a bell and never rings, with why, every
// line of the text after `indent`. Returns how many there are.
int writeSilentLines(std::FILE *out, std::string_view text, std::string_view indent);
