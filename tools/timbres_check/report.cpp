#include "tools/timbres_check/report.h"

#include "bells/bell_program.h"

#include <cstdio>

namespace {

// The program's files are in a single-byte code page; shown here as Latin-1,
// with the characters that cannot be seen named.
std::string visible(std::string_view text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '\n') {
            out += "<LF>";
        } else if (c == '\t') {
            out += "<TAB>";
        } else if (c < 0x20 || c == 0x7F) {
            char name[8];
            std::snprintf(name, sizeof name, "<%02X>", c);
            out += name;
        } else if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string firstCharacter(std::string_view text)
{
    const std::size_t at = text.find_first_not_of(" \t");
    return at == std::string_view::npos ? std::string() : visible(text.substr(at, 1));
}

std::string explain(Problem problem, const BellLineReport &bell)
{
    switch (problem) {
    case Problem::JoinedByLf:
        return "un LF solo, sin CR, la une a la línea de al lado: el programa las lee como una "
               "sola línea";
    case Problem::LeadingBlank:
        return "empieza por un blanco, y el canal es siempre el primer carácter";
    case Problem::NoChannel:
        return "no lleva canal delante: la primera cifra de la hora, «" +
               firstCharacter(bell.text) + "», se toma como canal";
    case Problem::BadChannel:
        return "el canal «" + firstCharacter(bell.text) + "» no existe: solo hay canales 1, 2 y 3";
    case Problem::FieldWidth:
        return "cada campo de la hora lleva dos cifras: 08:05:00, no 8:5:00";
    case Problem::MissingSeconds:
        return "faltan los segundos: la hora se escribe HH:MM:SS";
    case Problem::HourOutOfRange:
        return "esa hora no existe: el día va de 00:00:00 a 23:59:59";
    case Problem::MinuteOutOfRange:
        return "los minutos van de 00 a 59";
    case Problem::SecondOutOfRange:
        return "los segundos van de 00 a 59";
    case Problem::TextAfterTime:
        return "hay texto detrás de la hora: la hora tiene que ser los últimos ocho caracteres";
    case Problem::TrailingBlank:
        return "termina en blanco: la hora tiene que ser los últimos ocho caracteres";
    case Problem::Unexplained:
        return "el programa no la reconoce como timbre";
    }
    return {};
}

std::string explain(Note note, const BellLineReport &bell)
{
    switch (note) {
    case Note::ChannelIsFirstCharacter:
        return "el canal es solo el primer carácter: suena el canal " +
               std::to_string(bell.readChannel);
    case Note::TimeAlone:
        return "no lleva canal delante: suena el canal " + std::to_string(bell.readChannel) +
               ", la primera cifra de la hora";
    }
    return {};
}

std::string lineList(const std::vector<int> &lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += i + 1 == lines.size() ? " y " : ", ";
        text += std::to_string(lines[i]);
    }
    return text;
}

std::string dateText(const ClockChange &c)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", c.day, c.month, c.year);
    return text;
}

void put(std::FILE *out, const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), out);
}

std::string where(const BellLineReport &bell)
{
    return "Línea " + std::to_string(bell.line) + ": «" + visible(bell.text) + "»";
}

// Why a line never fires, one reason a line, then what the program reads from it.
std::string whyItNeverFires(const BellLineReport &bell)
{
    std::string out;
    for (Problem p : bell.problems)
        out += "  - " + explain(p, bell) + "\n";
    out += "  El programa lee: canal " + std::to_string(bell.readChannel) + ", hora «" +
           visible(bell.readTime) + "».\n";
    return out;
}

std::string channelList(const FireFlags &channels)
{
    std::vector<int> numbers;
    for (int c = 0; c < 3; ++c)
        if (channels[std::size_t(c)])
            numbers.push_back(c + 1);
    return lineList(numbers);
}

} // namespace

