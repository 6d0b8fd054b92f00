#include <emmintrin.h>

#include "argb/ArgbBufferKernels.h"
#include "argb/ArgbPixels_sse2.h"

namespace VelImageUtility {

// The plane byte in blue, green and red, the old alpha byte.
void SetGrayFromPlaneRow_Sse2(const uint8_t* plane, uint8_t* argb, int32_t width) {
    const int32_t x = CombineWithPlaneBytes16(
        plane, argb, width, [](__m128i pixels, __m128i repeated) { return WithAlphaOf(repeated, pixels); });
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

// The plane byte repeated across each pixel, then merged into the lane.
void CopyPlaneToByteLaneRow_Sse2(const uint8_t* plane, uint8_t* pixels, int32_t lane,
                                 int32_t width) {
    const __m128i laneMask = _mm_set1_epi32(static_cast<int32_t>(0xFFu << (8 * lane)));
    const int32_t x = CombineWithPlaneBytes16(plane, pixels, width, [&](__m128i old, __m128i repeated) {
        return _mm_or_si128(_mm_and_si128(repeated, laneMask), _mm_andnot_si128(laneMask, old));
    });
    CopyByteLaneRow_Plain(plane + x, 1, pixels + 4 * x + lane, 4, width - x);
}

// Four pixels per step; the row's last pixels by the plain rule.
void CopyAlphaRows_Sse2(const uint8_t* from, int32_t fromStride, uint8_t* to, int32_t toStride,
                        int32_t width, int32_t height) {
    const int32_t vectorWidth = width - width % 4;
    for (int32_t y = 0; y < height; ++y, from += fromStride, to += toStride) {
        for (int32_t x = 0; x < vectorWidth; x += 4) {
            __m128i* pixels = reinterpret_cast<__m128i*>(to + 4 * x);
            const __m128i alphas = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * x));
            _mm_storeu_si128(pixels, WithAlphaOf(_mm_loadu_si128(pixels), alphas));
        }
        CopyAlphaRows_Plain(from + 4 * vectorWidth, 0, to + 4 * vectorWidth, 0, width - vectorWidth, 1);
    }
}

}  // namespace VelImageUtility
