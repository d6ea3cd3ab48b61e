#include "tools/timbres_check/program_analysis.h"

#include "bells/bell_program.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A time written H:M or H:M:S inside a line, each field one or more digits.
struct TimeToken
{
    std::size_t begin = 0, end = 0;
    std::array<std::string_view, 3> fields; // the seconds are empty when missing
};

std::optional<TimeToken> findTime(std::string_view text)
{
    auto digitsAt = [&](std::size_t at) {
        std::size_t e = at;
        while (e < text.size() && isDigit(text[e]))
            ++e;
        return e;
    };
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isDigit(text[at]) || (at > 0 && isDigit(text[at - 1])))
            continue;
        TimeToken token;
        token.begin = at;
        std::size_t e = at;
        int n = 0;
        for (; n < 3; ++n) {
            const std::size_t start = n == 0 ? e : e + 1;
            if (n > 0 && (e >= text.size() || text[e] != ':'))
                break;
            const std::size_t stop = digitsAt(start);
            if (stop == start)
                break;
            token.fields[n] = text.substr(start, stop - start);
            e = stop;
        }
        if (n >= 2) {
            token.end = e;
            return token;
        }
    }
    return std::nullopt;
}

int fieldValue(std::string_view field)
{
    int value = 0;
    for (char c : field)
        value = value * 10 + (c - '0');
    return value;
}

bool fires(const BellLine &read)
{
    return read.channel >= 1 && read.channel <= 3 && isTickTime(read.time);
}

std::vector<Problem> problemsOf(std::string_view piece, bool joined)
{
    std::vector<Problem> problems;
    auto add = [&](Problem p) { problems.push_back(p); };
    const std::size_t lead = piece.find_first_not_of(" \t");
    const std::size_t last = piece.find_last_not_of(" \t");
    const std::string_view core = piece.substr(lead, last + 1 - lead);
    const TimeToken token = *findTime(core);

    if (joined)
        add(Problem::JoinedByLf);
    if (lead > 0)
        add(Problem::LeadingBlank);
    if (token.begin == 0)
        add(Problem::NoChannel);
    else if (core.front() < '1' || core.front() > '3')
        add(Problem::BadChannel);
    const bool twoDigits =
        std::all_of(token.fields.begin(), token.fields.end(),
                    [](std::string_view f) { return f.empty() || f.size() == 2; });
    if (!twoDigits)
        add(Problem::FieldWidth);
    if (token.fields[2].empty())
        add(Problem::MissingSeconds);
    const std::array<std::pair<int, Problem>, 3> limits = {{{24, Problem::HourOutOfRange},
                                                            {60, Problem::MinuteOutOfRange},
                                                            {60, Problem::SecondOutOfRange}}};
    for (std::size_t f = 0; f < 3; ++f) {
        const std::string_view field = token.fields[f];
        if (!field.empty() && field.size() <= 2 && fieldValue(field) >= limits[f].first)
            add(limits[f].second);
    }
    if (token.end < core.size())
        add(Problem::TextAfterTime);
    if (last + 1 < piece.size())
        add(Problem::TrailingBlank);
    if (problems.empty())
        add(Problem::Unexplained);
    return problems;
}

std::vector<Note> notesOf(std::string_view piece)
{
    const TimeToken token = *findTime(piece);
    if (token.begin == 0)
        return {Note::TimeAlone};
    if (token.begin > 1 && isDigit(piece[1]))
        return {Note::ChannelIsFirstCharacter};
    return {};
}

bool looksLikeBell(std::string_view piece)
{
    const std::size_t lead = piece.find_first_not_of(" \t");
    return lead != std::string_view::npos && isDigit(piece[lead]) && findTime(piece.substr(lead));
}

// A field of any width read as a number, or 100 (out of every range) when it has
// more than two digits after its leading zeros.
int looseValue(std::string_view field)
{
    const std::size_t first = field.find_first_not_of('0');
    if (first == std::string_view::npos)
        return 0;
    return field.size() - first > 2 ? 100 : fieldValue(field.substr(first));
}

int meantSecond(std::string_view piece)
{
    const std::size_t lead = piece.find_first_not_of(" \t");
    const TimeToken token = *findTime(piece.substr(lead));
    const int hour = looseValue(token.fields[0]);
    const int minute = looseValue(token.fields[1]);
    const int second = looseValue(token.fields[2]);
    if (hour > 23 || minute > 59 || second > 59)
        return -1;
    return hour * 3600 + minute * 60 + second;
}

constexpr std::size_t secondsPerDay = 24 * 3600;
constexpr std::size_t bellIndexCount = 3 * secondsPerDay;

