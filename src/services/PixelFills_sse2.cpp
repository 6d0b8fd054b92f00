#include <emmintrin.h>

#include "services/PixelFills.h"

namespace VelImageUtility {

// Four pixels per store; the last width % 4 pixels by the plain rule.
void FillPixelRow_Sse2(uint8_t* row, int32_t width, uint32_t value) {
    const __m128i words = _mm_set1_epi32(static_cast<int32_t>(value));
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 4 * x), words);
    FillPixelRow_Plain(row + 4 * x, width - x, value);
}

void FillMaskedRow_Sse2(uint8_t* row, int32_t width, uint32_t keep, uint32_t value) {
    const __m128i keepMask = _mm_set1_epi32(static_cast<int32_t>(keep));
    const __m128i words = _mm_set1_epi32(static_cast<int32_t>(value));
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i* pixels = reinterpret_cast<__m128i*>(row + 4 * x);
        _mm_storeu_si128(pixels, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(pixels), keepMask), words));
    }
    FillMaskedRow_Plain(row + 4 * x, width - x, keep, value);
}

}  // namespace VelImageUtility
