#include "tools/satelite/event_text.h"

#include <cstdio>

namespace {

std::string fireBits(const FireFlags &fire)
{
    std::string bits;
    for (bool f : fire)
        bits += f ? '1' : '0';
    return bits;
}

std::string firingChannels(const FireFlags &fire)
{
    std::string text;
    for (int c = 0; c < 3; ++c)
        if (fire[c])
            text += (text.empty() ? "" : " ") + std::to_string(c + 1);
    return text.empty() ? "ninguno" : text;
}

} // namespace

std::string hexBytes(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (std::uint8_t b : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, "%02X", b);
        if (!text.empty())
            text += ' ';
        text += two;
    }
    return text;
}

std::string eventLine(const LineEvent &e)
{
    using K = LineEvent::Kind;
    switch (e.kind) {
    case K::Frame:
        return "FRAME " + e.frame.time + ' ' + fireBits(e.frame.fire) + ' ' + hexBytes(e.bytes);
    case K::Close:
        return "CLOSE";
    case K::Noise:
        return "NOISE " + hexBytes(e.bytes);
    case K::Gap:
        return "GAP " + std::to_string(e.ms);
    case K::Jump:
        return "JUMP " + e.time + ' ' + e.previousTime;
    case K::Count:
        return "COUNT " + e.time + ' ' + std::to_string(e.count);
    case K::Parity:
        return "PARITY " + e.frame.time;
    case K::Ring:
        return "RING " + std::to_string(e.channel);
    case K::Quiet:
        return "QUIET " + std::to_string(e.channel);
    }
    return {};
}

std::string describeEvent(const LineEvent &e)
{
    using K = LineEvent::Kind;
    switch (e.kind) {
    case K::Frame:
        return "Trama " + e.frame.time + "  disparo: " + firingChannels(e.frame.fire) + "  [" +
               hexBytes(e.bytes) + "]";
    case K::Close:
        return "Cadena de cierre: el maestro apaga la línea";
    case K::Noise:
        return "Ruido fuera de trama (" + std::to_string(e.bytes.size()) +
               " bytes): " + hexBytes(e.bytes);
    case K::Gap:
        return "Silencio de " + std::to_string(e.ms) + " ms";
    case K::Jump:
        return "Salto de hora: de " + e.previousTime + " a " + e.time;
    case K::Count:
        return "El segundo " + e.time + " trajo " + std::to_string(e.count) +
               (e.count == 1 ? " trama" : " tramas") + " en vez de dos";
    case K::Parity:
        return "Bit de paridad erróneo en la trama de las " + e.frame.time;
    case K::Ring:
        return "Suena el canal " + std::to_string(e.channel);
    case K::Quiet:
        return "Calla el canal " + std::to_string(e.channel);
    }
    return {};
}
