// The masked pull toward a threshold, shared by the Byte plane and the ARGB
// colour lanes: where the mask value m is at most the threshold t (t >= 1),
// a value p becomes ((t - m + p) * m) / t, truncated. That is p * q + m *
// (1 - q) with q = m / t in 0..1, a weighted mean of p and m, so it needs no
// clamp: mask 0 gives 0, a mask equal to the threshold keeps p.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {

namespace detail {

template <typename Wide, int32_t kLanes>
void PullTowardMask(uint8_t* pixels, ptrdiff_t pixelStep, const uint8_t* mask, ptrdiff_t maskStep,
                    size_t count, Wide threshold) {
    // Computed for every value and then selected: a branch on the mask
    // mispredicts on half of a noisy plane.
    for (size_t i = 0; i < count; ++i, pixels += pixelStep, mask += maskStep) {
        const Wide m = *mask;
        for (int32_t lane = 0; lane < kLanes; ++lane) {
            const Wide pulled = ((threshold - m + pixels[lane]) * m) / threshold;
            pixels[lane] = m > threshold ? pixels[lane] : static_cast<uint8_t>(pulled);
        }
    }
}

}  // namespace detail

// The first kLanes bytes of `count` pixels `pixelStep` bytes apart, by mask
// bytes `maskStep` apart. (t + 255) * 255 fits 32 bits up to t = 2^23;
// larger thresholds take the slower 64-bit division.
template <int32_t kLanes>
void MaskByThresholdPixels(uint8_t* pixels, ptrdiff_t pixelStep, const uint8_t* mask,
                           ptrdiff_t maskStep, size_t count, int32_t threshold) {
    if (threshold <= (1 << 23)) {
        detail::PullTowardMask<int32_t, kLanes>(pixels, pixelStep, mask, maskStep, count, threshold);
    } else {
        detail::PullTowardMask<int64_t, kLanes>(pixels, pixelStep, mask, maskStep, count, threshold);
    }
}

}  // namespace VelImageUtility
