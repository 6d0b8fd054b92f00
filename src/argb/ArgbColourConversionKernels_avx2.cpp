#include "argb/ArgbColourConversionKernels.h"
#include "services/ByteGroups_avx2.h"
#include "services/ColourConversion.h"  // constants only: no inline function of it is used here

namespace VelImageUtility {

namespace {
// A 32-bit lane holding the 16-bit values (low, high).
__m256i WordPair(int32_t low, int32_t high) {
    return _mm256_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(low) & 0xFFFFu) | (static_cast<uint32_t>(high) << 16)));
}

// (blue, red) of each pixel.
__m256i BlueRed(__m256i argb) { return _mm256_and_si256(argb, _mm256_set1_epi32(0x00FF00FF)); }

// Each sum of the SSE2 rules, 12-bit fixed point, one pixel per 32-bit lane.
__m256i Sum12(__m256i blueRed, __m256i blueRedWeights, __m256i second, __m256i secondWeights) {
    return _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(blueRed, blueRedWeights), _mm256_madd_epi16(second, secondWeights)), 12);
}

// (green, 32): the offsets come in as 32 x a 16-bit weight, as in the SSE2 rule.
constexpr int32_t kUnit = 32;
static_assert(kLumaOffset % kUnit == 0 && kChromaOffset % kUnit == 0, "");

}  // namespace

// 8 pixels per step; V, U and Y lie in 16..240, so they are placed by
// shifts without clamping, and alpha is put back from the source.
void ConvertToAYUVRow_Avx2(const uint8_t* argb, uint8_t* ayuv, int32_t width) {
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i greenOrder = _mm256_setr_epi8(1, -128, -128, -128, 5, -128, -128, -128, 9, -128, -128, -128, 13, -128, -128, -128,
                                                1, -128, -128, -128, 5, -128, -128, -128, 9, -128, -128, -128, 13, -128, -128, -128);
    const __m256i unit = WordPair(0, kUnit);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i pixels = Load32(argb + 4 * x);
        const __m256i blueRed = BlueRed(pixels);
        const __m256i greenUnit = _mm256_or_si256(_mm256_shuffle_epi8(pixels, greenOrder), unit);
        const __m256i y = Sum12(blueRed, WordPair(401, 1053), greenUnit, WordPair(2064, kLumaOffset / kUnit));
        const __m256i u = Sum12(blueRed, WordPair(1798, -606), greenUnit, WordPair(-1192, kChromaOffset / kUnit));
        const __m256i v = Sum12(blueRed, WordPair(-291, 1798), greenUnit, WordPair(-1507, kChromaOffset / kUnit));
        const __m256i vuy = _mm256_or_si256(_mm256_or_si256(v, _mm256_slli_epi32(u, 8)), _mm256_slli_epi32(y, 16));
        Store32(ayuv + 4 * x, _mm256_blendv_epi8(vuy, pixels, alphaMask));
    }
    ConvertToAYUVRow_Sse2(argb + 4 * x, ayuv + 4 * x, width - x);
}

// 32 pixels per step. The weighted sum is taken apart exactly as
// 401 (b + 6 g) + 9 (117 r - 38 g): one shuffle gives each pixel the bytes
// (b, g, r, g), one byte product sums the pairs, one word product weighs
// them. The rounding half and the black level come with one average,
// ((s >> 11) + 33) >> 1. The packs work within 128-bit halves and leave
// runs of four pixels in the order 0, 2, 4, 6, 1, 3, 5, 7; one permutation
// of 32-bit lanes puts them back.
void ConvertToLumaRow_Avx2(const uint8_t* argb, uint8_t* luma, int32_t width) {
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i bgrg = _mm256_setr_epi8(0, 1, 2, 1, 4, 5, 6, 5, 8, 9, 10, 9, 12, 13, 14, 13,
                                          0, 1, 2, 1, 4, 5, 6, 5, 8, 9, 10, 9, 12, 13, 14, 13);
    const __m256i byteWeights = _mm256_set1_epi32(static_cast<int32_t>(0xDA750601u));  // 1, 6, 117, -38
    const __m256i wordWeights = WordPair(401, 9);
    const __m256i blackLevel = _mm256_set1_epi16(2 * (kLumaOffset >> 12));
    static_assert(kLumaOffset == 16 * 4096 + 2048, "");
    auto halfSteps = [&](const uint8_t* from) {
        const __m256i pairs = _mm256_maddubs_epi16(_mm256_shuffle_epi8(Load32(from), bgrg), byteWeights);
        return _mm256_srli_epi32(_mm256_madd_epi16(pairs, wordWeights), 11);
    };
    int32_t x = 0;
    for (; x + 32 <= width; x += 32) {
        const uint8_t* from = argb + 4 * x;
        const __m256i low = _mm256_avg_epu16(_mm256_packs_epi32(halfSteps(from), halfSteps(from + 32)), blackLevel);
        const __m256i high = _mm256_avg_epu16(_mm256_packs_epi32(halfSteps(from + 64), halfSteps(from + 96)), blackLevel);
        Store32(luma + x, _mm256_permutevar8x32_epi32(_mm256_packus_epi16(low, high), order));
    }
    ConvertToLumaRow_Sse2(argb + 4 * x, luma + x, width - x);
}

}  // namespace VelImageUtility
