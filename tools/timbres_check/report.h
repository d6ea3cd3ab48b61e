#pragma once

#include "tools/timbres_check/clock_changes.h"
#include "tools/timbres_check/program_analysis.h"

#include <string>
#include <string_view>
#include <vector>

// The checker's findings on one bell program, told in Spanish (UTF-8) for the
// person who wrote it. zoneName names the time zone that the warnings are for.
std::string programReport(std::string_view fileName, const ProgramAnalysis &analysis,
                          const std::vector<DaylightWarning> &warnings, std::string_view zoneName);
