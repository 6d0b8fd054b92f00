#include <emmintrin.h>

#include "services/AlphaBlendKernels.h"
#include "services/PixelGroups_sse2.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kAlpha = 3;

inline __m128i LoadPixel(const uint8_t* p) {
    return _mm_cvtsi32_si128(static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                                  (static_cast<uint32_t>(p[3]) << 24)));
}

inline void StorePixel(uint8_t* p, __m128i value) {
    const uint32_t bits = static_cast<uint32_t>(_mm_cvtsi128_si32(value));
    p[0] = static_cast<uint8_t>(bits);
    p[1] = static_cast<uint8_t>(bits >> 8);
    p[2] = static_cast<uint8_t>(bits >> 16);
    p[3] = static_cast<uint8_t>(bits >> 24);
}

// The weights of the two pixels at `source`, four 16-bit lanes each.
inline __m128i WeightPair(const AlphaWeightTable& table, const uint8_t* source) {
    const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(table.weights[source[kAlpha]]));
    const __m128i second = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(table.weights[source[4 + kAlpha]]));
    return _mm_unpacklo_epi64(first, second);
}

// s * a + (256 - a) * d is at most 255 * 256, so 16-bit products and sums
// are exact as unsigned values.
inline __m128i BlendWords(__m128i source, __m128i row, __m128i weight) {
    const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(256), weight);
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(source, weight), _mm_mullo_epi16(row, inverse)), 8);
}

// d + ((s * a) >> 8) is at most 510; the pack saturates it to 255.
inline __m128i AddWords(__m128i source, __m128i row, __m128i weight) {
    return _mm_add_epi16(row, _mm_srli_epi16(_mm_mullo_epi16(source, weight), 8));
}

inline int32_t TabledWeight(const AlphaWeightTable& table, const uint8_t* source) {
    return table.weights[source[kAlpha]][0];
}

}  // namespace

void AlphaBlendRow_Sse2(uint8_t* row, const uint8_t* source, int32_t width,
                        const AlphaWeightTable& table) {
    const int32_t done = CombinePixelGroupsOfFour(row, source, width, [&](const uint8_t* pair, __m128i s, __m128i d) {
        return BlendWords(s, d, WeightPair(table, pair));
    });
    for (int32_t x = done; x < width; ++x) {
        AlphaBlendPixel(row + 4 * x, source + 4 * x, TabledWeight(table, source + 4 * x));
    }
}

void AdditiveBlendRow_Sse2(uint8_t* row, const uint8_t* source, int32_t width,
                           const AlphaWeightTable& table) {
    const int32_t done = CombinePixelGroupsOfFour(row, source, width, [&](const uint8_t* pair, __m128i s, __m128i d) {
        return AddWords(s, d, WeightPair(table, pair));
    });
    for (int32_t x = done; x < width; ++x) {
        AdditiveBlendPixel(row + 4 * x, source + 4 * x, TabledWeight(table, source + 4 * x));
    }
}

// Only the low 64 bits of a register are used, as on a processor whose
// widest integer registers are MMX ones.
void AdditiveBlendRow_Mmx(uint8_t* row, const uint8_t* source, int32_t width,
                          const AlphaWeightTable& table) {
    const __m128i zero = _mm_setzero_si128();
    for (int32_t x = 0; x < width; ++x, row += 4, source += 4) {
        const __m128i d = LoadPixel(row);
        const __m128i weight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(table.weights[source[kAlpha]]));
        const __m128i sum = AddWords(_mm_unpacklo_epi8(LoadPixel(source), zero), _mm_unpacklo_epi8(d, zero), weight);
        StorePixel(row, KeepAlphaBytes(_mm_packus_epi16(sum, zero), d));
    }
}

void BuildAlphaCompositeTables(AlphaCompositeTables& tables, uint8_t opacity) {
    for (int32_t alpha = 0; alpha < 256; ++alpha) {
        _mm_store_si128(reinterpret_cast<__m128i*>(tables.weights[alpha]),
                        _mm_set1_epi32(EffectiveAlpha(alpha, opacity)));
        const __m128 reciprocal = alpha == 0 ? _mm_setzero_ps() : _mm_rcp_ps(_mm_set1_ps(static_cast<float>(alpha)));
        _mm_store_ps(tables.reciprocals[alpha], reciprocal);
    }
}

