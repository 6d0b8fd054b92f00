#include <emmintrin.h>

#include "argb/ArgbPixels_sse2.h"
#include "argb/ChannelMedian.h"

namespace VelImageUtility {

namespace {
inline __m128i Load(const uint8_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }

inline __m128i Middle(__m128i a, __m128i b, __m128i c) {
    return _mm_max_epu8(_mm_min_epu8(a, b), _mm_min_epu8(_mm_max_epu8(a, b), c));
}

// One column of a 3 x 3 window, sorted byte by byte.
struct Column {
    __m128i low, middle, high;
};
inline Column SortedColumn(const uint8_t* const* rows, int32_t offset) {
    const __m128i a = Load(rows[0] + offset), b = Load(rows[1] + offset), c = Load(rows[2] + offset);
    const __m128i lower = _mm_min_epu8(a, b), upper = _mm_max_epu8(a, b);
    const __m128i other = _mm_max_epu8(lower, c);
    return {_mm_min_epu8(lower, c), _mm_min_epu8(upper, other), _mm_max_epu8(upper, other)};
}

// The median of nine is the middle of three: the largest column minimum,
// the middle column middle and the smallest column maximum.
inline __m128i Median3x3(const uint8_t* const* rows, int32_t offset) {
    const Column left = SortedColumn(rows, offset - 4);
    const Column centre = SortedColumn(rows, offset);
    const Column right = SortedColumn(rows, offset + 4);
    const __m128i lows = _mm_max_epu8(_mm_max_epu8(left.low, centre.low), right.low);
    const __m128i highs = _mm_min_epu8(_mm_min_epu8(left.high, centre.high), right.high);
    return Middle(lows, Middle(left.middle, centre.middle, right.middle), highs);
}

// The median of 25 bit by bit from the top: a bit stays set when at least
// 13 samples reach the value with it set.
inline __m128i Median5x5(const uint8_t* const* rows, int32_t offset) {
    __m128i samples[25];
    for (int32_t row = 0; row < 5; ++row) {
        for (int32_t column = 0; column < 5; ++column) samples[5 * row + column] = Load(rows[row] + offset + 4 * (column - 2));
    }
    __m128i median = _mm_setzero_si128();
    for (int32_t bit = 7; bit >= 0; --bit) {
        const __m128i candidate = _mm_or_si128(median, _mm_set1_epi8(static_cast<char>(1 << bit)));
        __m128i reaching = _mm_setzero_si128();
        for (const __m128i& sample : samples) {
            reaching = _mm_sub_epi8(reaching, _mm_cmpeq_epi8(_mm_max_epu8(sample, candidate), sample));
        }
        median = _mm_or_si128(median, _mm_and_si128(_mm_cmpgt_epi8(reaching, _mm_set1_epi8(12)),
                                                    _mm_xor_si128(candidate, median)));
    }
    return median;
}
}  // namespace

// Pixels whose whole window lies inside the row go four at a time; the
// rest by the plain rule.
void SmallMedianRow_Sse2(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t width) {
    int32_t x = radius;
    for (; x + 3 + radius < width; x += 4) {
        __m128i* to = reinterpret_cast<__m128i*>(out + 4 * x);
        const __m128i median = radius == 1 ? Median3x3(rows, 4 * x) : Median5x5(rows, 4 * x);
        _mm_storeu_si128(to, WithAlphaOf(median, _mm_loadu_si128(to)));
    }
    for (int32_t rest = x; rest < width; ++rest) SmallMedianPixel_Plain(rows, radius, out, rest, width);
    for (int32_t edge = 0; edge < radius && edge < width; ++edge) SmallMedianPixel_Plain(rows, radius, out, edge, width);
}

}  // namespace VelImageUtility
