// The alpha-weighted Gaussian rows: only taps of non-zero alpha count.
#include "services/BlurKernels.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kLanes = 4;

struct OpaqueSums {
    int32_t lanes[kLanes] = {0, 0, 0, 0};
    int32_t used = 0;

    void Add(const uint8_t* pixel, int32_t weight) {
        if (pixel[3] == 0) return;
        for (int32_t c = 0; c < kLanes; ++c) lanes[c] += weight * pixel[c];
        used += weight;
    }

    // Alpha falls off where the window is clipped, as it is divided by the
    // weights of the whole window.
    void Store(uint8_t* out, int32_t total) const {
        if (used == 0) {
            out[0] = out[1] = out[2] = out[3] = 0;
            return;
        }
        for (int32_t c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(lanes[c] / used);
        const int32_t alpha = lanes[3] / total;
        out[3] = static_cast<uint8_t>(alpha > 255 ? 255 : alpha);
    }
};

}  // namespace

void OpaqueGaussianRowHorizontal(uint8_t* out, const uint8_t* row, int32_t width,
                                 const int32_t* weights, int32_t radius, int32_t total) {
    for (int32_t x = 0; x < width; ++x) {
        const int32_t first = x > radius ? x - radius : 0;
        const int32_t last = x + radius < width ? x + radius : width - 1;
        OpaqueSums sums;
        for (int32_t i = first; i <= last; ++i) sums.Add(row + i * kLanes, weights[i - x + radius]);
        sums.Store(out + x * kLanes, total);
    }
}

void OpaqueGaussianRowsVertical(uint8_t* out, const uint8_t* const* rows, const int32_t* weights,
                                int32_t count, int32_t total, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        OpaqueSums sums;
        for (int32_t i = 0; i < count; ++i) sums.Add(rows[i] + x * kLanes, weights[i]);
        sums.Store(out + x * kLanes, total);
    }
}

}  // namespace VelImageUtility
