#include <emmintrin.h>

#include "argb/ArgbBlendModeKernels.h"
#include "argb/BlendModeWordRules.h"
#include "services/PixelGroups_sse2.h"

namespace VelImageUtility {

namespace {

// Eight 16-bit lanes and four floats.
struct Sse2 {
    using Int = __m128i;
    using Float = __m128;
    static Int Words(int16_t value) { return _mm_set1_epi16(value); }
    static Int Add(Int a, Int b) { return _mm_add_epi16(a, b); }
    static Int Subtract(Int a, Int b) { return _mm_sub_epi16(a, b); }
    static Int Multiply(Int a, Int b) { return _mm_mullo_epi16(a, b); }
    static Int ShiftRight(Int a, int bits) { return _mm_srli_epi16(a, bits); }
    static Int ShiftLeft(Int a, int bits) { return _mm_slli_epi16(a, bits); }
    static Int Max(Int a, Int b) { return _mm_max_epi16(a, b); }
    static Int GreaterThan(Int a, Int b) { return _mm_cmpgt_epi16(a, b); }
    static Int Equal(Int a, Int b) { return _mm_cmpeq_epi16(a, b); }
    static Int Select(Int mask, Int yes, Int no) { return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no)); }
    static Float Floats(float value) { return _mm_set1_ps(value); }
    static Float Add(Float a, Float b) { return _mm_add_ps(a, b); }
    static Float Subtract(Float a, Float b) { return _mm_sub_ps(a, b); }
    static Float Multiply(Float a, Float b) { return _mm_mul_ps(a, b); }
    static Float Divide(Float a, Float b) { return _mm_div_ps(a, b); }
    static Float SquareRoot(Float a) { return _mm_sqrt_ps(a); }
    static Float GreaterThan(Float a, Float b) { return _mm_cmpgt_ps(a, b); }
    static Float Select(Float mask, Float yes, Float no) { return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no)); }
    // The four 32-bit lanes of the low or high half of eight words, as floats.
    static Float LowFloats(Int words) { return _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, _mm_setzero_si128())); }
    static Float HighFloats(Int words) { return _mm_cvtepi32_ps(_mm_unpackhi_epi16(words, _mm_setzero_si128())); }
    static Int PackTruncated(Float low, Float high) { return _mm_packs_epi32(_mm_cvttps_epi32(low), _mm_cvttps_epi32(high)); }
};

}  // namespace

void BlendModeRow_Sse2(BlendMode mode, uint8_t* row, const uint8_t* source, int32_t width) {
    if (mode == BlendMode::Multiply) {
        // (d * s) >> 8 is the high word of (d << 8) * s, and d unpacked above
        // a zero byte is d << 8.
        const int32_t done = CombinePixelBytesOfFour(row, source, width, [](const uint8_t*, __m128i s, __m128i d) {
            const __m128i zero = _mm_setzero_si128();
            const __m128i low = _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, d), _mm_unpacklo_epi8(s, zero));
            const __m128i high = _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, d), _mm_unpackhi_epi8(s, zero));
            return _mm_packus_epi16(low, high);
        });
        return BlendModeRow_Plain(mode, row + 4 * done, source + 4 * done, width - done);
    }
    WithBlendWordRule<Sse2>(mode, [&](auto rule) {
        const int32_t done = CombinePixelGroupsOfFour(row, source, width,
                                                      [&](const uint8_t*, __m128i s, __m128i d) { return rule(s, d); });
        BlendModeRow_Plain(mode, row + 4 * done, source + 4 * done, width - done);
    });
}

}  // namespace VelImageUtility
