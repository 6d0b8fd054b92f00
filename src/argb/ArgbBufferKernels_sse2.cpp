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

}  // namespace VelImageUtility
