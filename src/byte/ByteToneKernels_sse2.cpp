#include <emmintrin.h>

#include "byte/ByteGroups_sse2.h"
#include "byte/ByteKernels.h"

namespace VelImageUtility {

namespace {

// Applies `transform` to the 8 pixels of each half as 16-bit lanes and packs
// the halves back with unsigned saturation.
template <typename Transform>
__m128i TransformWidened(__m128i pixels, Transform transform) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(transform(_mm_unpacklo_epi8(pixels, zero)),
                            transform(_mm_unpackhi_epi8(pixels, zero)));
}

}  // namespace

void MultiplyByGainRun_Sse2(uint8_t* run, size_t count, int32_t gain) {
    // As in the plain rule the gain is limited to 255, so that every product
    // (at most 255 * 255) is exact in an unsigned 16-bit lane.
    const __m128i gain16 = _mm_set1_epi16(static_cast<int16_t>(gain > 255 ? 255 : gain));
    const __m128i limit = _mm_set1_epi16(255);
    const size_t done = TransformByteGroups(
        run, count,
        [&](__m128i pixels) {
            return TransformWidened(pixels, [&](__m128i lanes) {
                const __m128i product = _mm_mullo_epi16(lanes, gain16);
                // min(product, 255) as unsigned: product - max(product - 255, 0).
                return _mm_sub_epi16(product, _mm_subs_epu16(product, limit));
            });
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
    // Pairs (p - 128, 1) times (factor, 2048) give (p - 128) * factor + 2048
    // in 32 bits; factor <= 8192 fits a 16-bit lane.
    const __m128i factorAndRounding =
        _mm_set1_epi32(static_cast<int32_t>((2048u << 16) | static_cast<uint32_t>(factor)));
    const __m128i mid = _mm_set1_epi16(128);
    const __m128i one = _mm_set1_epi16(1);
    const size_t done = TransformByteGroups(
        run, count,
        [&](__m128i pixels) {
            return TransformWidened(pixels, [&](__m128i lanes) {
                const __m128i centred = _mm_sub_epi16(lanes, mid);
                const __m128i low = _mm_srai_epi32(
                    _mm_madd_epi16(_mm_unpacklo_epi16(centred, one), factorAndRounding), 12);
                const __m128i high = _mm_srai_epi32(
                    _mm_madd_epi16(_mm_unpackhi_epi16(centred, one), factorAndRounding), 12);
                // The shifted values lie within -256..256, so the signed pack is exact.
                return _mm_add_epi16(_mm_packs_epi32(low, high), mid);
            });
        },
        run);
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

}  // namespace VelImageUtility
