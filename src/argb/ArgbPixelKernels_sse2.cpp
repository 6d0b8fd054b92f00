#include <emmintrin.h>

#include <cstring>

#include "argb/ArgbPixelKernels.h"
#include "services/PixelGroups_sse2.h"

namespace VelImageUtility {

namespace {
inline __m128i AlphaBytes() { return _mm_set1_epi32(static_cast<int32_t>(0xFF000000u)); }

inline __m128i LoadPixel(const uint8_t* p) {
    int32_t word;
    std::memcpy(&word, p, sizeof word);
    return _mm_cvtsi32_si128(word);
}
}  // namespace

// Each channel is paired with the colour's channel and one multiply-add
// gives channel * (256 - weight) + colour * weight in 32 bits, which a
// 16-bit lane would not hold.
void BlendColorRow_Sse2(uint8_t* row, int32_t width, uint32_t colour, int32_t weight) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int32_t>(colour)), zero);
    const __m128i weights = _mm_set1_epi32((weight << 16) | (256 - weight));
    const auto blendHalf = [&](__m128i pixels16) {
        const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi16(pixels16, colour16), weights);
        const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi16(pixels16, colour16), weights);
        return _mm_packs_epi32(_mm_srli_epi32(low, 8), _mm_srli_epi32(high, 8));
    };
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i* to = reinterpret_cast<__m128i*>(row + 4 * x);
        const __m128i pixels = _mm_loadu_si128(to);
        const __m128i blended = _mm_packus_epi16(blendHalf(_mm_unpacklo_epi8(pixels, zero)),
                                                 blendHalf(_mm_unpackhi_epi8(pixels, zero)));
        _mm_storeu_si128(to, KeepAlphaBytes(blended, pixels));
    }
    BlendColorRow_Plain(row + 4 * x, width - x, colour, weight);
}

namespace {
// Both pixels of a pair are scaled unless both alphas are 0.
inline __m128i ScalePairs(__m128i pixels, __m128i factors16) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pixels, zero), factors16), 8);
    const __m128i high = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pixels, zero), factors16), 8);
    const __m128i scaled = _mm_packus_epi16(low, high);
    const __m128i alphaZero = _mm_cmpeq_epi32(_mm_and_si128(pixels, AlphaBytes()), zero);
    const __m128i pairZero =
        _mm_and_si128(alphaZero, _mm_shuffle_epi32(alphaZero, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_or_si128(_mm_and_si128(pairZero, pixels), _mm_andnot_si128(pairZero, scaled));
}
}  // namespace

void ScaleChannelsRow_Sse2(uint8_t* row, int32_t width, const uint8_t factors[4]) {
    int32_t packed;
    std::memcpy(&packed, factors, sizeof packed);
    const __m128i factors16 = _mm_unpacklo_epi8(_mm_set1_epi32(packed), _mm_setzero_si128());
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(row + 4 * x);
        _mm_storeu_si128(at, ScalePairs(_mm_loadu_si128(at), factors16));
    }
    if (x + 2 <= width) {
        __m128i* at = reinterpret_cast<__m128i*>(row + 4 * x);
        _mm_storel_epi64(at, ScalePairs(_mm_loadl_epi64(at), factors16));
        x += 2;
    }
    ScaleChannelsRow_Plain(row + 4 * x, width - x, factors);
}

// p + floor(2 * (q - p) * (f >> 1) / 65536) in every lane: the doubled
// difference fits a signed 16-bit lane and the halved fraction a positive one.
void SampleBilinearPixel_Sse2(const uint8_t* p00, const uint8_t* p10, const uint8_t* p01,
                              const uint8_t* p11, int32_t fx, int32_t fy, uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i halfFx = _mm_set1_epi16(static_cast<int16_t>(fx >> 1));
    const __m128i halfFy = _mm_set1_epi16(static_cast<int16_t>(fy >> 1));
    const auto lerp = [](__m128i p, __m128i q, __m128i half) {
        return _mm_add_epi16(p, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(q, p), 1), half));
    };
    const __m128i top = lerp(_mm_unpacklo_epi8(LoadPixel(p00), zero),
                             _mm_unpacklo_epi8(LoadPixel(p10), zero), halfFx);
    const __m128i bottom = lerp(_mm_unpacklo_epi8(LoadPixel(p01), zero),
                                _mm_unpacklo_epi8(LoadPixel(p11), zero), halfFx);
    const int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(lerp(top, bottom, halfFy), zero));
    std::memcpy(out, &word, sizeof word);
}

}  // namespace VelImageUtility
