// The four source samples around one 16.16 position, shared by the plain
// and vector rows of the rotated draw.
#pragma once

#include <cstdint>
#include <cstring>

#include "services/RotatedDrawing.h"

namespace VelImageUtility {

// p[0] at (sx, sy), p[1] at (sx + 1, sy), p[2] at (sx, sy + 1), p[3] at
// (sx + 1, sy + 1); a sample outside the source is four zero bytes.
struct RotatedTaps {
    uint8_t p[4][4];
    int32_t fx, fy;
    int32_t inside;  // samples inside the source, 0..4
};

// The whole part of a 16.16 coordinate: its word read as signed, shifted
// arithmetically.
inline int32_t WholeSourcePixel(uint32_t coordinate) {
    const int32_t high = static_cast<int32_t>(coordinate >> 16);
    return high >= 0x8000 ? high - 0x10000 : high;
}

// False when no sample lies inside the source. No address outside the
// source is formed.
inline bool GatherRotatedTaps(const RotatedSource& source, uint32_t u, uint32_t v,
                              RotatedTaps* taps) {
    const int32_t sx = WholeSourcePixel(u);
    const int32_t sy = WholeSourcePixel(v);
    taps->fx = static_cast<int32_t>(u & 0xFFFFu);
    taps->fy = static_cast<int32_t>(v & 0xFFFFu);
    // Most positions have all four samples inside: two 8-byte reads.
    if (static_cast<uint32_t>(sx) < static_cast<uint32_t>(source.width - 1) &&
        static_cast<uint32_t>(sy) < static_cast<uint32_t>(source.height - 1)) {
        const uint8_t* at = source.data + static_cast<intptr_t>(sy) * source.stride + 4 * static_cast<intptr_t>(sx);
        std::memcpy(taps->p, at, 8);
        std::memcpy(taps->p + 2, at + source.stride, 8);
        taps->inside = 4;
        return true;
    }
    const bool columns[2] = {static_cast<uint32_t>(sx) < static_cast<uint32_t>(source.width),
                             static_cast<uint32_t>(sx + 1) < static_cast<uint32_t>(source.width)};
    const bool rows[2] = {static_cast<uint32_t>(sy) < static_cast<uint32_t>(source.height),
                          static_cast<uint32_t>(sy + 1) < static_cast<uint32_t>(source.height)};
    if (!(columns[0] || columns[1]) || !(rows[0] || rows[1])) return false;
    taps->inside = 0;
    for (int32_t r = 0; r < 2; ++r) {
        const uint8_t* line =
            rows[r] ? source.data + static_cast<intptr_t>(sy + r) * source.stride : nullptr;
        for (int32_t c = 0; c < 2; ++c) {
            uint8_t* tap = taps->p[2 * r + c];
            if (rows[r] && columns[c]) {
                std::memcpy(tap, line + 4 * static_cast<intptr_t>(sx + c), 4);
                ++taps->inside;
            } else {
                std::memset(tap, 0, 4);
            }
        }
    }
    return true;
}

}  // namespace VelImageUtility
