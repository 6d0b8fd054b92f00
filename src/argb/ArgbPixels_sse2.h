// Helpers for SSE2 kernels on ARGB pixels, one pixel per 32-bit lane;
// included only by *_sse2.cpp files.
#pragma once

#include <emmintrin.h>

namespace VelImageUtility {

// Blue, green and red from `colours`, alpha from `old`.
inline __m128i WithAlphaOf(__m128i colours, __m128i old) {
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    return _mm_or_si128(_mm_and_si128(colours, colourMask), _mm_andnot_si128(colourMask, old));
}

// Byte 0 of each lane repeated into bytes 0, 1 and 2; bytes 1 to 3 of
// `lowBytes` must be 0.
inline __m128i GreyFromLowBytes(__m128i lowBytes) {
    return _mm_or_si128(_mm_or_si128(lowBytes, _mm_slli_epi32(lowBytes, 8)), _mm_slli_epi32(lowBytes, 16));
}

}  // namespace VelImageUtility
