#include "ayuv/AyuvConversionKernels.h"
#include "services/ByteGroups_avx2.h"
#include "services/ColourConversion.h"  // constants only: no inline function of it is used here

namespace VelImageUtility {

namespace {
// A 32-bit lane holding the 16-bit values (low, high).
__m256i WordPair(int32_t low, int32_t high) {
    return _mm256_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(low) & 0xFFFFu) | (static_cast<uint32_t>(high) << 16)));
}

// Each colour is (luma x Y + weights of U and V + a constant) >> 12, the
// constant holding the black level, the chroma zero and the rounding half.
// Here the constants come from offsets added to the bytes themselves, in
// (V, Y) and (U, Y) pairs: red and blue take one pair each, green both with
// its luma weight split between them. The offsets below solve the three
// constants in integers, so every sum is the SSE2 row's integer.
constexpr int32_t kLuma = 4768, kRedV = 6537, kGreenU = -1602, kGreenV = -3330, kBlueU = 8266;
constexpr int32_t kVOffset = -4000, kYOffsetWithV = 5293, kUOffset = -2416, kYOffsetWithU = 3951;
constexpr int32_t kGreenLumaWithV = -26432, kGreenLumaWithU = kLuma - kGreenLumaWithV;
static_assert(kRedV * kVOffset + kLuma * kYOffsetWithV == kRounding - 16 * kLuma - 128 * kRedV, "red");
static_assert(kBlueU * kUOffset + kLuma * kYOffsetWithU == kRounding - 16 * kLuma - 128 * kBlueU, "blue");
static_assert(kGreenV * kVOffset + kGreenLumaWithV * kYOffsetWithV + kGreenU * kUOffset +
                      kGreenLumaWithU * kYOffsetWithU ==
                  kRounding - 16 * kLuma - 128 * (kGreenU + kGreenV),
              "green");

struct Colours {
    __m256i r, g, b;  // 32-bit lanes, one pixel each, not clamped
};

// The byte offsets keep every pair within 16 bits and every sum far inside 32.
Colours ToRgb8(__m256i ayuv) {
    const __m256i vy = _mm256_add_epi16(_mm256_and_si256(ayuv, _mm256_set1_epi32(0x00FF00FF)), WordPair(kVOffset, kYOffsetWithV));
    const __m256i uyOrder = _mm256_setr_epi8(1, -128, 2, -128, 5, -128, 6, -128, 9, -128, 10, -128, 13, -128, 14, -128,
                                             1, -128, 2, -128, 5, -128, 6, -128, 9, -128, 10, -128, 13, -128, 14, -128);
    const __m256i uy = _mm256_add_epi16(_mm256_shuffle_epi8(ayuv, uyOrder), WordPair(kUOffset, kYOffsetWithU));
    Colours out;
    out.r = _mm256_srai_epi32(_mm256_madd_epi16(vy, WordPair(kRedV, kLuma)), 12);
    out.g = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(vy, WordPair(kGreenV, kGreenLumaWithV)),
                                               _mm256_madd_epi16(uy, WordPair(kGreenU, kGreenLumaWithU))), 12);
    out.b = _mm256_srai_epi32(_mm256_madd_epi16(uy, WordPair(kBlueU, kLuma)), 12);
    return out;
}
}  // namespace

// 16 pixels per step. The packs work within 128-bit halves: blue and green
// of pixels 0..3 with red of 0..3 and 8..11 in the low half of one vector,
// of 4..7 with 4..7 and 12..15 in its high half, and likewise for pixels
// 8..15 in the other, so one byte shuffle per vector puts each pixel's bytes
// together; alpha is put back from the source.
void ConvertToARGBRow_Avx2(const uint8_t* ayuv, uint8_t* argb, int32_t width) {
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i lowRed = _mm256_setr_epi8(0, 4, 8, -128, 1, 5, 9, -128, 2, 6, 10, -128, 3, 7, 11, -128,
                                            0, 4, 8, -128, 1, 5, 9, -128, 2, 6, 10, -128, 3, 7, 11, -128);
    const __m256i highRed = _mm256_setr_epi8(0, 4, 12, -128, 1, 5, 13, -128, 2, 6, 14, -128, 3, 7, 15, -128,
                                             0, 4, 12, -128, 1, 5, 13, -128, 2, 6, 14, -128, 3, 7, 15, -128);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i first = Load32(ayuv + 4 * x), second = Load32(ayuv + 4 * x + 32);
        const Colours one = ToRgb8(first), two = ToRgb8(second);
        const __m256i red = _mm256_packs_epi32(one.r, two.r);
        const __m256i low = _mm256_packus_epi16(_mm256_packs_epi32(one.b, one.g), red);
        const __m256i high = _mm256_packus_epi16(_mm256_packs_epi32(two.b, two.g), red);
        Store32(argb + 4 * x, _mm256_blendv_epi8(_mm256_shuffle_epi8(low, lowRed), first, alphaMask));
        Store32(argb + 4 * x + 32, _mm256_blendv_epi8(_mm256_shuffle_epi8(high, highRed), second, alphaMask));
    }
    ConvertToARGBRow_Sse2(ayuv + 4 * x, argb + 4 * x, width - x);
}

}  // namespace VelImageUtility
