#include "resample/ResampleFrame.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

// Eight pixels per step, on complemented bytes like the SSE2 row. The
// single-precision shuffles pick even and odd pixels within 128-bit halves,
// which leaves the means in the order 0, 1, 4, 5, 2, 3, 6, 7.
void MeanOfPixelQuads_Avx2(const uint8_t* upper, const uint8_t* lower, int32_t count,
                           uint8_t* out) {
    const __m256i ones = _mm256_set1_epi8(-1);
    auto complemented = [&](const uint8_t* p) { return _mm256_castsi256_ps(_mm256_xor_si256(Load32(p), ones)); };
    auto meanOfPairs = [](__m256 first, __m256 second) {
        return _mm256_avg_epu8(_mm256_castps_si256(_mm256_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0))),
                               _mm256_castps_si256(_mm256_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1))));
    };
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i above = meanOfPairs(complemented(upper + 8 * x), complemented(upper + 8 * x + 32));
        const __m256i below = meanOfPairs(complemented(lower + 8 * x), complemented(lower + 8 * x + 32));
        const __m256i mean = _mm256_permute4x64_epi64(_mm256_avg_epu8(above, below), _MM_SHUFFLE(3, 1, 2, 0));
        Store32(out + 4 * x, _mm256_xor_si256(mean, ones));
    }
    MeanOfPixelQuads_Sse2(upper + 8 * x, lower + 8 * x, count - x, out + 4 * x);
}

}  // namespace VelImageUtility
