// Row kernels of the opacity blends. The arithmetic treats bytes 0 to 2 as
// three independent colour values and byte 3 as alpha, so the same rows
// serve ARGB and AYUV pixels. Rows are 4-byte pixels; the vector rows finish
// a row with the plain rule and never touch a byte past its last pixel.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// The weight of a source alpha under an opacity. At opacity 255 this is the
// alpha itself, since (alpha * 256) >> 8 = alpha.
inline int32_t EffectiveAlpha(int32_t alpha, int32_t opacity) {
    return (alpha * (opacity + 1)) >> 8;
}

// The effective alpha of every source alpha, in all eight 16-bit lanes of
// its entry, so that a vector row picks a pixel's weight with one load; and
// opacity + 1, for rows that compute the weights.
struct alignas(16) AlphaWeightTable {
    uint16_t weights[256][8];
    int32_t scale;
};
void BuildAlphaWeightTable(AlphaWeightTable& table, uint8_t opacity);

// Colour c = (s * a + (256 - a) * d) >> 8 for a weight a of 0..256; this
// pixel's alpha kept.
inline void AlphaBlendPixel(uint8_t* pixel, const uint8_t* source, int32_t a) {
    for (int32_t lane = 0; lane < 3; ++lane) {
        pixel[lane] = static_cast<uint8_t>((source[lane] * a + (256 - a) * pixel[lane]) >> 8);
    }
}
void AlphaBlendRow_Plain(uint8_t* row, const uint8_t* source, int32_t width, uint8_t opacity);
void AlphaBlendRow_Sse2(uint8_t* row, const uint8_t* source, int32_t width,
                        const AlphaWeightTable& table);
// The SSE2 row's bytes, eight pixels per step.
void AlphaBlendRow_Avx2(uint8_t* row, const uint8_t* source, int32_t width, const AlphaWeightTable& table);

// Colour c = min(d + ((s * a) >> 8), 255); this pixel's alpha kept.
inline void AdditiveBlendPixel(uint8_t* pixel, const uint8_t* source, int32_t a) {
    for (int32_t lane = 0; lane < 3; ++lane) {
        const int32_t sum = pixel[lane] + ((source[lane] * a) >> 8);
        pixel[lane] = static_cast<uint8_t>(sum > 255 ? 255 : sum);
    }
}
void AdditiveBlendRow_Plain(uint8_t* row, const uint8_t* source, int32_t width, uint8_t opacity);
// One pixel per step in 64-bit lanes, for processors with MMX but no SSE2.
void AdditiveBlendRow_Mmx(uint8_t* row, const uint8_t* source, int32_t width,
                          const AlphaWeightTable& table);
void AdditiveBlendRow_Sse2(uint8_t* row, const uint8_t* source, int32_t width,
                           const AlphaWeightTable& table);
void AdditiveBlendRow_Avx2(uint8_t* row, const uint8_t* source, int32_t width, const AlphaWeightTable& table);

// Source over this pixel with both alphas: a = effective alpha; a = 0 keeps
// the pixel; a = 255 or a transparent pixel takes the source colour and
// alpha a; otherwise A = dA + a - dA * a / 255 and
// c = min((s * a + ((d * (256 - a) * dA) >> 8)) / A, 255).
inline int32_t CompositeAlpha(int32_t dA, int32_t a) { return dA + a - (dA * a) / 255; }
void AlphaCompositePixel(uint8_t* pixel, const uint8_t* source, int32_t a);
void AlphaCompositeRow_Plain(uint8_t* row, const uint8_t* source, int32_t width, uint8_t opacity);

// The vector composite's tables: effective alphas, and the processor's
// approximate reciprocal of every new alpha 1..255.
struct alignas(16) AlphaCompositeTables {
    int32_t weights[256][4];
    float reciprocals[256][4];
};
void BuildAlphaCompositeTables(AlphaCompositeTables& tables, uint8_t opacity);

// Pairs of pixels that both blend (0 < a < 255 over dA > 0) multiply by the
// approximate reciprocal of A with the weight (256 - a) * dA halved; their
// colour may differ from the plain rule by one. The quotient is truncated,
// or rounded to nearest when `roundToNearest`. Every other pair, and a last
// odd pixel, follows the plain rule.
void AlphaCompositeRow_Sse2(uint8_t* row, const uint8_t* source, int32_t width,
                            const AlphaCompositeTables& tables, bool roundToNearest);

}  // namespace VelImageUtility
