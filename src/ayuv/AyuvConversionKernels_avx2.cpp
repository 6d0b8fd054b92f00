#include "ayuv/AyuvConversionKernels.h"
#include "services/ByteGroups_avx2.h"
#include "services/ColourConversion.h"  // constants only: no inline function of it is used here

namespace VelImageUtility {

namespace {
// A 32-bit lane holding the 16-bit weights (low, high).
__m256i WeightPair(int32_t low, int32_t high) {
    return _mm256_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(low) & 0xFFFFu) | (static_cast<uint32_t>(high) << 16)));
}

// The black level, the chroma zero and the rounding half of each colour,
// taken out of the products so that the bytes go in as they are: the sums
// are the same integers as the SSE2 row's.
constexpr int32_t kLumaWeight = 4768;
constexpr int32_t kRedV = 6537, kGreenU = -1602, kGreenV = -3330, kBlueU = 8266;
constexpr int32_t kRedConstant = kRounding - 16 * kLumaWeight - 128 * kRedV;
constexpr int32_t kGreenConstant = kRounding - 16 * kLumaWeight - 128 * (kGreenU + kGreenV);
constexpr int32_t kBlueConstant = kRounding - 16 * kLumaWeight - 128 * kBlueU;

struct Colours {
    __m256i r, g, b;  // 32-bit lanes, one pixel each, not clamped
};

// (V, Y) pairs from a mask and (U, alpha) pairs from one 16-bit shift,
// alpha weighted 0.
Colours ToRgb8(__m256i ayuv) {
    const __m256i vy = _mm256_and_si256(ayuv, _mm256_set1_epi32(0x00FF00FF));
    const __m256i ua = _mm256_srli_epi16(ayuv, 8);
    Colours out;
    out.r = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(vy, WeightPair(kRedV, kLumaWeight)), _mm256_set1_epi32(kRedConstant)), 12);
    const __m256i green = _mm256_add_epi32(_mm256_madd_epi16(vy, WeightPair(kGreenV, kLumaWeight)), _mm256_madd_epi16(ua, WeightPair(kGreenU, 0)));
    out.g = _mm256_srai_epi32(_mm256_add_epi32(green, _mm256_set1_epi32(kGreenConstant)), 12);
    const __m256i blue = _mm256_add_epi32(_mm256_madd_epi16(vy, WeightPair(0, kLumaWeight)), _mm256_madd_epi16(ua, WeightPair(kBlueU, 0)));
    out.b = _mm256_srai_epi32(_mm256_add_epi32(blue, _mm256_set1_epi32(kBlueConstant)), 12);
    return out;
}
}  // namespace

// 16 pixels per step. The packs work within 128-bit halves, which keeps
// pixels 0..7 in the first result and 8..15 in the second; alpha is put
// back from the source.
void ConvertToARGBRow_Avx2(const uint8_t* ayuv, uint8_t* argb, int32_t width) {
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i first = Load32(ayuv + 4 * x), second = Load32(ayuv + 4 * x + 32);
        const Colours one = ToRgb8(first), two = ToRgb8(second);
        const __m256i blueRed = _mm256_packus_epi16(_mm256_packs_epi32(one.b, two.b), _mm256_packs_epi32(one.r, two.r));
        const __m256i greenZero = _mm256_packus_epi16(_mm256_packs_epi32(one.g, two.g), zero);
        const __m256i blueGreen = _mm256_unpacklo_epi8(blueRed, greenZero);
        const __m256i redZero = _mm256_unpackhi_epi8(blueRed, greenZero);
        Store32(argb + 4 * x, _mm256_or_si256(_mm256_unpacklo_epi16(blueGreen, redZero), _mm256_and_si256(first, alphaMask)));
        Store32(argb + 4 * x + 32, _mm256_or_si256(_mm256_unpackhi_epi16(blueGreen, redZero), _mm256_and_si256(second, alphaMask)));
    }
    ConvertToARGBRow_Sse2(ayuv + 4 * x, argb + 4 * x, width - x);
}

}  // namespace VelImageUtility
