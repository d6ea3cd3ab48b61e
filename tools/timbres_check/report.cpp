#include "tools/timbres_check/report.h"

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

std::string clockText(int second)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60,
                  second % 60);
    return text;
}

std::string dateText(const ClockChange &c)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", c.day, c.month, c.year);
    return text;
}

} // namespace

std::string programReport(std::string_view fileName, const ProgramAnalysis &analysis,
                          const std::vector<DaylightWarning> &warnings, std::string_view zoneName)
{
    std::string out = "== " + std::string(fileName) + " ==\n";
    if (analysis.empty)
        out += "El fichero está vacío: no hay ningún timbre.\n";

    int silent = 0;
    for (const BellLineReport &bell : analysis.bells) {
        const std::string where =
            "Línea " + std::to_string(bell.line) + ": «" + visible(bell.text) + "»";
        if (!bell.fires) {
            ++silent;
            out += where + " no suena nunca.\n";
            for (Problem p : bell.problems)
                out += "  - " + explain(p, bell) + "\n";
            out += "  El programa lee: canal " + std::to_string(bell.readChannel) + ", hora «" +
                   visible(bell.readTime) + "».\n";
        }
        for (Note n : bell.notes)
            out += where + ": " + explain(n, bell) + ".\n";
    }

    for (const DuplicateBell &d : analysis.duplicates)
        out += "Repetido: canal " + std::to_string(d.bell.channel) + " a las " + d.bell.time +
               ", en las líneas " + lineList(d.lines) + "; suena una sola vez.\n";

    out += "Timbres del día:\n";
    for (int c = 0; c < 3; ++c) {
        const auto &times = analysis.schedule[std::size_t(c)];
        out += "  Canal " + std::to_string(c + 1);
        if (times.empty()) {
            out += ": ninguno\n";
            continue;
        }
        out += " (" + std::to_string(times.size()) + "):";
        for (std::size_t i = 0; i < times.size(); ++i)
            out += (i > 0 && i % 8 == 0 ? "\n    " : " ") + times[i];
        out += "\n";
    }

    if (warnings.empty()) {
        out += "Cambio de hora (" + std::string(zoneName) +
               "): ningún timbre cae en una hora que se salte o se repita.\n";
    } else {
        out += "Cambio de hora (" + std::string(zoneName) + "):\n";
        for (const DaylightWarning &w : warnings) {
            const ClockChange &c = w.change;
            out += "  Canal " + std::to_string(w.bell.channel) + " a las " + w.bell.time + ": el " +
                   dateText(c);
            if (c.skipped)
                out += " esa hora no existe (el reloj salta de " + clockText(c.fromSecond) + " a " +
                       clockText(c.toSecond) + "): ese día no suena.\n";
            else
                out += " esa hora pasa dos veces (el reloj vuelve de " + clockText(c.toSecond) +
                       " a " + clockText(c.fromSecond) + "): ese día suena dos veces.\n";
        }
    }

    out += "Resumen: " + std::to_string(analysis.bells.size()) + " líneas con timbre";
    out +=
        silent == 0 ? ", todas suenan.\n" : "; " + std::to_string(silent) + " no suenan nunca.\n";
    return out;
}