// Calls f(bell, editorLine) for every line the program fires, bell numbering the
// channel and second, editorLine the line's first piece as an editor numbers it.
template <typename F> void forEachFiringLine(std::string_view text, F &&f)
{
    int editorLine = 1;
    forEachLine(text, [&](std::string_view line) {
        const BellLine read = splitLine(line);
        if (fires(read))
            f(std::size_t(read.channel - 1) * secondsPerDay + std::size_t(secondOfDay(read.time)),
              editorLine);
        editorLine += 1 + int(std::count(line.begin(), line.end(), '\n'));
    });
}

} // namespace

bool isTickTime(std::string_view t)
{
    if (t.size() != 8 || t[2] != ':' || t[5] != ':')
        return false;
    for (std::size_t i : {0, 1, 3, 4, 6, 7})
        if (!isDigit(t[i]))
            return false;
    return fieldValue(t.substr(0, 2)) < 24 && fieldValue(t.substr(3, 2)) < 60 &&
           fieldValue(t.substr(6, 2)) < 60;
}

bool ProgramAnalysis::everyBellFires() const
{
    return silentLines == 0;
}

int secondOfDay(std::string_view t)
{
    return fieldValue(t.substr(0, 2)) * 3600 + fieldValue(t.substr(3, 2)) * 60 +
           fieldValue(t.substr(6, 2));
}

std::string tickTimeText(int second)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60,
                  second % 60);
    return text;
}

void forEachBellLine(std::string_view text, const BellLineVisitor &visit)
{
    int editorLine = 1;
    BellLineReport report;
    forEachLine(text, [&](std::string_view line) {
        const BellLine read = splitLine(line);
        const bool joined = line.find('\n') != std::string_view::npos;
        std::size_t start = 0;
        for (;;) {
            const std::size_t lf = line.find('\n', start);
            const std::string_view piece = line.substr(start, lf - start);
            if (looksLikeBell(piece)) {
                const BellLine own = splitLine(piece);
                report.line = editorLine;
                report.text = piece;
                report.fires = fires(own) &&
                               (!joined || (own.channel == read.channel && own.time == read.time));
                report.readChannel = read.channel;
                report.readTime = read.time;
                report.meantSecond = meantSecond(piece);
                report.notes.clear();
                report.problems.clear();
                if (report.fires)
                    report.notes = notesOf(piece);
                else
                    report.problems = problemsOf(piece, joined);
                visit(report);
            }
            if (lf == std::string_view::npos)
                break;
            start = lf + 1;
            ++editorLine;
        }
        ++editorLine;
    });
}

ProgramAnalysis analyseProgram(std::string_view text, const BellLineVisitor &visit)
{
    ProgramAnalysis analysis;
    analysis.empty = text.empty();
    forEachBellLine(text, [&](const BellLineReport &bell) {
        ++analysis.bellLines;
        analysis.silentLines += !bell.fires;
        visit(bell);
    });

    // Which bells ring is counted in a table of every channel and second, so that
    // a program of millions of lines costs no more than the table; the lines of
    // the bells that repeat are gathered in a second pass, into vectors of the
    // size counted.
    std::vector<std::uint32_t> count(bellIndexCount);
    forEachFiringLine(text, [&](std::size_t bell, int) { ++count[bell]; });
    std::vector<std::int32_t> duplicate(bellIndexCount, -1);
    for (std::size_t bell = 0; bell < bellIndexCount; ++bell) {
        if (count[bell] == 0)
            continue;
        const int channel = int(bell / secondsPerDay) + 1;
        std::string time = tickTimeText(int(bell % secondsPerDay));
        if (count[bell] > 1) {
            duplicate[bell] = std::int32_t(analysis.duplicates.size());
            analysis.duplicates.push_back({{channel, time}, {}});
            analysis.duplicates.back().lines.reserve(count[bell]);
        }
        analysis.schedule[std::size_t(channel - 1)].push_back(std::move(time));
    }
    if (!analysis.duplicates.empty())
        forEachFiringLine(text, [&](std::size_t bell, int line) {
            if (duplicate[bell] >= 0)
                analysis.duplicates[std::size_t(duplicate[bell])].lines.push_back(line);
        });
    return analysis;
}

ProgramAnalysis analyseProgram(std::string_view text)
{
    std::vector<BellLineReport> bells;
    ProgramAnalysis analysis =
        analyseProgram(text, [&](const BellLineReport &bell) { bells.push_back(bell); });
    analysis.bells = std::move(bells);
    return analysis;
}
