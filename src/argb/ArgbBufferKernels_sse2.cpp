#include <emmintrin.h>

#include "argb/ArgbBufferKernels.h"

namespace VelImageUtility {

namespace {
// New grey bytes in blue, green and red, the old alpha byte.
inline void MergeGreyQuarter(uint8_t* argb, __m128i grey) {
    __m128i* to = reinterpret_cast<__m128i*>(argb);
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i old = _mm_loadu_si128(to);
    _mm_storeu_si128(to, _mm_or_si128(_mm_and_si128(grey, colourMask), _mm_andnot_si128(colourMask, old)));
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

// 16 pixels per step: the lane is shifted to the bottom of each 32-bit
// pixel, masked, and the four vectors packed down to 16 bytes.
void CopyByteLaneToPlaneRow_Sse2(const uint8_t* pixels, int32_t lane, uint8_t* plane,
                                 int32_t width) {
    const __m128i shift = _mm_cvtsi32_si128(8 * lane);
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    auto laneOf = [&](const uint8_t* from) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        return _mm_and_si128(_mm_srl_epi32(four, shift), byteMask);
    };
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const uint8_t* from = pixels + 4 * x;
        const __m128i low = _mm_packs_epi32(laneOf(from), laneOf(from + 16));
        const __m128i high = _mm_packs_epi32(laneOf(from + 32), laneOf(from + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(plane + x), _mm_packus_epi16(low, high));
    }
    CopyByteLaneRow_Plain(pixels + 4 * x + lane, 4, plane + x, 1, width - x);
}

}  // namespace VelImageUtility
