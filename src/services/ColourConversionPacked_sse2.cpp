// The two packed conversions, SSE2 whatever the image's level: hosts call
// them inside their own pixel loops.
#include "core/CImageUtility.h"
#include "services/ColourConversion_sse2.h"

namespace VelImageUtility {

void CImageUtility::ConvertRGBToYUVPacked(__m128i in, __m128i* out) {
    if (out != nullptr) _mm_storeu_si128(out, ArgbPairToAyuvPacked_Sse2(in));
}

void CImageUtility::ConvertYUVToRGBPacked(__m128i in, __m128i* out) {
    if (out != nullptr) _mm_storeu_si128(out, AyuvPairToArgbPacked_Sse2(in));
}

}  // namespace VelImageUtility
