// The per-colour conversion rules: RGB to and from the fixed-point
// hue-saturation-lightness scale and studio-range BT.601 YUV, and Clamp.
// Pure inline functions, so that pixel loops of every image type can call
// them per pixel.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// max(lo, min(hi, x)) with signed comparisons; lo wins when lo > hi.
inline int32_t Clamp(int32_t x, int32_t lo, int32_t hi) {
    const int32_t upper = x < hi ? x : hi;
    return upper > lo ? upper : lo;
}

// ---- Hue, saturation, lightness ----

// Hue, saturation and lightness run from 0 to kHlsMax; the bytes handed out
// are those values shifted right by 8 (so kHlsMax becomes 255).
constexpr int32_t kHlsMax = 65532;
constexpr int32_t kHlsHalf = 32766;        // lightness midpoint and rounding term
constexpr int32_t kHueSixth = 10922;       // 60 degrees
constexpr int32_t kHueTwelfth = 5461;      // rounding term for a sixth
constexpr int32_t kHueThird = 21844;       // 120 degrees
constexpr int32_t kHueTwoThirds = 43688;   // 240 degrees; also the hue of greys
constexpr int32_t kRgbMaxTwice = 510;      // denominator of the lightness

struct HslBytes {
    uint8_t h, s, l;
};

struct RgbBytes {
    uint8_t r, g, b;
};

// Full-scale hue, saturation and lightness of one colour, before the bytes
// are taken; the vector form of this rule is tested against it.
struct HslValues {
    int32_t h, s, l;
};

inline HslValues RgbToHslFullScale(int32_t r, int32_t g, int32_t b) {
    const int32_t cMax = r > g ? (r > b ? r : b) : (g > b ? g : b);
    const int32_t cMin = r < g ? (r < b ? r : b) : (g < b ? g : b);
    const int32_t sum = cMax + cMin;
    const int32_t d = cMax - cMin;
    HslValues out;
    out.l = (sum * kHlsMax + 255) / kRgbMaxTwice;
    if (d == 0) {
        out.s = 0;
        out.h = kHueTwoThirds;
        return out;
    }
    const int32_t saturationBase = out.l <= kHlsHalf ? sum : kRgbMaxTwice - sum;
    out.s = (d * kHlsMax + saturationBase / 2) / saturationBase;
    // Ties go to red first, then green.
    int32_t h;
    if (r == cMax) {
        h = ((g - b) * kHueSixth + d / 2) / d;
    } else if (g == cMax) {
        h = ((b - r) * kHueSixth + d / 2) / d + kHueThird;
    } else {
        h = ((r - g) * kHueSixth + d / 2) / d + kHueTwoThirds;
    }
    if (h < 0) h += kHlsMax;
    if (h > kHlsMax) h -= kHlsMax;
    out.h = h;
    return out;
}

inline HslBytes RgbToHsl(uint8_t r, uint8_t g, uint8_t b) {
    const HslValues full = RgbToHslFullScale(r, g, b);
    return HslBytes{static_cast<uint8_t>(full.h >> 8), static_cast<uint8_t>(full.s >> 8),
                    static_cast<uint8_t>(full.l >> 8)};
}

// One colour component on the full scale from the two lightness bounds and
// a hue (any value within one turn either side of the circle).
inline int64_t HueToRgb(int64_t m1, int64_t m2, int64_t hue) {
    if (hue < 0) hue += kHlsMax;
    if (hue > kHlsMax) hue -= kHlsMax;
    if (hue < kHueSixth) return m1 + ((m2 - m1) * hue + kHueTwelfth) / kHueSixth;
    if (hue < kHlsHalf) return m2;
    if (hue < kHueTwoThirds) return m1 + ((m2 - m1) * (kHueTwoThirds - hue) + kHueTwelfth) / kHueSixth;
    return m1;
}