namespace {

// `first` in the four words of the first pixel, `second` in those of the
// second.
inline __m128i PixelPairWords(int32_t first, int32_t second) {
    return _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<int16_t>(first)), _mm_set1_epi16(static_cast<int16_t>(second)));
}

// Both pixels blend with 0 < a < 255 over dA > 0. The numerator is
// s * a + ((d * (((256 - a) * dA) >> 1)) >> 7): the halved weight is below
// 2^15, and s * a below 2^16, so both products come from 16-bit multiplies.
template <bool kRoundToNearest>
void CompositePair(uint8_t* row, const uint8_t* source, int32_t a0, int32_t a1,
                   const AlphaCompositeTables& tables) {
    const __m128i zero = _mm_setzero_si128();
    const int32_t newAlpha0 = CompositeAlpha(row[kAlpha], a0);
    const int32_t newAlpha1 = CompositeAlpha(row[4 + kAlpha], a1);
    const int32_t k0 = ((256 - a0) * row[kAlpha]) >> 1;
    const int32_t k1 = ((256 - a1) * row[4 + kAlpha]) >> 1;
    const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row));
    const __m128i s = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(source)), zero);
    const __m128i d = _mm_unpacklo_epi8(old, zero);
    const __m128i a = PixelPairWords(a0, a1);
    const __m128i k = PixelPairWords(k0, k1);
    const __m128i sa = _mm_mullo_epi16(s, a);
    const __m128i dkLow = _mm_mullo_epi16(d, k);
    const __m128i dkHigh = _mm_mulhi_epu16(d, k);
    const __m128i n0 = _mm_add_epi32(_mm_unpacklo_epi16(sa, zero), _mm_srli_epi32(_mm_unpacklo_epi16(dkLow, dkHigh), 7));
    const __m128i n1 = _mm_add_epi32(_mm_unpackhi_epi16(sa, zero), _mm_srli_epi32(_mm_unpackhi_epi16(dkLow, dkHigh), 7));
    const __m128 q0 = _mm_mul_ps(_mm_cvtepi32_ps(n0), _mm_load_ps(tables.reciprocals[newAlpha0]));
    const __m128 q1 = _mm_mul_ps(_mm_cvtepi32_ps(n1), _mm_load_ps(tables.reciprocals[newAlpha1]));
    const __m128i i0 = kRoundToNearest ? _mm_cvtps_epi32(q0) : _mm_cvttps_epi32(q0);
    const __m128i i1 = kRoundToNearest ? _mm_cvtps_epi32(q1) : _mm_cvttps_epi32(q1);
    const __m128i words = _mm_packs_epi32(i0, i1);
    const __m128i colour = _mm_and_si128(_mm_packus_epi16(words, words), _mm_set1_epi32(0x00FFFFFF));
    const __m128i alphas = _mm_set_epi32(0, 0, static_cast<int32_t>(static_cast<uint32_t>(newAlpha1) << 24),
                                         static_cast<int32_t>(static_cast<uint32_t>(newAlpha0) << 24));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row), _mm_or_si128(colour, alphas));
}

inline bool BlendsBothAlphas(int32_t a, int32_t dA) { return a != 0 && a != 255 && dA != 0; }

template <bool kRoundToNearest>
void CompositeRow(uint8_t* row, const uint8_t* source, int32_t width, const AlphaCompositeTables& tables) {
    int32_t x = 0;
    for (; x + 2 <= width; x += 2) {
        uint8_t* to = row + 4 * x;
        const uint8_t* from = source + 4 * x;
        const int32_t a0 = tables.weights[from[kAlpha]][0];
        const int32_t a1 = tables.weights[from[4 + kAlpha]][0];
        if (BlendsBothAlphas(a0, to[kAlpha]) && BlendsBothAlphas(a1, to[4 + kAlpha])) {
            CompositePair<kRoundToNearest>(to, from, a0, a1, tables);
        } else {
            AlphaCompositePixel(to, from, a0);
            AlphaCompositePixel(to + 4, from + 4, a1);
        }
    }
    if (x < width) AlphaCompositePixel(row + 4 * x, source + 4 * x, tables.weights[source[4 * x + kAlpha]][0]);
}

}  // namespace

void AlphaCompositeRow_Sse2(uint8_t* row, const uint8_t* source, int32_t width,
                            const AlphaCompositeTables& tables, bool roundToNearest) {
    if (roundToNearest) {
        CompositeRow<true>(row, source, width, tables);
    } else {
        CompositeRow<false>(row, source, width, tables);
    }
}

}  // namespace VelImageUtility
