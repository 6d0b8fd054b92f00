#include "byte/ByteKernels.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

void InvertRun_Avx2(uint8_t* run, size_t count) {
    const __m256i allOnes = _mm256_set1_epi8(-1);
    const size_t done = TransformByteGroups32(
        run, count, [&](__m256i pixels) { return _mm256_xor_si256(pixels, allOnes); }, run);
    InvertRun_Sse2(run + done, count - done);
}

// Saturating byte arithmetic clamps as the SSE2 kernel does.
void AdjustBrightnessRun_Avx2(uint8_t* run, size_t count, int32_t delta) {
    const int32_t limited = delta < -255 ? -255 : (delta > 255 ? 255 : delta);
    const __m256i amount = _mm256_set1_epi8(static_cast<char>(limited < 0 ? -limited : limited));
    size_t done;
    if (limited >= 0) {
        done = TransformByteGroups32(
            run, count, [&](__m256i pixels) { return _mm256_adds_epu8(pixels, amount); }, run);
    } else {
        done = TransformByteGroups32(
            run, count, [&](__m256i pixels) { return _mm256_subs_epu8(pixels, amount); }, run);
    }
    AdjustBrightnessRun_Sse2(run + done, count - done, delta);
}

}  // namespace VelImageUtility
