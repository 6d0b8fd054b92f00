#include "services/ToneCurves.h"

#include <cmath>

namespace VelImageUtility {

void BuildContrastAroundMeanTable(int32_t amount, float mean, uint8_t table[256]) {
    if (amount == 100) {
        for (int32_t i = 0; i < 256; ++i) table[i] = static_cast<float>(i) >= mean ? 255 : 0;
        return;
    }
    // The angle runs from 0 (amount -100) through pi/4 (slope 1) towards
    // pi/2; it is worked out in double and rounded once to float.
    const float angle = static_cast<float>(1.5707963267948966 * (amount + 100) / 200.0);
    const float slope = std::tan(angle);
    for (int32_t i = 0; i < 256; ++i) {
        float value = mean + (static_cast<float>(i) - mean) * slope;
        if (value > 255.0f) value = 255.0f;
        if (!(value >= 0.0f)) value = 0.0f;  // not-a-number too, so the conversion is defined
        table[i] = static_cast<uint8_t>(static_cast<int32_t>(value));
    }
}

void BuildLevelsTable(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh,
                      uint8_t table[256]) {
    for (int32_t i = 0; i < 256; ++i) {
        if (i <= inLow) {
            table[i] = outLow;
        } else if (i >= inHigh) {
            table[i] = outHigh;
        } else {
            // Reached only when inLow < i < inHigh, so the divisor is positive.
            table[i] = static_cast<uint8_t>(outLow + ((outHigh - outLow) * (i - inLow)) / (inHigh - inLow));
        }
    }
}

LevelsLine LevelsLineOf(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) {
    const int32_t span = inHigh > inLow ? inHigh - inLow : 1;
    const bool falling = outHigh < outLow;
    const int32_t rise = falling ? outLow - outHigh : outHigh - outLow;
    const int32_t rest = rise % span;
    LevelsLine line;
    line.inLow = inLow;
    line.span = static_cast<uint8_t>(span);
    line.negate = falling ? 0xFF : 0;
    line.base = static_cast<uint8_t>(falling ? outLow + 1 : outLow);
    line.whole = static_cast<uint16_t>(rise / span);
    line.fraction = static_cast<uint16_t>((65536 * rest + span - 1) / span);
    return line;
}

PosterizeDivision PosterizeDivisionOf(int32_t step) {
    PosterizeDivision division{};
    division.step = step;
    if (step >= 510) return division;
    // The largest shift whose magic ceil(2^(10 + shift) / (2 step)) fits 16
    // bits; it leaves 2^(10 + shift) above 1019 * (2 step - 1), the most
    // any numerator times the magic's excess can reach.
    const uint32_t divisor = 2 * static_cast<uint32_t>(step);
    int32_t shift = 15;
    while (((uint64_t{1} << (10 + shift)) + divisor - 1) / divisor > 65535) --shift;
    division.multiplier = static_cast<uint16_t>(step);
    division.offset = static_cast<uint16_t>(step << 6);
    division.scaledDivisor = static_cast<uint16_t>(divisor << 6);
    division.magic = static_cast<uint16_t>(((uint64_t{1} << (10 + shift)) + divisor - 1) / divisor);
    division.shift = shift;
    return division;
}

}  // namespace VelImageUtility
