// Whole-row steps of the resampling engine with SSE2: the vertical passes of
// modes 0 and 2 over cached rows, and the horizontal passes of exact halving
// and doubling. Sixteen bytes per step, then pixel by pixel with 32-bit
// loads, so no row is read or written past its last pixel.
#include <emmintrin.h>

#include <cstring>

#include "resample/ResampleFrame.h"

namespace VelImageUtility {

namespace {

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i LoadPixel(const uint8_t* p) {
    int32_t pixel;
    std::memcpy(&pixel, p, 4);
    return _mm_cvtsi32_si128(pixel);
}
inline void StorePixel(uint8_t* p, __m128i v) {
    const int32_t pixel = _mm_cvtsi128_si32(v);
    std::memcpy(p, &pixel, 4);
}

// Per byte floor((a + b) / 2): the rounded-up average less the lost half.
inline __m128i FloorMean(__m128i a, __m128i b) {
    const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
    return _mm_sub_epi8(_mm_avg_epu8(a, b), odd);
}

// Per byte a + ((b - a) * fraction >> 7) with an arithmetic shift, in 16-bit
// lanes like the bilinear row.
inline __m128i Interpolate7(__m128i a, __m128i b, __m128i fractions) {
    const __m128i zero = _mm_setzero_si128();
    auto half = [&](__m128i a16, __m128i b16) {
        return _mm_add_epi16(a16, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(b16, a16), fractions), 7));
    };
    return _mm_packus_epi16(half(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)),
                            half(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)));
}

// Per byte floor((a + b + c + d) / 4) from 16-bit sums.
inline __m128i MeanOfFour(__m128i a, __m128i b, __m128i c, __m128i d) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)),
                                      _mm_add_epi16(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi8(d, zero)));
    const __m128i high = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)),
                                       _mm_add_epi16(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi8(d, zero)));
    return _mm_packus_epi16(_mm_srli_epi16(low, 2), _mm_srli_epi16(high, 2));
}

// Runs `step` over `count` pixels of rows a and b: four pixels at a time,
// then one at a time.
template <typename Step>
inline void OverTwoRows(const uint8_t* a, const uint8_t* b, int32_t count, uint8_t* out, Step step) {
    int32_t x = 0;
    for (; x + 4 <= count; x += 4) Store(out + 4 * x, step(Load(a + 4 * x), Load(b + 4 * x)));
    for (; x < count; ++x) StorePixel(out + 4 * x, step(LoadPixel(a + 4 * x), LoadPixel(b + 4 * x)));
}

// The even and the odd pixels of eight (two vectors of four), picked as
// 32-bit lanes by the single-precision shuffle.
inline void SplitPairs(__m128i first, __m128i second, __m128i* even, __m128i* odd) {
    const __m128 a = _mm_castsi128_ps(first);
    const __m128 b = _mm_castsi128_ps(second);
    *even = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    *odd = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

}  // namespace

void MeanOfTwoRows_Sse2(const uint8_t* a, const uint8_t* b, int32_t count, uint8_t* out) {
    OverTwoRows(a, b, count, out, FloorMean);
}

void InterpolateRows_Sse2(const uint8_t* upper, const uint8_t* lower, int32_t fraction,
                          int32_t count, uint8_t* out) {
    if (fraction == 64) {  // a + ((b - a) * 64 >> 7) is floor((a + b) / 2)
        MeanOfTwoRows_Sse2(upper, lower, count, out);
        return;
    }
    const __m128i fractions = _mm_set1_epi16(static_cast<int16_t>(fraction));
    OverTwoRows(upper, lower, count, out,
                [&](__m128i a, __m128i b) { return Interpolate7(a, b, fractions); });
}

