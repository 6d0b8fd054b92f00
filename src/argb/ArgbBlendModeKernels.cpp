#include <cmath>

#include "argb/ArgbBlendModeKernels.h"
#include "services/BlendRules.h"
#include "services/ColourConversion.h"

namespace VelImageUtility {

namespace {

// Each rule maps a base value d and a blend value s (0..255) to the new base.
uint8_t Multiply(int32_t d, int32_t s) { return static_cast<uint8_t>((d * s) >> 8); }

uint8_t Screen(int32_t d, int32_t s) {
    return static_cast<uint8_t>(255 - (((255 - d) * (255 - s)) >> 8));
}

uint8_t LinearDodge(int32_t d, int32_t s) { return static_cast<uint8_t>(d + s > 255 ? 255 : d + s); }

// Overlay and hard light: multiply doubled, or screen doubled.
uint8_t MultiplyOrScreen(int32_t d, int32_t s, bool screen) {
    return static_cast<uint8_t>(screen ? 255 - (((510 - 2 * s) * (255 - d)) >> 8) : (2 * s * d) >> 8);
}

uint8_t Overlay(int32_t d, int32_t s) { return MultiplyOrScreen(d, s, d > 128); }
uint8_t HardLight(int32_t d, int32_t s) { return MultiplyOrScreen(d, s, s > 128); }

// Single precision throughout; blend values 128 and above take the
// square-root branch.
uint8_t SoftLight(int32_t d, int32_t s) {
    const float sf = static_cast<float>(s) / 255.0f;
    const float df = static_cast<float>(d) / 255.0f;
    const float r = sf > 0.5f ? df + (2.0f * sf - 1.0f) * (std::sqrt(df) - df)
                              : df + (2.0f * sf - 1.0f) * (df - df * df);
    return static_cast<uint8_t>(Clamp(static_cast<int32_t>(r * 255.0f), 0, 255));
}

template <uint8_t (*kRule)(int32_t, int32_t)>
void RuleRow(uint8_t* row, const uint8_t* source, int32_t width) {
    for (int32_t x = 0; x < width; ++x, row += 4, source += 4) {
        for (int32_t lane = 0; lane < 3; ++lane) row[lane] = kRule(row[lane], source[lane]);
    }
}

}  // namespace

void BlendModeRow_Plain(BlendMode mode, uint8_t* row, const uint8_t* source, int32_t width) {
    switch (mode) {
        case BlendMode::Multiply: return RuleRow<Multiply>(row, source, width);
        case BlendMode::Screen: return RuleRow<Screen>(row, source, width);
        case BlendMode::ColorDodge: return RuleRow<ColorDodgeValue>(row, source, width);
        case BlendMode::LinearDodge: return RuleRow<LinearDodge>(row, source, width);
        case BlendMode::Overlay: return RuleRow<Overlay>(row, source, width);
        case BlendMode::HardLight: return RuleRow<HardLight>(row, source, width);
        case BlendMode::SoftLight: return RuleRow<SoftLight>(row, source, width);
    }
}

}  // namespace VelImageUtility
