// Mode 0 row of the resampling engine with SSE2: two destination pixels per
// step in signed 16-bit lanes, the same arithmetic as the plain row.
#include <emmintrin.h>

#include "resample/Resample.h"

namespace VelImageUtility {

namespace {

// a + ((b - a) * f >> 7) per 16-bit lane. |b - a| <= 255 and f <= 127, so
// the product fits 16 bits and the shift is arithmetic like the plain rule.
inline __m128i Interpolate7(__m128i a, __m128i b, __m128i fractions) {
    return _mm_add_epi16(a, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(b, a), fractions), 7));
}

// The first pixel's fraction in lanes 0..3, the second's in lanes 4..7.
inline __m128i PairFractions(int32_t first, int32_t second) {
    const __m128i both = _mm_cvtsi32_si128(first | (second << 16));
    const __m128i doubled = _mm_unpacklo_epi16(both, both);
    return _mm_unpacklo_epi32(doubled, doubled);
}

// Horizontal interpolation of two pixels: each pointer is a left source
// pixel, read together with its right neighbour (8 bytes).
inline __m128i InterpolatePair(const uint8_t* first, const uint8_t* second, __m128i fractions) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i firstPair =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)), zero);
    const __m128i secondPair =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(second)), zero);
    const __m128i left = _mm_unpacklo_epi64(firstPair, secondPair);
    const __m128i right = _mm_unpackhi_epi64(firstPair, secondPair);
    return Interpolate7(left, right, fractions);
}

}  // namespace

void ResampleBilinearRow_Sse2(const uint8_t* upper, const uint8_t* lower,
                              int32_t verticalFraction, const uint32_t* entries, int32_t width,
                              uint8_t* destination) {
    const __m128i verticalFractions = _mm_set1_epi16(static_cast<int16_t>(verticalFraction));
    size_t column = 0;  // byte offset of the last left source pixel used
    int32_t x = 0;
    for (; x + 2 <= width; x += 2) {  // 2 pixels per step
        const uint32_t firstEntry = entries[x];
        const uint32_t secondEntry = entries[x + 1];
        const size_t first = column + 4 * static_cast<size_t>(LeftDelta(firstEntry));
        const size_t second = first + 4 * static_cast<size_t>(LeftDelta(secondEntry));
        column = second;
        const __m128i fractions =
            PairFractions(StepFraction(firstEntry), StepFraction(secondEntry));
        __m128i value = InterpolatePair(upper + first, upper + second, fractions);
        if (verticalFraction != 0) {
            const __m128i below = InterpolatePair(lower + first, lower + second, fractions);
            value = Interpolate7(value, below, verticalFractions);
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(destination + 4 * static_cast<size_t>(x)),
                         _mm_packus_epi16(value, value));
    }
    if (x < width) {
        ResampleBilinearRow_Plain(upper + column, verticalFraction != 0 ? lower + column : nullptr,
                                  verticalFraction, entries + x, width - x,
                                  destination + 4 * static_cast<size_t>(x));
    }
}

}  // namespace VelImageUtility
