// Uses only the table and the SSE2 rows of the kernels header: an inline
// function of it used here would be compiled for AVX2 and could be the copy
// the linker keeps.
#include "services/AlphaBlendKernels.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

namespace {

// The effective alpha of each of eight pixels in the high word of its 32-bit
// lane, low word 0: the high word of (alpha << 8) * (opacity + 1).
inline __m256i Weights8(__m256i source, __m256i scale) {
    return _mm256_mulhi_epu16(_mm256_and_si256(source, _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u))), scale);
}

// The 16-bit weight of each pixel (bytes 2 and 3 of its lane) in the words
// of its colours and 0 in its alpha word, for the unpacked pixels 0-1 and
// 4-5 (`kHigh` false) or 2-3 and 6-7 (true).
template <bool kHigh>
inline __m256i ColourWeights(__m256i weights) {
    constexpr char b = kHigh ? 8 : 0;
    const __m256i spread = _mm256_setr_epi8(b + 2, b + 3, b + 2, b + 3, b + 2, b + 3, -128, -128,
                                            b + 6, b + 7, b + 6, b + 7, b + 6, b + 7, -128, -128,
                                            b + 2, b + 3, b + 2, b + 3, b + 2, b + 3, -128, -128,
                                            b + 6, b + 7, b + 6, b + 7, b + 6, b + 7, -128, -128);
    return _mm256_shuffle_epi8(weights, spread);
}

// The SSE2 row up to the first 32-byte boundary of the row and for the last
// pixels; `transform(d, s)` on eight pixels at a time between.
template <typename Sse2Row, typename Transform>
void BlendRow(uint8_t* row, const uint8_t* source, int32_t width, const AlphaWeightTable& table, Sse2Row sse2,
              Transform transform) {
    SplitAtAlignment(
        row, 4, static_cast<size_t>(width),
        [&](size_t first, size_t n) { sse2(row + 4 * first, source + 4 * first, static_cast<int32_t>(n), table); },
        [&](size_t first, size_t n) {
            return TransformByteGroups32(row + 4 * first, 4 * n, transform, row + 4 * first, source + 4 * first) / 4;
        });
}

inline __m256i Scale(const AlphaWeightTable& table) { return _mm256_set1_epi32(table.scale << 16); }

}  // namespace

// s * a + (256 - a) * d = 256 * d + (s - d) * a, so the colour is
// d + floor((s - d) * a / 256): the high word of ((s - d) << 7) * (a << 1),
// both factors within 16 bits signed. The alpha word has weight 0 and keeps d.
void AlphaBlendRow_Avx2(uint8_t* row, const uint8_t* source, int32_t width, const AlphaWeightTable& table) {
    const __m256i scale = Scale(table);
    BlendRow(row, source, width, table, AlphaBlendRow_Sse2, [scale](__m256i d, __m256i s) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i weights = _mm256_slli_epi32(Weights8(s, scale), 1);
        const auto blend = [](__m256i sWords, __m256i dWords, __m256i w) {
            return _mm256_add_epi16(dWords, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(sWords, dWords), 7), w));
        };
        const __m256i low = blend(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), ColourWeights<false>(weights));
        const __m256i high = blend(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), ColourWeights<true>(weights));
        return _mm256_packus_epi16(low, high);
    });
}

// (s * a) >> 8 is the high word of (s << 8) * a and at most 254, so it packs
// to bytes that add to d with saturation; alpha adds 0.
void AdditiveBlendRow_Avx2(uint8_t* row, const uint8_t* source, int32_t width, const AlphaWeightTable& table) {
    const __m256i scale = Scale(table);
    BlendRow(row, source, width, table, AdditiveBlendRow_Sse2, [scale](__m256i d, __m256i s) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i weights = Weights8(s, scale);
        const __m256i low = _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, s), ColourWeights<false>(weights));
        const __m256i high = _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, s), ColourWeights<true>(weights));
        return _mm256_adds_epu8(d, _mm256_packus_epi16(low, high));
    });
}

}  // namespace VelImageUtility
