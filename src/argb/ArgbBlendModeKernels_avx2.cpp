#include "argb/ArgbBlendModeKernels.h"
#include "argb/BlendModeWordRules.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

namespace {

// Sixteen 16-bit lanes and eight floats. Unpacking and packing work within
// each 128-bit half, so the words of pixels 0-1 and 4-5 (low) or 2-3 and 6-7
// (high) travel together and the pack puts every pixel back in place.
struct Avx2 {
    using Int = __m256i;
    using Float = __m256;
    static Int Words(int16_t value) { return _mm256_set1_epi16(value); }
    static Int Add(Int a, Int b) { return _mm256_add_epi16(a, b); }
    static Int Subtract(Int a, Int b) { return _mm256_sub_epi16(a, b); }
    static Int Multiply(Int a, Int b) { return _mm256_mullo_epi16(a, b); }
    static Int ShiftRight(Int a, int bits) { return _mm256_srli_epi16(a, bits); }
    static Int ShiftLeft(Int a, int bits) { return _mm256_slli_epi16(a, bits); }
    static Int Max(Int a, Int b) { return _mm256_max_epi16(a, b); }
    static Int GreaterThan(Int a, Int b) { return _mm256_cmpgt_epi16(a, b); }
    static Int Equal(Int a, Int b) { return _mm256_cmpeq_epi16(a, b); }
    static Int Select(Int mask, Int yes, Int no) { return _mm256_blendv_epi8(no, yes, mask); }
    static Float Floats(float value) { return _mm256_set1_ps(value); }
    static Float Add(Float a, Float b) { return _mm256_add_ps(a, b); }
    static Float Subtract(Float a, Float b) { return _mm256_sub_ps(a, b); }
    static Float Multiply(Float a, Float b) { return _mm256_mul_ps(a, b); }
    static Float Divide(Float a, Float b) { return _mm256_div_ps(a, b); }
    static Float SquareRoot(Float a) { return _mm256_sqrt_ps(a); }
    static Float GreaterThan(Float a, Float b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
    static Float Select(Float mask, Float yes, Float no) { return _mm256_blendv_ps(no, yes, mask); }
    static Float LowFloats(Int words) { return _mm256_cvtepi32_ps(_mm256_unpacklo_epi16(words, _mm256_setzero_si256())); }
    static Float HighFloats(Int words) { return _mm256_cvtepi32_ps(_mm256_unpackhi_epi16(words, _mm256_setzero_si256())); }
    static Int PackTruncated(Float low, Float high) { return _mm256_packs_epi32(_mm256_cvttps_epi32(low), _mm256_cvttps_epi32(high)); }
};

// The SSE2 row up to the first 32-byte boundary of the row and for the
// last pixels, `groups(row, source, width)` between (returning the pixels
// it did).
template <typename Groups>
void SplitRow(uint8_t* row, const uint8_t* source, int32_t width, BlendMode mode, Groups groups) {
    SplitAtAlignment(
        row, 4, static_cast<size_t>(width),
        [&](size_t first, size_t n) { BlendModeRow_Sse2(mode, row + 4 * first, source + 4 * first, static_cast<int32_t>(n)); },
        [&](size_t first, size_t n) { return groups(row + 4 * first, source + 4 * first, n); });
}

// Eight pixels per step: `rule(s, d)` gives the new bytes, the row's alpha
// bytes are kept.
template <typename ByteRule>
void RuleRow(uint8_t* row, const uint8_t* source, int32_t width, BlendMode mode, ByteRule rule) {
    SplitRow(row, source, width, mode, [&](uint8_t* to, const uint8_t* from, size_t count) {
        const __m256i alphaMask = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
        size_t x = 0;
        for (; x + 8 <= count; x += 8) {
            const __m256i d = Load32(to + 4 * x);
            Store32(to + 4 * x, _mm256_blendv_epi8(rule(Load32(from + 4 * x), d), d, alphaMask));
        }
        return x;
    });
}

// The bytes of a word rule, saturated.
template <typename WordRule>
__m256i ByWords(__m256i s, __m256i d, WordRule rule) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = rule(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
    const __m256i high = rule(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
    return _mm256_packus_epi16(low, high);
}

}  // namespace

void BlendModeRow_Avx2(BlendMode mode, uint8_t* row, const uint8_t* source, int32_t width) {
    if (mode == BlendMode::LinearDodge) {
        // min(d + s, 255) is the saturating byte sum; alpha adds 0.
        return SplitRow(row, source, width, mode, [](uint8_t* to, const uint8_t* from, size_t count) {
            const __m256i colours = _mm256_set1_epi32(0x00FFFFFF);
            const auto sum = [&](__m256i d, __m256i s) { return _mm256_adds_epu8(d, _mm256_and_si256(s, colours)); };
            return TransformByteGroups32(to, 4 * count, sum, to, from) / 4;
        });
    }
    if (mode == BlendMode::Multiply) {
        // (d * s) >> 8 is the high word of (d << 8) * s, and d unpacked above
        // a zero byte is d << 8.
        return RuleRow(row, source, width, mode, [](__m256i s, __m256i d) {
            const __m256i zero = _mm256_setzero_si256();
            const __m256i low = _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, d), _mm256_unpacklo_epi8(s, zero));
            const __m256i high = _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, d), _mm256_unpackhi_epi8(s, zero));
            return _mm256_packus_epi16(low, high);
        });
    }
    WithBlendWordRule<Avx2>(mode, [&](auto wordRule) {
        RuleRow(row, source, width, mode, [&](__m256i s, __m256i d) { return ByWords(s, d, wordRule); });
    });
}

}  // namespace VelImageUtility
