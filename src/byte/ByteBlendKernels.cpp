#include "byte/ByteKernels.h"
#include "services/BlendRules.h"

namespace VelImageUtility {

namespace {

template <typename Wide>
void MaskByThresholdWith(uint8_t* run, const uint8_t* mask, size_t count, Wide threshold) {
    // Computed for every byte and then selected: a branch on the mask
    // mispredicts on half of a noisy plane.
    for (size_t i = 0; i < count; ++i) {
        const Wide m = mask[i];
        const Wide pulled = ((threshold - m + run[i]) * m) / threshold;
        run[i] = m > threshold ? run[i] : static_cast<uint8_t>(pulled);
    }
}

}  // namespace

void MaskByThresholdRun(uint8_t* run, const uint8_t* mask, size_t count, int32_t threshold) {
    // p * t + m * (1 - t) with t = m / threshold in 0..1: a weighted mean of
    // p and m, so it needs no clamp. Mask 0 gives 0, a mask equal to the
    // threshold keeps p. (threshold + 255) * 255 fits 32 bits up to 2^23;
    // larger thresholds take the slower 64-bit division.
    if (threshold <= (1 << 23)) {
        MaskByThresholdWith<int32_t>(run, mask, count, threshold);
    } else {
        MaskByThresholdWith<int64_t>(run, mask, count, threshold);
    }
}

void ColorDodgeBlendRun(uint8_t* run, const uint8_t* blend, size_t count) {
    for (size_t i = 0; i < count; ++i) run[i] = ColorDodgeValue(run[i], blend[i]);
}

uint32_t TiledPatternMask(int32_t patternWidth, int32_t patternHeight) {
    const int32_t smaller = patternWidth < patternHeight ? patternWidth : patternHeight;
    uint32_t mask = 1;
    while (2 * static_cast<int64_t>(mask) < static_cast<int64_t>(smaller) - 1) mask = 2 * mask + 1;
    return mask;
}

void AddTiledPatternRow(uint8_t* row, int32_t width, const uint8_t* patternRow,
                        uint32_t originX, uint32_t tileMask) {
    // Unsigned sums wrap harmlessly: only the bits under the mask count.
    for (int32_t x = 0; x < width; ++x) {
        const int32_t sum = row[x] + patternRow[(originX + static_cast<uint32_t>(x)) & tileMask];
        row[x] = static_cast<uint8_t>(sum > 255 ? 255 : sum);
    }
}

void AddDiagonalLine(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride, int32_t x,
                     int32_t y, int32_t stepX, uint8_t amount) {
    if (x < 0 || x >= width || y < 0 || y >= height) return;
    // Points left: down to the last row, and sideways to the image's edge.
    const int32_t rowsLeft = height - y;
    const int32_t columnsLeft = stepX < 0 ? x + 1 : width - x;
    const int32_t points = rowsLeft < columnsLeft ? rowsLeft : columnsLeft;
    uint8_t* pixel = data + static_cast<ptrdiff_t>(y) * stride + x;
    for (int32_t i = 0; i < points; ++i, pixel += stride + stepX) {
        const int32_t sum = *pixel + amount;
        *pixel = static_cast<uint8_t>(sum > 255 ? 255 : sum);
    }
}

}  // namespace VelImageUtility
