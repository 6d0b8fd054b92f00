#include <emmintrin.h>

#include "argb/ArgbBlendModeKernels.h"
#include "services/PixelGroups_sse2.h"

namespace VelImageUtility {

namespace {

// Word rules: s and d are 16-bit lanes holding 0..255; results above 255
// are saturated by the store. Products of two such values fit 16 bits
// unsigned, so mullo and logical shifts give the exact plain values.
inline __m128i Words(int16_t value) { return _mm_set1_epi16(value); }

inline __m128i MultiplyWords(__m128i s, __m128i d) { return _mm_srli_epi16(_mm_mullo_epi16(d, s), 8); }

inline __m128i ScreenWords(__m128i s, __m128i d) {
    const __m128i white = Words(255);
    return _mm_sub_epi16(white, _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(white, d), _mm_sub_epi16(white, s)), 8));
}

inline __m128i LinearDodgeWords(__m128i s, __m128i d) { return _mm_add_epi16(d, s); }

// (s * d) >> 7 where `selector` <= 128, else 255 - (((255 - s) * (255 - d)) >> 7).
inline __m128i MultiplyOrScreenWords(__m128i s, __m128i d, __m128i selector) {
    const __m128i white = Words(255);
    const __m128i multiplied = _mm_srli_epi16(_mm_mullo_epi16(s, d), 7);
    const __m128i screened =
        _mm_sub_epi16(white, _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(white, s), _mm_sub_epi16(white, d)), 7));
    const __m128i screen = _mm_cmpgt_epi16(selector, Words(128));
    return _mm_or_si128(_mm_and_si128(screen, screened), _mm_andnot_si128(screen, multiplied));
}

// The four 32-bit lanes of the low or high half of eight words, as floats.
inline __m128 LowFloats(__m128i words) { return _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, _mm_setzero_si128())); }
inline __m128 HighFloats(__m128i words) { return _mm_cvtepi32_ps(_mm_unpackhi_epi16(words, _mm_setzero_si128())); }

// Eight words from `rule` applied to the floats of each half, truncated.
template <typename FloatRule>
inline __m128i FloatWords(__m128i s, __m128i d, FloatRule rule) {
    const __m128i low = _mm_cvttps_epi32(rule(LowFloats(s), LowFloats(d)));
    const __m128i high = _mm_cvttps_epi32(rule(HighFloats(s), HighFloats(d)));
    return _mm_packs_epi32(low, high);
}

// d * 256 / (255 - s) in single precision truncates to the integer quotient
// for every pair of bytes. Lanes with s = 255 divide by 1 instead of 0 and
// are then set to 255.
inline __m128i ColorDodgeWords(__m128i s, __m128i d) {
    const __m128i white = Words(255);
    const __m128i divisor = _mm_max_epi16(_mm_sub_epi16(white, s), Words(1));
    // d * 256 fits 16 bits unsigned.
    const __m128i quotient = FloatWords(divisor, _mm_slli_epi16(d, 8), [](__m128 divisorFloats, __m128 numerator) {
        return _mm_div_ps(numerator, divisorFloats);
    });
    const __m128i opaque = _mm_cmpeq_epi16(s, white);
    return _mm_or_si128(_mm_and_si128(opaque, white), _mm_andnot_si128(opaque, quotient));
}

// The plain rule's operations in the plain rule's order, lane by lane; the
// divisions and square root round exactly as their scalar forms.
inline __m128 SoftLightFloats(__m128 sInt, __m128 dInt) {
    const __m128 scale = _mm_set1_ps(255.0f);
    const __m128 sf = _mm_div_ps(sInt, scale);
    const __m128 df = _mm_div_ps(dInt, scale);
    const __m128 strength = _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), sf), _mm_set1_ps(1.0f));
    const __m128 lighten = _mm_sub_ps(_mm_sqrt_ps(df), df);
    const __m128 darken = _mm_sub_ps(df, _mm_mul_ps(df, df));
    const __m128 useRoot = _mm_cmpgt_ps(sf, _mm_set1_ps(0.5f));
    const __m128 term = _mm_or_ps(_mm_and_ps(useRoot, lighten), _mm_andnot_ps(useRoot, darken));
    return _mm_mul_ps(_mm_add_ps(df, _mm_mul_ps(strength, term)), scale);
}

template <typename WordRule>
void RuleRow(uint8_t* row, const uint8_t* source, int32_t width, BlendMode mode, WordRule rule) {
    const int32_t done = CombinePixelGroupsOfFour(row, source, width,
                                                  [&](const uint8_t*, __m128i s, __m128i d) { return rule(s, d); });
    BlendModeRow_Plain(mode, row + 4 * done, source + 4 * done, width - done);
}

}  // namespace

// Each rule goes in as a lambda of its own type, so that every row loop is
// compiled with its rule inlined.
void BlendModeRow_Sse2(BlendMode mode, uint8_t* row, const uint8_t* source, int32_t width) {
    switch (mode) {
        case BlendMode::Multiply:
            return RuleRow(row, source, width, mode, [](__m128i s, __m128i d) { return MultiplyWords(s, d); });
        case BlendMode::Screen:
            return RuleRow(row, source, width, mode, [](__m128i s, __m128i d) { return ScreenWords(s, d); });
        case BlendMode::ColorDodge:
            return RuleRow(row, source, width, mode, [](__m128i s, __m128i d) { return ColorDodgeWords(s, d); });
        case BlendMode::LinearDodge:
            return RuleRow(row, source, width, mode, [](__m128i s, __m128i d) { return LinearDodgeWords(s, d); });
        case BlendMode::Overlay:
            return RuleRow(row, source, width, mode, [](__m128i s, __m128i d) { return MultiplyOrScreenWords(s, d, d); });
        case BlendMode::HardLight:
            return RuleRow(row, source, width, mode, [](__m128i s, __m128i d) { return MultiplyOrScreenWords(s, d, s); });
        case BlendMode::SoftLight:
            return RuleRow(row, source, width, mode, [](__m128i s, __m128i d) {
                return FloatWords(s, d, [](__m128 sf, __m128 df) { return SoftLightFloats(sf, df); });
            });
    }
}

}  // namespace VelImageUtility
