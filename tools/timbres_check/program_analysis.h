#pragma once

#include <array>
#include <compare>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A bell as the program rings it: a channel and a tick time "HH:MM:SS".
struct Bell
{
    int channel = 0;
    std::string time;
    friend auto operator<=>(const Bell &, const Bell &) = default;
};

// Why a line that looks like a bell never fires. A line may have several.
enum class Problem {
    JoinedByLf,       // its line end is a lone LF: the reader joins it to its neighbours
    LeadingBlank,     // the channel is the first character, and that is a blank
    NoChannel,        // the line is a time alone, whose first digit is read as the channel
    BadChannel,       // the first character is a digit other than 1, 2 or 3
    FieldWidth,       // a field of the time has other than two digits
    MissingSeconds,   // HH:MM only
    HourOutOfRange,   // 24 and above: no tick time has it
    MinuteOutOfRange, // 60 and above
    SecondOutOfRange, // 60 and above
    TextAfterTime,    // the time is not in the last eight characters
    TrailingBlank,    // the last eight characters end in a blank
    Unexplained,      // none of the above; the report shows what the reader sees
};

// Things worth knowing about a line that does fire.
enum class Note {
    ChannelIsFirstCharacter, // "12,08:00:00" rings channel 1
    TimeAlone,               // "12:00:00" rings channel 1, the first digit of its hour
};

// A line that looks like a bell: it starts with a digit (blanks aside) and holds
// a time H:M. Lines cut apart by lone LFs are looked at piece by piece, as the
// operator sees them in an editor.
struct BellLineReport
{
    int line = 0; // numbered as an editor numbers it, lone LFs included
    std::string text;
    bool fires = false;
    // What the program reads from the whole line it gets (several pieces when
    // they are joined by lone LFs).
    int readChannel = 0;
    std::string readTime;
    // The second of the day its own time is meant for, read loosely (a field of
    // any width, seconds 00 when missing); -1 when a field is out of range.
    int meantSecond = -1;
    std::vector<Problem> problems; // empty when it fires
    std::vector<Note> notes;
};

struct DuplicateBell
{
    Bell bell;
    std::vector<int> lines;
};

struct ProgramAnalysis
{
    bool empty = false;                // no characters at all
    int bellLines = 0;                 // lines that look like a bell
    int silentLines = 0;               // of those, the ones that never fire
    std::vector<BellLineReport> bells; // only from the analyseProgram that collects them
    std::vector<DuplicateBell> duplicates;
    // Each channel's ringing times of the day, in order, each once: what the
    // program really rings, joined lines included.
    std::array<std::vector<std::string>, 3> schedule;

    bool everyBellFires() const;
};

using BellLineVisitor = std::function<void(const BellLineReport &)>;

// Calls visit for every line that looks like a bell, in the order of the text. A
// program may hold millions of lines: nothing is kept between two calls.
void forEachBellLine(std::string_view text, const BellLineVisitor &visit);

// The whole analysis, each line that looks like a bell handed to visit as it is
// found; bells stays empty. Beyond the text it keeps a few MB at most, plus one
// int for every line that repeats another.
ProgramAnalysis analyseProgram(std::string_view text, const BellLineVisitor &visit);

// The same, with the lines collected in bells: for small programs.
ProgramAnalysis analyseProgram(std::string_view text);

// "HH:MM:SS" with hours 00 to 23 and minutes and seconds 00 to 59.
bool isTickTime(std::string_view text);

// Seconds since midnight of a tick time, and back.
int secondOfDay(std::string_view tickTime);
std::string tickTimeText(int second);
