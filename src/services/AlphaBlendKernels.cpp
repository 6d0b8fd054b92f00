#include "services/AlphaBlendKernels.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kPixelBytes = 4;
constexpr int32_t kAlpha = 3;
}  // namespace

void BuildAlphaWeightTable(AlphaWeightTable& table, uint8_t opacity) {
    table.scale = opacity + 1;
    for (int32_t alpha = 0; alpha < 256; ++alpha) {
        for (uint16_t& lane : table.weights[alpha]) {
            lane = static_cast<uint16_t>(EffectiveAlpha(alpha, opacity));
        }
    }
}

void AlphaBlendRow_Plain(uint8_t* row, const uint8_t* source, int32_t width, uint8_t opacity) {
    for (int32_t x = 0; x < width; ++x, row += kPixelBytes, source += kPixelBytes) {
        AlphaBlendPixel(row, source, EffectiveAlpha(source[kAlpha], opacity));
    }
}

void AdditiveBlendRow_Plain(uint8_t* row, const uint8_t* source, int32_t width, uint8_t opacity) {
    for (int32_t x = 0; x < width; ++x, row += kPixelBytes, source += kPixelBytes) {
        AdditiveBlendPixel(row, source, EffectiveAlpha(source[kAlpha], opacity));
    }
}

// A >= a > 0 whenever it divides, and A <= 255, so the alpha never wraps.
void AlphaCompositePixel(uint8_t* pixel, const uint8_t* source, int32_t a) {
    if (a == 0) return;
    const int32_t dA = pixel[kAlpha];
    if (a == 255 || dA == 0) {
        for (int32_t lane = 0; lane < kAlpha; ++lane) pixel[lane] = source[lane];
        pixel[kAlpha] = static_cast<uint8_t>(a);
        return;
    }
    const uint32_t newAlpha = static_cast<uint32_t>(CompositeAlpha(dA, a));
    pixel[kAlpha] = static_cast<uint8_t>(newAlpha);
    const uint32_t weight = static_cast<uint32_t>((256 - a) * dA);
    for (int32_t lane = 0; lane < kAlpha; ++lane) {
        const uint32_t value =
            (source[lane] * static_cast<uint32_t>(a) + ((pixel[lane] * weight) >> 8)) / newAlpha;
        pixel[lane] = static_cast<uint8_t>(value > 255 ? 255 : value);
    }
}

void AlphaCompositeRow_Plain(uint8_t* row, const uint8_t* source, int32_t width, uint8_t opacity) {
    for (int32_t x = 0; x < width; ++x, row += kPixelBytes, source += kPixelBytes) {
        AlphaCompositePixel(row, source, EffectiveAlpha(source[kAlpha], opacity));
    }
}

}  // namespace VelImageUtility
