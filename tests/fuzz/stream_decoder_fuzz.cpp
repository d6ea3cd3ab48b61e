// The satellite's stream decoder must not depend on how reads cut the stream.
// Input: four bytes that choose two cutting points, then the stream. The stream
// fed whole and fed in three reads must give the same frames, closings and noise
// (noise told in one piece or in several), and lose or invent no byte.
#include "tools/satelite/stream_decoder.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace {

using Token = StreamDecoder::Token;

// The tokens of the stream fed in three reads, noise next to noise joined.
std::vector<Token> decode(std::span<const std::uint8_t> stream, std::size_t cut1, std::size_t cut2)
{
    StreamDecoder decoder;
    std::vector<Token> all;
    for (auto more :
         {decoder.feed(stream.first(cut1)), decoder.feed(stream.subspan(cut1, cut2 - cut1)),
          decoder.feed(stream.subspan(cut2)), decoder.flush()})
        for (Token &t : more) {
            if (t.kind == Token::Kind::Noise && !all.empty() && all.back().kind == t.kind)
                all.back().bytes.insert(all.back().bytes.end(), t.bytes.begin(), t.bytes.end());
            else
                all.push_back(std::move(t));
        }
    if (decoder.hasPending())
        __builtin_trap();
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::span<const std::uint8_t> stream(data + 4, size - 4);
    // A cut point from 0 to the stream's length (size - 4) inclusive.
    const auto cut = [&](int i) { return (data[i] | std::size_t(data[i + 1]) << 8) % (size - 3); };
    const auto [cut1, cut2] = std::minmax({cut(0), cut(2)});
    const auto whole = decode(stream, stream.size(), stream.size());
    const auto pieces = decode(stream, cut1, cut2);
    // Every byte once, in order; a frame token is seven bytes that decode to its frame.
    std::vector<std::uint8_t> joined;
    for (const Token &t : whole) {
        if (t.bytes.empty() ||
            (t.kind == Token::Kind::Frame &&
             (t.bytes.size() != 7 ||
              decodeFrame(std::span<const std::uint8_t, 7>(t.bytes.data(), 7)) != t.frame)))
            __builtin_trap();
        joined.insert(joined.end(), t.bytes.begin(), t.bytes.end());
    }
    const auto same = [](const Token &a, const Token &b) {
        return a.kind == b.kind && a.bytes == b.bytes && a.frame == b.frame;
    };
    if (joined != std::vector(stream.begin(), stream.end()) ||
        !std::equal(whole.begin(), whole.end(), pieces.begin(), pieces.end(), same))
        __builtin_trap();
    return 0;
}
