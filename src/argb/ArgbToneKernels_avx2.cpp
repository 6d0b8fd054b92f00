#include "argb/ArgbToneKernels.h"
#include "services/ByteGroups_avx2.h"
#include "services/ColourConversion.h"  // constants only: no inline function of it is used here
#include "services/ToneCurves_avx2.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kColourBits = 0x00FFFFFF;

// A 32-bit lane holding the 16-bit weights (low, high).
inline __m256i WeightPair(int32_t low, int32_t high) { return _mm256_set1_epi32(low | (high << 16)); }

// Studio-range luma of eight pixels, one per 32-bit lane, as the SSE2 row
// computes it: (blue, red) pairs and (green, alpha) pairs, alpha weighted 0.
inline __m256i Luma8(__m256i pixels) {
    const __m256i blueRed = _mm256_madd_epi16(_mm256_and_si256(pixels, _mm256_set1_epi32(0x00FF00FF)), WeightPair(401, 1053));
    const __m256i green = _mm256_madd_epi16(_mm256_srli_epi16(pixels, 8), WeightPair(2064, 0));
    return _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(blueRed, green), _mm256_set1_epi32(kLumaOffset)), 12);
}

// Byte 0 of each 32-bit lane (a value 0..255) into bytes 0 to 2, byte 3 zero.
inline __m256i SpreadToColours(__m256i values) {
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, -128, 4, 4, 4, -128, 8, 8, 8, -128, 12, 12, 12, -128,
                                            0, 0, 0, -128, 4, 4, 4, -128, 8, 8, 8, -128, 12, 12, 12, -128);
    return _mm256_shuffle_epi8(values, spread);
}

// Blue, green and red from `colours`, alpha from `old`.
inline __m256i WithAlphaOf(__m256i colours, __m256i old) {
    const __m256i colourMask = _mm256_set1_epi32(kColourBits);
    return _mm256_or_si256(_mm256_and_si256(colours, colourMask), _mm256_andnot_si256(colourMask, old));
}

// The SSE2 row `sse2` up to the first 32-byte boundary and for the last
// pixels, a byte-wise `transform` in groups of 8 pixels between.
template <typename Sse2Row, typename Transform>
void TransformRow(uint8_t* row, int32_t width, Sse2Row sse2, Transform transform) {
    SplitAtAlignment(
        row, 4, static_cast<size_t>(width),
        [&](size_t first, size_t n) { sse2(row + 4 * first, static_cast<int32_t>(n)); },
        [&](size_t first, size_t n) { return TransformByteGroups32(row + 4 * first, 4 * n, transform, row + 4 * first) / 4; });
}
}  // namespace

void ConvertToGrayRow_Avx2(uint8_t* row, int32_t width) {
    const __m256i alphaMask = _mm256_set1_epi32(~kColourBits);
    TransformRow(row, width, ConvertToGrayRow_Sse2, [&](__m256i pixels) {
        return _mm256_or_si256(SpreadToColours(Luma8(pixels)), _mm256_and_si256(pixels, alphaMask));
    });
}

void InvertRow_Avx2(uint8_t* row, int32_t width) {
    const __m256i colourBits = _mm256_set1_epi32(kColourBits);
    TransformRow(row, width, InvertRow_Sse2, [&](__m256i pixels) { return _mm256_xor_si256(pixels, colourBits); });
}

// Nothing is added to or taken from alpha.
void AdjustBrightnessRow_Avx2(uint8_t* row, int32_t width, int32_t delta) {
    const auto sse2 = [delta](uint8_t* part, int32_t n) { AdjustBrightnessRow_Sse2(part, n, delta); };
    WithBrightnessTransform(delta, _mm256_set1_epi32(kColourBits), [&](auto transform) { TransformRow(row, width, sse2, transform); });
}

// The SSE2 row takes an even number of pixels up to the first 32-byte
// boundary (none unless the row is 8-byte aligned) and the rest after the
// groups of 8, so that it meets the row's own odd last pixel and no other.
void PosterizeRow_Avx2(uint8_t* row, int32_t width, const PosterizeDivision& division) {
    const PosterizeLanes32 lanes = PosterizeLanes32Of(division);
    const uintptr_t address = reinterpret_cast<uintptr_t>(row);
    int32_t head = address % 8 == 0 ? static_cast<int32_t>((0 - address) % 32 / 4) : 0;
    if (head > width) head = width;
    PosterizeRow_Sse2(row, head, division);
    uint8_t* groups = row + 4 * head;
    const size_t done = TransformByteGroups32(
        groups, 4 * static_cast<size_t>(width - head),
        [&](__m256i pixels) { return WithAlphaOf(PosterizeBytes32(pixels, lanes), pixels); }, groups);
    PosterizeRow_Sse2(groups + done, width - head - static_cast<int32_t>(done / 4), division);
}

void AdjustContrastRow_Avx2(uint8_t* row, int32_t width, int32_t factor) {
    const __m256i factor16 = Words(factor);
    const auto sse2 = [factor](uint8_t* part, int32_t n) { AdjustContrastRow_Sse2(part, n, factor); };
    TransformRow(row, width, sse2, [&](__m256i pixels) { return WithAlphaOf(ContrastBytes32(pixels, factor16), pixels); });
}

void MapLevelsRow_Avx2(uint8_t* row, int32_t width, const LevelsLine& line) {
    const LevelsLanes32 lanes = LevelsLanes32Of(line);
    const auto sse2 = [&line](uint8_t* part, int32_t n) { MapLevelsRow_Sse2(part, n, line); };
    TransformRow(row, width, sse2, [&](__m256i pixels) { return WithAlphaOf(LevelsBytes32(pixels, lanes), pixels); });
}

}  // namespace VelImageUtility
