// The frame codec both ways. Input: seven bytes read as a frame; when they decode,
// encoding the result gives them back (the parity bit as the seconds make it).
// The first four bytes also pick a valid time and fire bits whose frame must decode
// to them.
#include "bells/frame.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 7)
        return 0;
    Frame bytes;
    std::copy_n(data, bytes.size(), bytes.begin());
    if (const auto decoded = decodeFrame(bytes)) {
        Frame expected = bytes;
        expected[6] = std::uint8_t((bytes[6] & ~1u) | unsigned(decoded->time[7] - '0') % 2);
        if (encodeFrame(decoded->time, decoded->fire) != expected ||
            decoded->parity != ((bytes[6] & 1) != 0))
            __builtin_trap();
    }
    const unsigned second = (data[0] | unsigned(data[1]) << 8 | unsigned(data[2]) << 16) % 86400;
    char time[16];
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", second / 3600, second / 60 % 60,
                  second % 60);
    const FireFlags fire{(data[3] & 1) != 0, (data[3] & 2) != 0, (data[3] & 4) != 0};
    const auto encoded = encodeFrame(time, fire);
    if (!encoded || decodeFrame(*encoded) != DecodedFrame{time, second % 2 != 0, fire})
        __builtin_trap();
    return 0;
}
