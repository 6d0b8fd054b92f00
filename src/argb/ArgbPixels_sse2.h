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
