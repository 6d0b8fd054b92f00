#include "argb/ArgbBlendModeKernels.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

namespace {

// The SSE2 word rules on sixteen words. Unpacking and packing work within
// each 128-bit half, so the words of pixels 0-1 and 4-5 (low) or 2-3 and
// 6-7 (high) travel together and the pack puts every pixel back in place.
inline __m256i Words(int16_t value) { return _mm256_set1_epi16(value); }

inline __m256i MultiplyWords(__m256i s, __m256i d) { return _mm256_srli_epi16(_mm256_mullo_epi16(d, s), 8); }

inline __m256i ScreenWords(__m256i s, __m256i d) {
    const __m256i white = Words(255);
    return _mm256_sub_epi16(
        white, _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(white, d), _mm256_sub_epi16(white, s)), 8));
}

inline __m256i MultiplyOrScreenWords(__m256i s, __m256i d, __m256i selector) {
    const __m256i white = Words(255);
    const __m256i multiplied = _mm256_srli_epi16(_mm256_mullo_epi16(s, d), 7);
    const __m256i screened = _mm256_sub_epi16(
        white, _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(white, s), _mm256_sub_epi16(white, d)), 7));
    return _mm256_blendv_epi8(multiplied, screened, _mm256_cmpgt_epi16(selector, Words(128)));
}

inline __m256 LowFloats(__m256i words) { return _mm256_cvtepi32_ps(_mm256_unpacklo_epi16(words, _mm256_setzero_si256())); }
inline __m256 HighFloats(__m256i words) { return _mm256_cvtepi32_ps(_mm256_unpackhi_epi16(words, _mm256_setzero_si256())); }

template <typename FloatRule>
inline __m256i FloatWords(__m256i s, __m256i d, FloatRule rule) {
    const __m256i low = _mm256_cvttps_epi32(rule(LowFloats(s), LowFloats(d)));
    const __m256i high = _mm256_cvttps_epi32(rule(HighFloats(s), HighFloats(d)));
    return _mm256_packs_epi32(low, high);
}

inline __m256i ColorDodgeWords(__m256i s, __m256i d) {
    const __m256i white = Words(255);
    const __m256i divisor = _mm256_max_epi16(_mm256_sub_epi16(white, s), Words(1));
    const __m256i quotient = FloatWords(divisor, _mm256_slli_epi16(d, 8), [](__m256 divisorFloats, __m256 numerator) {
        return _mm256_div_ps(numerator, divisorFloats);
    });
    return _mm256_blendv_epi8(quotient, white, _mm256_cmpeq_epi16(s, white));
}

inline __m256 SoftLightFloats(__m256 sInt, __m256 dInt) {
    const __m256 scale = _mm256_set1_ps(255.0f);
    const __m256 sf = _mm256_div_ps(sInt, scale);
    const __m256 df = _mm256_div_ps(dInt, scale);
    const __m256 strength = _mm256_sub_ps(_mm256_mul_ps(_mm256_set1_ps(2.0f), sf), _mm256_set1_ps(1.0f));
    const __m256 lighten = _mm256_sub_ps(_mm256_sqrt_ps(df), df);
    const __m256 darken = _mm256_sub_ps(df, _mm256_mul_ps(df, df));
    const __m256 term = _mm256_blendv_ps(darken, lighten, _mm256_cmp_ps(sf, _mm256_set1_ps(0.5f), _CMP_GT_OQ));
    return _mm256_mul_ps(_mm256_add_ps(df, _mm256_mul_ps(strength, term)), scale);
}

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

// Eight pixels per step by a word rule, the row's alpha bytes kept.
template <typename WordRule>
void RuleRow(uint8_t* row, const uint8_t* source, int32_t width, BlendMode mode, WordRule rule) {
    SplitRow(row, source, width, mode, [&](uint8_t* to, const uint8_t* from, size_t count) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i alphaMask = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
        size_t x = 0;
        for (; x + 8 <= count; x += 8) {
            const __m256i s = Load32(from + 4 * x);
            const __m256i d = Load32(to + 4 * x);
            const __m256i low = rule(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
            const __m256i high = rule(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
            Store32(to + 4 * x, _mm256_blendv_epi8(_mm256_packus_epi16(low, high), d, alphaMask));
        }
        return x;
    });
}

}  // namespace

void BlendModeRow_Avx2(BlendMode mode, uint8_t* row, const uint8_t* source, int32_t width) {
    switch (mode) {
        case BlendMode::Multiply:
            return RuleRow(row, source, width, mode, [](__m256i s, __m256i d) { return MultiplyWords(s, d); });
        case BlendMode::Screen:
            return RuleRow(row, source, width, mode, [](__m256i s, __m256i d) { return ScreenWords(s, d); });
        case BlendMode::ColorDodge:
            return RuleRow(row, source, width, mode, [](__m256i s, __m256i d) { return ColorDodgeWords(s, d); });
        case BlendMode::LinearDodge:
            // min(d + s, 255) is the saturating byte sum; alpha adds 0.
            return SplitRow(row, source, width, mode, [](uint8_t* to, const uint8_t* from, size_t count) {
                const __m256i colours = _mm256_set1_epi32(0x00FFFFFF);
                const auto sum = [&](__m256i d, __m256i s) { return _mm256_adds_epu8(d, _mm256_and_si256(s, colours)); };
                return TransformByteGroups32(to, 4 * count, sum, to, from) / 4;
            });
        case BlendMode::Overlay:
            return RuleRow(row, source, width, mode, [](__m256i s, __m256i d) { return MultiplyOrScreenWords(s, d, d); });
        case BlendMode::HardLight:
            return RuleRow(row, source, width, mode, [](__m256i s, __m256i d) { return MultiplyOrScreenWords(s, d, s); });
        case BlendMode::SoftLight:
            return RuleRow(row, source, width, mode, [](__m256i s, __m256i d) {
                return FloatWords(s, d, [](__m256 sf, __m256 df) { return SoftLightFloats(sf, df); });
            });
    }
}

}  // namespace VelImageUtility