// L x (S + kHlsMax) and L x S reach 2^32, so the products are 64 bits wide.
inline RgbBytes HslToRgb(uint8_t h, uint8_t s, uint8_t l) {
    const int64_t hue = int64_t{h} << 8;
    const int64_t saturation = int64_t{s} << 8;
    const int64_t lightness = int64_t{l} << 8;
    if (saturation == 0) {
        const uint8_t grey = static_cast<uint8_t>(lightness * 255 / kHlsMax);
        return RgbBytes{grey, grey, grey};
    }
    int64_t m2 = lightness < kHlsHalf + 1
                     ? (lightness * (saturation + kHlsMax) + kHlsHalf) / kHlsMax
                     : lightness + saturation - (lightness * saturation + kHlsHalf) / kHlsMax;
    int64_t m1 = 2 * lightness - m2;
    if (m1 < 0) {
        m1 += kHlsMax;
    } else if (m1 > kHlsMax) {
        m1 -= kHlsMax;
    }
    if (m2 < 0) {
        m2 += kHlsMax;
    } else if (m2 > kHlsMax) {
        m2 -= kHlsMax;
    }
    auto component = [&](int64_t componentHue) {
        return static_cast<uint8_t>((HueToRgb(m1, m2, componentHue) * 255 + kHlsHalf) / kHlsMax);
    };
    return RgbBytes{component(hue + kHueThird), component(hue), component(hue - kHueThird)};
}

// ---- Studio-range BT.601 YUV, coefficients in units of 1/4096 ----

constexpr int32_t kLumaOffset = 16 * 4096 + 2048;     // black level 16 plus rounding half
constexpr int32_t kChromaOffset = 128 * 4096 + 2048;  // chroma zero 128 plus rounding half
constexpr int32_t kRounding = 2048;

struct YuvValues {
    int32_t y, u, v;
};

struct RgbValues {
    int32_t r, g, b;
};

// The weighted sums wrap like the 32-bit arithmetic they are for inputs far
// outside 0..255, then shift arithmetically.
inline int32_t WeightedSum12(int32_t a, int32_t wa, int32_t b, int32_t wb, int32_t c, int32_t wc,
                             int32_t offset) {
    const uint32_t sum = static_cast<uint32_t>(a) * static_cast<uint32_t>(wa) +
                         static_cast<uint32_t>(b) * static_cast<uint32_t>(wb) +
                         static_cast<uint32_t>(c) * static_cast<uint32_t>(wc) +
                         static_cast<uint32_t>(offset);
    return static_cast<int32_t>(sum) >> 12;
}

// 16..235 for 8-bit inputs.
inline uint8_t RgbToLuma(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint8_t>((1053 * r + 2064 * g + 401 * b + kLumaOffset) >> 12);
}

// No clamping: inputs outside 0..255 give values outside 16..240.
inline YuvValues RgbToYuvWithOffsets(int32_t r, int32_t g, int32_t b, int32_t lumaOffset,
                                     int32_t chromaOffset) {
    return YuvValues{WeightedSum12(r, 1053, g, 2064, b, 401, lumaOffset),
                     WeightedSum12(r, -606, g, -1192, b, 1798, chromaOffset),
                     WeightedSum12(r, 1798, g, -1507, b, -291, chromaOffset)};
}

inline YuvValues RgbToYuv(int32_t r, int32_t g, int32_t b) {
    return RgbToYuvWithOffsets(r, g, b, kLumaOffset, kChromaOffset);
}

// Y without the black level, U and V signed around 0.
inline YuvValues RgbToYuvNoOffset(int32_t r, int32_t g, int32_t b) {
    return RgbToYuvWithOffsets(r, g, b, kRounding, kRounding);
}

// Not clamped: results may fall below 0 or above 255.
inline RgbValues YuvToRgb(int32_t y, int32_t u, int32_t v) {
    const int32_t luma = static_cast<int32_t>((static_cast<uint32_t>(y) - 16u) * 4768u);
    const int32_t blueDiff = static_cast<int32_t>(static_cast<uint32_t>(u) - 128u);
    const int32_t redDiff = static_cast<int32_t>(static_cast<uint32_t>(v) - 128u);
    return RgbValues{WeightedSum12(luma, 1, redDiff, 6537, 0, 0, kRounding),
                     WeightedSum12(luma, 1, blueDiff, -1602, redDiff, -3330, kRounding),
                     WeightedSum12(luma, 1, blueDiff, 8266, 0, 0, kRounding)};
}

}  // namespace VelImageUtility
