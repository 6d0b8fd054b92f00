#include <emmintrin.h>

#include "argb/ArgbColourConversionKernels.h"
#include "services/ColourConversion_sse2.h"

namespace VelImageUtility {

namespace {
inline __m128i LoadFourPixels(const uint8_t* from) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
}

// Bytes 0..15 of the result are lane 0 of `a`, then `b`, `c` and `d`, each
// 32-bit lane saturated to 0..255.
inline __m128i PackLanesToBytes(__m128i a, __m128i b, __m128i c, __m128i d) {
    return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
}

inline void StoreSixteenBytes(uint8_t* to, __m128i bytes) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes);
}
}  // namespace

// 4 pixels per step.
void ConvertToAYUVRow_Sse2(const uint8_t* argb, uint8_t* ayuv, int32_t width) {
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        StoreSixteenBytes(ayuv + 4 * x, ArgbToAyuv4_Sse2(LoadFourPixels(argb + 4 * x)));
    }
    ConvertToAYUVRow_Plain(argb + 4 * x, ayuv + 4 * x, width - x);
}

// 16 pixels per step, so that each step stores one whole vector of luma.
void ConvertToLumaRow_Sse2(const uint8_t* argb, uint8_t* luma, int32_t width) {
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const uint8_t* from = argb + 4 * x;
        StoreSixteenBytes(luma + x, PackLanesToBytes(ArgbToLuma4_Sse2(LoadFourPixels(from)),
                                                     ArgbToLuma4_Sse2(LoadFourPixels(from + 16)),
                                                     ArgbToLuma4_Sse2(LoadFourPixels(from + 32)),
                                                     ArgbToLuma4_Sse2(LoadFourPixels(from + 48))));
    }
    ConvertToLumaRow_Plain(argb + 4 * x, 4, luma + x, 1, width - x);
}

// 16 pixels per step, one whole vector into each plane.
void ConvertToHSLPlanesRow_Sse2(const uint8_t* argb, uint8_t* h, uint8_t* s, uint8_t* l,
                                int32_t width) {
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const uint8_t* from = argb + 4 * x;
        HslLanes quarter[4];
        for (int32_t i = 0; i < 4; ++i) quarter[i] = ArgbToHsl4_Sse2(LoadFourPixels(from + 16 * i));
        auto bytes = [&](__m128i HslLanes::*component) {
            return PackLanesToBytes(_mm_srli_epi32(quarter[0].*component, 8),
                                    _mm_srli_epi32(quarter[1].*component, 8),
                                    _mm_srli_epi32(quarter[2].*component, 8),
                                    _mm_srli_epi32(quarter[3].*component, 8));
        };
        StoreSixteenBytes(h + x, bytes(&HslLanes::h));
        StoreSixteenBytes(s + x, bytes(&HslLanes::s));
        StoreSixteenBytes(l + x, bytes(&HslLanes::l));
    }
    ConvertToHSLPlanesRow_Plain(argb + 4 * x, h + x, s + x, l + x, width - x);
}

}  // namespace VelImageUtility
