#include "resample/ResampleFrame.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

// Eight pixels per step, on complemented bytes like the SSE2 row. The
// single-precision shuffles pick even and odd pixels within 128-bit halves,
// which leaves the means in the order 0, 1, 4, 5, 2, 3, 6, 7. The upper
// row's means are parked in `out` and the lower row is read in a second
// pass, so that each pass reads one long run of memory, which the
// hardware fetches ahead far better than two runs side by side.
void MeanOfPixelQuads_Avx2(const uint8_t* upper, const uint8_t* lower, int32_t count,
                           uint8_t* out) {
    const __m256i ones = _mm256_set1_epi8(-1);
    auto complemented = [&](const uint8_t* p) { return _mm256_castsi256_ps(_mm256_xor_si256(Load32(p), ones)); };
    auto meanOfPairs = [&](const uint8_t* p) {
        const __m256 first = complemented(p);
        const __m256 second = complemented(p + 32);
        return _mm256_avg_epu8(_mm256_castps_si256(_mm256_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0))),
                               _mm256_castps_si256(_mm256_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1))));
    };
    const int32_t groups = count - count % 8;
    for (int32_t x = 0; x < groups; x += 8) Store32(out + 4 * x, meanOfPairs(upper + 8 * x));
    for (int32_t x = 0; x < groups; x += 8) {
        const __m256i mean = _mm256_permute4x64_epi64(_mm256_avg_epu8(Load32(out + 4 * x), meanOfPairs(lower + 8 * x)), _MM_SHUFFLE(3, 1, 2, 0));
        Store32(out + 4 * x, _mm256_xor_si256(mean, ones));
    }
    MeanOfPixelQuads_Sse2(upper + 8 * groups, lower + 8 * groups, count - groups, out + 4 * groups);
}

}  // namespace VelImageUtility
