// Per-value blend rules shared by the images that combine a blend layer into
// a base one channel value at a time (Byte planes, ARGB colour channels).
#pragma once

#include <cstdint>

namespace VelImageUtility {

// 255 where the blend value is 255, else min(base * 256 / (255 - blend), 255).
inline uint8_t ColorDodgeValue(int32_t base, int32_t blend) {
    if (blend == 255) return 255;
    const int32_t value = (base * 256) / (255 - blend);
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

}  // namespace VelImageUtility
