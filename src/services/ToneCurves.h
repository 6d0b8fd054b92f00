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

// The vector posterize rule, min(round(v / step) * step, 255) with the
// quotient rounded to nearest and ties to even, in 16-bit integer lanes:
// q = floor((2v + step) / (2 step)), less 1 where that quotient is odd and
// exact (a tie). No v / step of a byte lies nearer than 1 / 1020 to a half
// unless it is one, so this is the single-precision quotient rounded. The
// lanes hold 64 n = (v << 7) + (step << 6) for n = 2v + step, divide as
// q = 64 n * magic >> (16 + shift), and find a tie where q * (2 step << 6)
// equals 64 n (q * 2 step <= n, so the product fits). From step 510 up
// every quotient rounds to 0, and so do the lane fields all 0. `step` is
// the step itself, for the plain rule.
struct PosterizeDivision {
    int32_t step;
    uint16_t multiplier;
    uint16_t offset;
    uint16_t scaledDivisor;
    uint16_t magic;
    int32_t shift;
};
PosterizeDivision PosterizeDivisionOf(int32_t step);

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

// The levels table as arithmetic for 16-bit lanes. With t = min(v - inLow
// floored at 0, span) and |outHigh - outLow| = whole * span + rest, the
// entry is outLow +- (whole * t + (t * fraction) >> 16), fraction =
// ceil(65536 * rest / span): the product overshoots rest * t / span by
// t * (fraction * span - 65536 * rest) / (65536 span) < 255 * 255 /
// (65536 span) < 1 / span, too little to reach the next whole quotient.
// t = span gives |outHigh - outLow| exactly, so span 1 also serves the
// step table of inHigh <= inLow. The sign is applied in bytes as
// (q ^ negate) + base: base = outLow, plus 1 when falling.
struct LevelsLine {
    uint8_t inLow;
    uint8_t span;
    uint8_t negate;
    uint8_t base;
    uint16_t whole;
    uint16_t fraction;
};
LevelsLine LevelsLineOf(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh);

// One entry of the levels table from its line.
inline uint8_t ApplyLevelsLine(uint8_t value, const LevelsLine& line) {
    const uint32_t above = value > line.inLow ? uint32_t{value} - line.inLow : 0;
    const uint32_t t = above < line.span ? above : line.span;
    const uint32_t q = line.whole * t + ((t * line.fraction) >> 16);
    return static_cast<uint8_t>((q ^ line.negate) + line.base);
}

}  // namespace VelImageUtility
