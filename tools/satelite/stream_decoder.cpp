#include "tools/satelite/stream_decoder.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace {

enum class Match { None, Partial, Frame, Close };

// Tests a prefix with the project's decoder by completing it with zero digits,
// which every position accepts whatever the digits before it are.
std::optional<DecodedFrame> decodeCompleted(std::span<const std::uint8_t> prefix)
{
    Frame candidate = {0x60, 0x50, 0x40, 0x30, 0x20, 0x10, 0x70};
    const std::size_t n = std::min(prefix.size(), candidate.size());
    std::copy_n(prefix.begin(), n, candidate.begin());
    // Keep the parity right, should the decoder ever check it.
    if (n < 7)
        candidate[6] = static_cast<std::uint8_t>(0x70 | (candidate[5] & 1));
    return decodeFrame(candidate);
}

bool isClosingPrefix(std::span<const std::uint8_t> bytes)
{
    const std::size_t n = std::min(bytes.size(), closingString.size());
    for (std::size_t i = 0; i < n; ++i)
        if (bytes[i] != static_cast<std::uint8_t>(closingString[i]))
            return false;
    return true;
}

Match matchAt(std::span<const std::uint8_t> rest, DecodedFrame &frame)
{
    if (auto decoded = decodeCompleted(rest)) {
        if (rest.size() < 7)
            return Match::Partial;
        frame = *decoded;
        return Match::Frame;
    }
    if (isClosingPrefix(rest))
        return rest.size() < closingString.size() ? Match::Partial : Match::Close;
    return Match::None;
}

} // namespace

std::vector<StreamDecoder::Token> StreamDecoder::feed(std::span<const std::uint8_t> bytes)
{
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    std::vector<Token> out;
    std::vector<std::uint8_t> noise;
    auto flushNoise = [&] {
        if (!noise.empty())
            out.push_back({Token::Kind::Noise, std::exchange(noise, {}), {}});
    };

    std::size_t pos = 0;
    while (pos < pending_.size()) {
        const std::span<const std::uint8_t> rest(pending_.data() + pos, pending_.size() - pos);
        DecodedFrame frame;
        const Match match = matchAt(rest, frame);
        if (match == Match::Partial)
            break;
        if (match == Match::None) {
            noise.push_back(rest[0]);
            ++pos;
            continue;
        }
        flushNoise();
        const std::size_t length = match == Match::Frame ? 7 : closingString.size();
        out.push_back({match == Match::Frame ? Token::Kind::Frame : Token::Kind::Close,
                       {rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(length)},
                       frame});
        pos += length;
    }
    flushNoise();
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
    return out;
}

std::vector<StreamDecoder::Token> StreamDecoder::flush()
{
    if (pending_.empty())
        return {};
    return {{Token::Kind::Noise, std::exchange(pending_, {}), {}}};
}
