// Tone rules shared by the images that adjust contrast, brightness and
// levels one channel value at a time (Byte planes, ARGB colour channels):
// the per-value arithmetic and the 256-entry tables built from it.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// AdjustContrast takes gains from 0 to 2, both ends included; anything else,
// not-a-number included, leaves the image unchanged.
inline bool IsContrastGainInRange(float gain) { return gain >= 0.0f && gain <= 2.0f; }

// The gain in units of 1/4096, truncated toward zero (1.0 gives 4096).
inline int32_t ContrastFactor(float gain) { return static_cast<int32_t>(gain * 4096.0f); }

// Contrast about mid-grey: (((v - 128) * factor + 2048) >> 12) + 128, the
// shift arithmetic (rounding toward minus infinity), saturated to 0..255.
inline uint8_t ApplyContrast(uint8_t value, int32_t factor) {
    const int32_t scaled = (((value - 128) * factor + 2048) >> 12) + 128;
    return static_cast<uint8_t>(scaled < 0 ? 0 : (scaled > 255 ? 255 : scaled));
}

// value + delta saturated to 0..255, for every 32-bit delta.
inline uint8_t ApplyBrightness(uint8_t value, int32_t delta) {
    const int32_t limited = delta < -255 ? -255 : (delta > 255 ? 255 : delta);
    const int32_t sum = value + limited;
    return static_cast<uint8_t>(sum < 0 ? 0 : (sum > 255 ? 255 : sum));
}

// Posterize quantises with steps from 1 up; smaller steps leave the image
// unchanged.
inline bool IsPosterizeStep(int32_t step) { return step >= 1; }

// The plain posterize rule: (v / step) * step, rounding down.
inline uint8_t ApplyPosterize(uint8_t value, int32_t step) {
    return static_cast<uint8_t>((value / step) * step);
}

// AdjustContrastAroundMean takes amounts from -100 to 100; 0 is no change.
inline bool IsContrastAmountInRange(int32_t amount) {
    return amount >= -100 && amount <= 100 && amount != 0;
}

// Contrast about `mean` through a tangent curve: amount 100 thresholds at
// the mean, -100 flattens everything to the truncated mean.
void BuildContrastAroundMeanTable(int32_t amount, float mean, uint8_t table[256]);

// Linear map of inLow..inHigh onto outLow..outHigh, flat outside; when
// inHigh <= inLow the table is a step from outLow to outHigh.
void BuildLevelsTable(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh,
                      uint8_t table[256]);

}  // namespace VelImageUtility
