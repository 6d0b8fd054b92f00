#include <emmintrin.h>

#include "argb/ArgbBufferKernels.h"
#include "argb/ArgbPixels_sse2.h"

namespace VelImageUtility {

namespace {
// New grey bytes in blue, green and red, the old alpha byte.
inline void MergeGreyQuarter(uint8_t* argb, __m128i grey) {
    __m128i* to = reinterpret_cast<__m128i*>(argb);
    _mm_storeu_si128(to, WithAlphaOf(grey, _mm_loadu_si128(to)));
}
}  // namespace

// 16 pixels per step: each plane byte is repeated into the four bytes of a
// pixel lane, then merged under the colour mask.
void SetGrayFromPlaneRow_Sse2(const uint8_t* plane, uint8_t* argb, int32_t width) {
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plane + x));
        const __m128i low = _mm_unpacklo_epi8(values, values);
        const __m128i high = _mm_unpackhi_epi8(values, values);
        uint8_t* to = argb + 4 * x;
        MergeGreyQuarter(to, _mm_unpacklo_epi16(low, low));
        MergeGreyQuarter(to + 16, _mm_unpackhi_epi16(low, low));
        MergeGreyQuarter(to + 32, _mm_unpacklo_epi16(high, high));
        MergeGreyQuarter(to + 48, _mm_unpackhi_epi16(high, high));
    }
    SetGrayFromPlaneRow_Plain(plane + x, 1, argb + 4 * x, 4, width - x);
}

}  // namespace VelImageUtility
