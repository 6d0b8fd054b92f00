#include <emmintrin.h>

#include "ayuv/AyuvConversionKernels.h"
#include "services/ColourConversion_sse2.h"

namespace VelImageUtility {

// 8 pixels per step.
void ConvertToARGBRow_Sse2(const uint8_t* ayuv, uint8_t* argb, int32_t width) {
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i* in = reinterpret_cast<const __m128i*>(ayuv + 4 * x);
        __m128i out[2];
        AyuvToArgb8_Sse2(_mm_loadu_si128(in), _mm_loadu_si128(in + 1), out);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(argb + 4 * x), out[0]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(argb + 4 * x + 16), out[1]);
    }
    ConvertToARGBRow_Plain(ayuv + 4 * x, argb + 4 * x, width - x);
}

}  // namespace VelImageUtility
