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

}  // namespace VelImageUtility
