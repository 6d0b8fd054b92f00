#include <emmintrin.h>

#include "byte/ByteGroups_sse2.h"
#include "byte/ByteKernels.h"
#include "services/ToneCurves_sse2.h"

namespace VelImageUtility {

void MultiplyByGainRun_Sse2(uint8_t* run, size_t count, int32_t gain) {
    // Pixels from `cap` = 255 / gain + 1 up saturate whatever their product,
    // so they are lowered to cap first: every product then lies within
    // 255 + gain <= 510 and the unsigned pack saturates it exactly as the
    // plain rule does. Gains above 255 act as 255.
    const int32_t limitedGain = gain > 255 ? 255 : gain;
    const int32_t cap = limitedGain <= 1 ? 255 : 255 / limitedGain + 1;
    const __m128i capBytes = _mm_set1_epi8(static_cast<char>(cap));
    const __m128i gain16 = _mm_set1_epi16(static_cast<int16_t>(limitedGain));
    const __m128i zero = _mm_setzero_si128();
    const size_t done = TransformByteGroups(
        run, count,
        [&](__m128i pixels) {
            const __m128i capped = _mm_min_epu8(pixels, capBytes);
            return _mm_packus_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(capped, zero), gain16),
                                    _mm_mullo_epi16(_mm_unpackhi_epi8(capped, zero), gain16));
        },
        run);
    MultiplyByGainRun_Plain(run + done, count - done, gain);
}

void InvertRun_Sse2(uint8_t* run, size_t count) {
    const __m128i allOnes = _mm_set1_epi8(-1);
    const size_t done = TransformByteGroups(
        run, count, [&](__m128i pixels) { return _mm_xor_si128(pixels, allOnes); }, run);
    InvertRun_Plain(run + done, count - done);
}

uint64_t SumRow_Sse2(const uint8_t* row, int32_t count) {
    // Sum of absolute differences against zero adds 8 bytes into each 64-bit half.
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    int32_t done = 0;
    for (; done + 16 <= count; done += 16) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + done));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(pixels, zero));
    }
    if (done + 8 <= count) {
        const __m128i pixels = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + done));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(pixels, zero));
        done += 8;
    }
    alignas(16) uint64_t halves[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(halves), sums);
    return halves[0] + halves[1] + SumRow_Plain(row + done, count - done);
}

void AdjustContrastRun_Sse2(uint8_t* run, size_t count, int32_t factor) {
    const __m128i factor16 = _mm_set1_epi16(static_cast<int16_t>(factor));
    const size_t done = TransformByteGroups(
        run, count, [&](__m128i pixels) { return ContrastBytes_Sse2(pixels, factor16); }, run);
    AdjustContrastRun_Plain(run + done, count - done, factor);
}

void AdjustBrightnessRun_Sse2(uint8_t* run, size_t count, int32_t delta) {
    // Saturating byte arithmetic gives the clamp to 0..255 directly; a delta
    // beyond +-255 saturates every pixel, exactly as the limited one does.
    const int32_t limited = delta < -255 ? -255 : (delta > 255 ? 255 : delta);
    const __m128i amount = _mm_set1_epi8(static_cast<char>(limited < 0 ? -limited : limited));
    size_t done;
    if (limited >= 0) {
        done = TransformByteGroups(
            run, count, [&](__m128i pixels) { return _mm_adds_epu8(pixels, amount); }, run);
    } else {
        done = TransformByteGroups(
            run, count, [&](__m128i pixels) { return _mm_subs_epu8(pixels, amount); }, run);
    }
    AdjustBrightnessRun_Plain(run + done, count - done, delta);
}

void MapLevelsRun_Sse2(uint8_t* run, size_t count, const LevelsLine& line) {
    const LevelsLanes lanes = LevelsLanesOf(line);
    size_t done = TransformByteGroups(run, count, [&](__m128i pixels) { return LevelsBytes_Sse2(pixels, lanes); }, run);
    for (; done < count; ++done) run[done] = ApplyLevelsLine(run[done], line);
}

}  // namespace VelImageUtility
