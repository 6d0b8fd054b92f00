#include "byte/ByteKernels.h"
#include "services/ByteGroups_avx2.h"
#include "services/ToneCurves_avx2.h"

namespace VelImageUtility {

namespace {
// The SSE2 kernel `sse2` up to the first 32-byte boundary and for the last
// count % 32 bytes, `transform` in groups of 32 between.
template <typename Sse2Run, typename Transform>
void TransformRun(uint8_t* run, size_t count, Sse2Run sse2, Transform transform) {
    SplitAtAlignment(
        run, 1, count, [&](size_t first, size_t n) { sse2(run + first, n); },
        [&](size_t first, size_t n) { return TransformByteGroups32(run + first, n, transform, run + first); });
}
}  // namespace

void InvertRun_Avx2(uint8_t* run, size_t count) {
    const __m256i allOnes = _mm256_set1_epi8(-1);
    TransformRun(run, count, InvertRun_Sse2, [&](__m256i pixels) { return _mm256_xor_si256(pixels, allOnes); });
}

void AdjustBrightnessRun_Avx2(uint8_t* run, size_t count, int32_t delta) {
    const auto sse2 = [delta](uint8_t* part, size_t n) { AdjustBrightnessRun_Sse2(part, n, delta); };
    WithBrightnessTransform(delta, _mm256_set1_epi8(-1), [&](auto transform) { TransformRun(run, count, sse2, transform); });
}

void MapLevelsRun_Avx2(uint8_t* run, size_t count, const LevelsLine& line) {
    const LevelsLanes32 lanes = LevelsLanes32Of(line);
    const auto sse2 = [&line](uint8_t* part, size_t n) { MapLevelsRun_Sse2(part, n, line); };
    TransformRun(run, count, sse2, [&](__m256i pixels) { return LevelsBytes32(pixels, lanes); });
}

}  // namespace VelImageUtility