void MeanOfFourRows_Sse2(const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d,
                         int32_t count, uint8_t* out) {
    int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        const size_t i = 4 * static_cast<size_t>(x);
        Store(out + i, MeanOfFour(Load(a + i), Load(b + i), Load(c + i), Load(d + i)));
    }
    for (; x < count; ++x) {
        const size_t i = 4 * static_cast<size_t>(x);
        StorePixel(out + i, MeanOfFour(LoadPixel(a + i), LoadPixel(b + i), LoadPixel(c + i), LoadPixel(d + i)));
    }
}

void EveryOtherPixel_Sse2(const uint8_t* row, int32_t count, uint8_t* out) {
    int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        __m128i even, odd;
        SplitPairs(Load(row + 8 * x), Load(row + 8 * x + 16), &even, &odd);
        Store(out + 4 * x, even);
    }
    for (; x < count; ++x) std::memcpy(out + 4 * x, row + 8 * x, 4);
}

void MeanOfPixelPairs_Sse2(const uint8_t* row, int32_t count, uint8_t* out) {
    int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        __m128i even, odd;
        SplitPairs(Load(row + 8 * x), Load(row + 8 * x + 16), &even, &odd);
        Store(out + 4 * x, FloorMean(even, odd));
    }
    for (; x < count; ++x) StorePixel(out + 4 * x, FloorMean(LoadPixel(row + 8 * x), LoadPixel(row + 8 * x + 4)));
}

void MeanOfPixelQuads_Sse2(const uint8_t* upper, const uint8_t* lower, int32_t count,
                           uint8_t* out) {
    // floor((a + b) / 2) is the complement of the rounded-up average of the
    // complements, so the three means run on complemented bytes throughout.
    const __m128i ones = _mm_set1_epi8(-1);
    auto complemented = [&](const uint8_t* p) { return _mm_xor_si128(Load(p), ones); };
    int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        __m128i upperEven, upperOdd, lowerEven, lowerOdd;
        SplitPairs(complemented(upper + 8 * x), complemented(upper + 8 * x + 16), &upperEven, &upperOdd);
        SplitPairs(complemented(lower + 8 * x), complemented(lower + 8 * x + 16), &lowerEven, &lowerOdd);
        const __m128i mean = _mm_avg_epu8(_mm_avg_epu8(upperEven, upperOdd), _mm_avg_epu8(lowerEven, lowerOdd));
        Store(out + 4 * x, _mm_xor_si128(mean, ones));
    }
    for (; x < count; ++x) {
        const __m128i above = FloorMean(LoadPixel(upper + 8 * x), LoadPixel(upper + 8 * x + 4));
        const __m128i below = FloorMean(LoadPixel(lower + 8 * x), LoadPixel(lower + 8 * x + 4));
        StorePixel(out + 4 * x, FloorMean(above, below));
    }
}

void RepeatEachPixel_Sse2(const uint8_t* row, int32_t count, uint8_t* out) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i pixels = Load(row + 4 * i);
        Store(out + 8 * i, _mm_unpacklo_epi32(pixels, pixels));
        Store(out + 8 * i + 16, _mm_unpackhi_epi32(pixels, pixels));
    }
    for (; i < count; ++i) {
        std::memcpy(out + 8 * i, row + 4 * i, 4);
        std::memcpy(out + 8 * i + 4, row + 4 * i, 4);
    }
}

void PixelsAndMeans_Sse2(const uint8_t* row, int32_t count, uint8_t* out) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {  // reads pixels i .. i + 4 of count + 1
        const __m128i pixels = Load(row + 4 * i);
        const __m128i means = FloorMean(pixels, Load(row + 4 * i + 4));
        Store(out + 8 * i, _mm_unpacklo_epi32(pixels, means));
        Store(out + 8 * i + 16, _mm_unpackhi_epi32(pixels, means));
    }
    for (; i < count; ++i) {
        std::memcpy(out + 8 * i, row + 4 * i, 4);
        StorePixel(out + 8 * i + 4, FloorMean(LoadPixel(row + 4 * i), LoadPixel(row + 4 * i + 4)));
    }
}

}  // namespace VelImageUtility
