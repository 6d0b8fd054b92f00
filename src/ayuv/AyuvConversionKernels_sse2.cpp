#include <emmintrin.h>

#include "ayuv/AyuvConversionKernels.h"
#include "services/ColourConversion_sse2.h"

namespace VelImageUtility {

// 4 pixels per step.
void ConvertToARGBRow_Sse2(const uint8_t* ayuv, uint8_t* argb, int32_t width) {
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ayuv + 4 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(argb + 4 * x), AyuvToArgb4_Sse2(four));
    }
    ConvertToARGBRow_Plain(ayuv + 4 * x, argb + 4 * x, width - x);
}

}  // namespace VelImageUtility
