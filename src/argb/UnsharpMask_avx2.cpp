// The AVX2 groups of the unsharp mask: the SSE2 rows' steps in wider registers.
#include "argb/UnsharpMaskGroups.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

namespace {

// Eight samples widened to single precision.
inline __m256 Samples8(const uint8_t* in) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in))));
}

}  // namespace

// Each tap's sample times the tap and 65536 in single precision, truncated,
// as in the SSE2 row; 32 sums at a time.
int32_t ProductSumGroups_Avx2(const uint8_t* in, ptrdiff_t tapStep, const float* scaledTaps, int32_t taps,
                              uint8_t* out, int32_t count) {
    int32_t e = 0;
    for (; e + 32 <= count; e += 32) {
        __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0, s3 = s0;
        const uint8_t* tapIn = in + e;
        for (int32_t k = 0; k < taps; ++k, tapIn += tapStep) {
            const __m256 tap = _mm256_set1_ps(scaledTaps[k]);
            s0 = _mm256_add_epi32(s0, _mm256_cvttps_epi32(_mm256_mul_ps(tap, Samples8(tapIn))));
            s1 = _mm256_add_epi32(s1, _mm256_cvttps_epi32(_mm256_mul_ps(tap, Samples8(tapIn + 8))));
            s2 = _mm256_add_epi32(s2, _mm256_cvttps_epi32(_mm256_mul_ps(tap, Samples8(tapIn + 16))));
            s3 = _mm256_add_epi32(s3, _mm256_cvttps_epi32(_mm256_mul_ps(tap, Samples8(tapIn + 24))));
        }
        // Sums are not negative; packing saturates at 255 as the plain rule cuts.
        const __m256i low = _mm256_packs_epi32(_mm256_srai_epi32(s0, 16), _mm256_srai_epi32(s1, 16));
        const __m256i high = _mm256_packs_epi32(_mm256_srai_epi32(s2, 16), _mm256_srai_epi32(s3, 16));
        const __m256i bytes = _mm256_packus_epi16(low, high);  // 0-3 8-11 16-19 24-27 | 4-7 12-15 20-23 28-31
        Store32(out + e, _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
    }
    return e;
}

// The SSE2 row's 16-bit steps on sixteen bytes per lane half: the
// unpacks and the pack keep the bytes in place.
size_t SharpenGroups_Avx2(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, int32_t limit) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(amount >> 16));
    const __m256i low = _mm256_set1_epi16(static_cast<int16_t>(amount & 0xFFFF));
    const __m256i lowIsLarge = _mm256_set1_epi16((amount & 0x8000) ? -1 : 0);
    const __m256i limits = _mm256_set1_epi16(static_cast<int16_t>(limit));
    auto sharpen = [&](__m256i original, __m256i smooth) {
        __m256i diff = _mm256_sub_epi16(original, smooth);
        const __m256i twice = _mm256_slli_epi16(_mm256_max_epi16(diff, _mm256_sub_epi16(zero, diff)), 1);
        diff = _mm256_andnot_si256(_mm256_cmpgt_epi16(limits, twice), diff);
        const __m256i lowPart = _mm256_add_epi16(_mm256_mulhi_epi16(diff, low), _mm256_and_si256(diff, lowIsLarge));
        return _mm256_adds_epi16(original, _mm256_add_epi16(_mm256_mullo_epi16(diff, high), lowPart));
    };
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i original = Load32(row + i), smooth = Load32(blurred + i);
        const __m256i first = sharpen(_mm256_unpacklo_epi8(original, zero), _mm256_unpacklo_epi8(smooth, zero));
        const __m256i second = sharpen(_mm256_unpackhi_epi8(original, zero), _mm256_unpackhi_epi8(smooth, zero));
        Store32(row + i, _mm256_packus_epi16(first, second));
    }
    return i;
}

}  // namespace VelImageUtility
