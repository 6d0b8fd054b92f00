#include "io/PixelRows.h"

namespace VelImageUtility {

void SwapRedBlueRow(uint8_t* destination, const uint8_t* source, int32_t width) {
    for (int32_t x = 0; x < width; ++x, source += 4, destination += 4) {
        const uint8_t first = source[0];
        const uint8_t third = source[2];
        destination[0] = third;
        destination[1] = source[1];
        destination[2] = first;
        destination[3] = source[3];
    }
}

void PremultiplyRow(uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x, row += 4) {
        const uint32_t alpha = row[3];
        for (int channel = 0; channel < 3; ++channel) {
            row[channel] = static_cast<uint8_t>(row[channel] * alpha / 255);
        }
    }
}

void UnpremultiplyRow(uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x, row += 4) {
        const uint32_t alpha = row[3];
        if (alpha == 255) continue;
        for (int channel = 0; channel < 3; ++channel) {
            if (alpha == 0) {
                row[channel] = 0;
                continue;
            }
            const uint32_t straight = (row[channel] * 255u + alpha / 2) / alpha;
            row[channel] = static_cast<uint8_t>(straight > 255 ? 255 : straight);
        }
    }
}

void CmykToBgraRow(uint8_t* row, int32_t width, bool inverted) {
    for (int32_t x = 0; x < width; ++x, row += 4) {
        uint32_t cyan = row[0], magenta = row[1], yellow = row[2], black = row[3];
        if (!inverted) {
            cyan = 255 - cyan;
            magenta = 255 - magenta;
            yellow = 255 - yellow;
            black = 255 - black;
        }
        // Here each value is the ink's complement: 255 means no ink.
        row[0] = static_cast<uint8_t>((yellow * black + 127) / 255);
        row[1] = static_cast<uint8_t>((magenta * black + 127) / 255);
        row[2] = static_cast<uint8_t>((cyan * black + 127) / 255);
        row[3] = 255;
    }
}

}  // namespace VelImageUtility
