// The frame codec both ways. Input: seven bytes read as a frame; when they decode,
// encoding the result gives them back (the parity bit as the seconds make it).
// Every input also picks a valid time and fire bits whose frame must decode to them.
#include "bells/frame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

void checkDecodedBytes(const Frame &bytes)
{
    const auto decoded = decodeFrame(bytes);
    if (!decoded)
        return;
    const bool secondsOdd = (decoded->time[7] - '0') % 2 != 0;
    Frame expected = bytes;
    expected[6] = static_cast<std::uint8_t>((bytes[6] & ~1u) | (secondsOdd ? 1u : 0u));
    if (encodeFrame(decoded->time, decoded->fire) != expected ||
        decoded->parity != ((bytes[6] & 1) != 0))
        __builtin_trap();
}

void checkEncodedTime(const Frame &bytes)
{
    const unsigned secondOfDay =
        (unsigned(bytes[0]) | unsigned(bytes[1]) << 8 | unsigned(bytes[2]) << 16) % 86400;
    char time[16];
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60);
    const FireFlags fire{(bytes[3] & 1) != 0, (bytes[3] & 2) != 0, (bytes[3] & 4) != 0};
    const auto encoded = encodeFrame(time, fire);
    if (!encoded || decodeFrame(*encoded) != DecodedFrame{time, secondOfDay % 2 != 0, fire})
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 7)
        return 0;
    Frame bytes;
    std::copy_n(data, bytes.size(), bytes.begin());
    checkDecodedBytes(bytes);
    checkEncodedTime(bytes);
    return 0;
}
