// Helpers for SSE2 kernels on ARGB pixels, one pixel per 32-bit lane;
// included only by *_sse2.cpp files.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace VelImageUtility {

// Blue, green and red from `colours`, alpha from `old`.
inline __m128i WithAlphaOf(__m128i colours, __m128i old) {
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    return _mm_or_si128(_mm_and_si128(colours, colourMask), _mm_andnot_si128(colourMask, old));
}

// Walks a 1-byte plane row beside a row of 4-byte pixels, 16 at a time:
// each plane byte is repeated into the four bytes of its pixel's lane, and
// combine(pixels, repeated) is stored over those pixels. Returns the
// pixels done, width - width % 16.
template <typename Combine>
int32_t CombineWithPlaneBytes16(const uint8_t* plane, uint8_t* argb, int32_t width, Combine combine) {
    auto apply = [&](uint8_t* to, __m128i repeated) {
        __m128i* pixels = reinterpret_cast<__m128i*>(to);
        _mm_storeu_si128(pixels, combine(_mm_loadu_si128(pixels), repeated));
    };
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plane + x));
        const __m128i low = _mm_unpacklo_epi8(values, values);
        const __m128i high = _mm_unpackhi_epi8(values, values);
        uint8_t* to = argb + 4 * x;
        apply(to, _mm_unpacklo_epi16(low, low));
        apply(to + 16, _mm_unpackhi_epi16(low, low));
        apply(to + 32, _mm_unpacklo_epi16(high, high));
        apply(to + 48, _mm_unpackhi_epi16(high, high));
    }
    return x;
}

// Eight grey pixels from the values 0..255 in the 32-bit lanes of `first`
// and `second`: each value goes into blue, green and red, beside the alpha
// of the old pixel. Packed to 16-bit words and paired as (v, v), one
// multiply by (0x0101, 0x0001) spreads v into three bytes.
inline void StoreGreyPixels8(uint8_t* to, __m128i first, __m128i second, __m128i oldFirst, __m128i oldSecond) {
    const __m128i words = _mm_packs_epi32(first, second);
    const __m128i spread = _mm_set1_epi32(0x00010101);
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m128i greyFirst = _mm_mullo_epi16(_mm_unpacklo_epi16(words, words), spread);
    const __m128i greySecond = _mm_mullo_epi16(_mm_unpackhi_epi16(words, words), spread);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_or_si128(greyFirst, _mm_and_si128(oldFirst, alphaMask)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16), _mm_or_si128(greySecond, _mm_and_si128(oldSecond, alphaMask)));
}

}  // namespace VelImageUtility
