#include <emmintrin.h>

#include "argb/ArgbPixels_sse2.h"
#include "argb/ChannelMedian.h"

namespace VelImageUtility {

namespace {
inline __m128i Load(const uint8_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }

inline __m128i Middle(__m128i a, __m128i b, __m128i c) {
    return _mm_max_epu8(_mm_min_epu8(a, b), _mm_min_epu8(_mm_max_epu8(a, b), c));
}

// One column of the window, sorted: lowest, middle, highest byte by byte.
struct Column {
    __m128i low, middle, high;
};
inline Column SortedColumn(const uint8_t* above, const uint8_t* at, const uint8_t* below) {
    const __m128i a = Load(above), b = Load(at), c = Load(below);
    const __m128i lower = _mm_min_epu8(a, b), upper = _mm_max_epu8(a, b);
    const __m128i other = _mm_max_epu8(lower, c);
    return {_mm_min_epu8(lower, c), _mm_min_epu8(upper, other), _mm_max_epu8(upper, other)};
}
}  // namespace

// Pixels 1 .. width - 2 have their whole window inside the row, four at a
// time while the pixel after the group exists; the rest by the plain rule.
void Median3x3Row_Sse2(const uint8_t* above, const uint8_t* at, const uint8_t* below, uint8_t* out,
                       int32_t width) {
    int32_t x = 1;
    for (; x + 4 < width; x += 4) {
        const int32_t o = 4 * x;
        const Column left = SortedColumn(above + o - 4, at + o - 4, below + o - 4);
        const Column centre = SortedColumn(above + o, at + o, below + o);
        const Column right = SortedColumn(above + o + 4, at + o + 4, below + o + 4);
        const __m128i lows = _mm_max_epu8(_mm_max_epu8(left.low, centre.low), right.low);
        const __m128i highs = _mm_min_epu8(_mm_min_epu8(left.high, centre.high), right.high);
        const __m128i median = Middle(lows, Middle(left.middle, centre.middle, right.middle), highs);
        __m128i* to = reinterpret_cast<__m128i*>(out + o);
        _mm_storeu_si128(to, WithAlphaOf(median, _mm_loadu_si128(to)));
    }
    for (int32_t rest = x; rest < width; ++rest) Median3x3Pixel_Plain(above, at, below, out, rest, width);
    if (width > 0) Median3x3Pixel_Plain(above, at, below, out, 0, width);
}

}  // namespace VelImageUtility
