#include <emmintrin.h>

#include "byte/ByteGroups_sse2.h"
#include "byte/ByteKernels.h"

namespace VelImageUtility {

void SubtractPlaneRun_Sse2(uint8_t* run, const uint8_t* other, size_t count) {
    // Unsigned saturating subtraction is max(p - o, 0) directly.
    const size_t done = TransformByteGroups(
        run, count, [](__m128i pixels, __m128i subtrahend) { return _mm_subs_epu8(pixels, subtrahend); },
        run, other);
    SubtractPlaneRun_Plain(run + done, other + done, count - done);
}

}  // namespace VelImageUtility
