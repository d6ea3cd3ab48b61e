#include "tools/timbres_check/program_analysis.h"

#include "bells/bell_program.h"

#include <algorithm>
#include <map>
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
    return std::all_of(bells.begin(), bells.end(), [](const auto &b) { return b.fires; });
}

ProgramAnalysis analyseProgram(std::string_view text)
{
    ProgramAnalysis analysis;
    analysis.empty = text.empty();
    std::map<Bell, std::vector<int>> rung;
    int editorLine = 1;

    forEachLine(text, [&](std::string_view line) {
        const BellLine read = splitLine(line);
        const bool lineFires = fires(read);
        if (lineFires)
            rung[{read.channel, std::string(read.time)}].push_back(editorLine);

        const bool joined = line.find('\n') != std::string_view::npos;
        std::size_t start = 0;
        for (;;) {
            const std::size_t lf = line.find('\n', start);
            const std::string_view piece = line.substr(start, lf - start);
            if (looksLikeBell(piece)) {
                const BellLine own = splitLine(piece);
                BellLineReport report;
                report.line = editorLine;
                report.text = piece;
                report.fires = fires(own) &&
                               (!joined || (own.channel == read.channel && own.time == read.time));
                report.readChannel = read.channel;
                report.readTime = read.time;
                if (report.fires)
                    report.notes = notesOf(piece);
                else
                    report.problems = problemsOf(piece, joined);
                analysis.bells.push_back(std::move(report));
            }
            if (lf == std::string_view::npos)
                break;
            start = lf + 1;
            ++editorLine;
        }
        ++editorLine;
    });

    for (auto &[bell, lines] : rung) {
        analysis.schedule[std::size_t(bell.channel - 1)].push_back(bell.time);
        if (lines.size() > 1)
            analysis.duplicates.push_back({bell, lines});
    }
    return analysis;
}
