#include "byte/ByteKernels.h"
#include "services/ToneCurves.h"

namespace VelImageUtility {

void MultiplyByGainRun_Plain(uint8_t* run, size_t count, int32_t gain) {
    // Any gain from 255 up saturates every non-zero pixel, so the product
    // stays within 16 bits.
    const uint32_t limitedGain = gain > 255 ? 255u : static_cast<uint32_t>(gain);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t product = run[i] * limitedGain;
        run[i] = static_cast<uint8_t>(product > 255 ? 255 : product);
    }
}

void InvertRun_Plain(uint8_t* run, size_t count) {
    for (size_t i = 0; i < count; ++i) run[i] = static_cast<uint8_t>(255 - run[i]);
}

uint64_t SumRow_Plain(const uint8_t* row, int32_t count) {
    uint64_t sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += row[i];
    return sum;
}

void AdjustContrastRun_Plain(uint8_t* run, size_t count, int32_t factor) {
    for (size_t i = 0; i < count; ++i) run[i] = ApplyContrast(run[i], factor);
}

void AdjustBrightnessRun_Plain(uint8_t* run, size_t count, int32_t delta) {
    for (size_t i = 0; i < count; ++i) run[i] = ApplyBrightness(run[i], delta);
}

void MapRowThroughTable(uint8_t* row, int32_t count, const uint8_t table[256]) {
    for (int32_t i = 0; i < count; ++i) row[i] = table[row[i]];
}

}  // namespace VelImageUtility