bool writeProgramReport(std::FILE *out, std::string_view fileName, std::string_view text,
                        const std::vector<ClockChange> &changes, std::string_view zoneName)
{
    put(out, "== " + std::string(fileName) + " ==\n");
    if (text.empty())
        put(out, "El fichero está vacío: no hay ningún timbre.\n");

    const ProgramAnalysis analysis = analyseProgram(text, [&](const BellLineReport &bell) {
        if (!bell.fires)
            put(out, where(bell) + " no suena nunca.\n" + whyItNeverFires(bell));
        for (Note n : bell.notes)
            put(out, where(bell) + ": " + explain(n, bell) + ".\n");
    });

    for (const DuplicateBell &d : analysis.duplicates)
        put(out, "Repetido: canal " + std::to_string(d.bell.channel) + " a las " + d.bell.time +
                     ", en las líneas " + lineList(d.lines) + "; suena una sola vez.\n");

    std::string tail = "Timbres del día:\n";
    for (int c = 0; c < 3; ++c) {
        const auto &times = analysis.schedule[std::size_t(c)];
        tail += "  Canal " + std::to_string(c + 1);
        if (times.empty()) {
            tail += ": ninguno\n";
            continue;
        }
        tail += " (" + std::to_string(times.size()) + "):";
        for (std::size_t i = 0; i < times.size(); ++i)
            tail += (i > 0 && i % 8 == 0 ? "\n    " : " ") + times[i];
        tail += "\n";
    }

    const std::vector<DaylightWarning> warnings = daylightWarnings(analysis.schedule, changes);
    if (warnings.empty()) {
        tail += "Cambio de hora (" + std::string(zoneName) +
                "): ningún timbre cae en una hora que se salte o se repita.\n";
    } else {
        tail += "Cambio de hora (" + std::string(zoneName) + "):\n";
        for (const DaylightWarning &w : warnings) {
            const ClockChange &c = w.change;
            tail += "  Canal " + std::to_string(w.bell.channel) + " a las " + w.bell.time +
                    ": el " + dateText(c);
            if (c.skipped)
                tail += " esa hora no existe (el reloj salta de " + tickTimeText(c.fromSecond) +
                        " a " + tickTimeText(c.toSecond) + "): ese día no suena.\n";
            else
                tail += " esa hora pasa dos veces (el reloj vuelve de " + tickTimeText(c.toSecond) +
                        " a " + tickTimeText(c.fromSecond) + "): ese día suena dos veces.\n";
        }
    }

    tail += "Resumen: " + std::to_string(analysis.bellLines) + " líneas con timbre";
    tail += analysis.silentLines == 0
                ? ", todas suenan.\n"
                : "; " + std::to_string(analysis.silentLines) + " no suenan nunca.\n";
    put(out, tail);
    return analysis.everyBellFires();
}

bool writeMomentReport(std::FILE *out, std::string_view fileName, std::string_view text, int second)
{
    const std::string time = tickTimeText(second);
    put(out, "== " + std::string(fileName) + " a las " + time + " ==\n");
    // The program's own scan says what rings; the lines below say which line does it.
    const FireFlags due = dueChannels(text, time);
    const int dueCount = int(due[0]) + int(due[1]) + int(due[2]);
    if (dueCount == 0)
        put(out, "A esa hora no suena ningún canal.\n");
    else
        put(out, std::string(dueCount == 1 ? "A esa hora suena el canal "
                                           : "A esa hora suenan los canales ") +
                     channelList(due) + ".\n");

    FireFlags shown{};
    bool silentLine = false;
    forEachBellLine(text, [&](const BellLineReport &bell) {
        if (bell.fires && bell.readTime == time) {
            shown[std::size_t(bell.readChannel - 1)] = true;
            std::string line =
                where(bell) + " hace sonar el canal " + std::to_string(bell.readChannel) + ".\n";
            for (Note n : bell.notes)
                line += "  (" + explain(n, bell) + ".)\n";
            put(out, line);
        } else if (!bell.fires && bell.meantSecond == second) {
            silentLine = true;
            put(out, where(bell) + " parece un timbre de esa hora, pero no suena nunca:\n" +
                         whyItNeverFires(bell));
        }
    });
    for (int c = 0; c < 3; ++c)
        if (due[std::size_t(c)] && !shown[std::size_t(c)])
            put(out, "El canal " + std::to_string(c + 1) +
                         " suena por una línea partida por un LF sin CR, que no parece un "
                         "timbre en el editor.\n");
    return dueCount > 0 && !silentLine;
}

int writeSilentLines(std::FILE *out, std::string_view text, std::string_view indent)
{
    int silent = 0;
    forEachBellLine(text, [&](const BellLineReport &bell) {
        if (bell.fires)
            return;
        ++silent;
        std::string lines = where(bell) + " no suena nunca.\n" + whyItNeverFires(bell);
        for (std::size_t at = 0; at < lines.size();) {
            const std::size_t end = lines.find('\n', at) + 1;
            put(out, std::string(indent) + lines.substr(at, end - at));
            at = end;
        }
    });
    return silent;
}
