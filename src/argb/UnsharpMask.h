// The unsharp mask of ARGB images and its blur.
#pragma once

#include <cstdint>
#include <vector>

namespace VelImageUtility {

// Radii beyond this are refused: the kernel (about 4 radius + 5 taps) and
// its product table grow with the radius.
constexpr float kMaxUnsharpRadius = 1000.0f;

// The bell-shaped smoothing kernel for `radius` (|radius| <= kMaxUnsharpRadius):
// an odd number n of weights, symmetric about n / 2, summing to 1.
std::vector<float> BuildSmoothingKernel(float radius);

// The kernel in 16.16 fixed point: weights[i] = trunc(k[i] x 65536), and
// products[i x 256 + v] = trunc(k[i] x v x 65536), the product taken in
// single precision.
struct FixedPointKernel {
    std::vector<int32_t> weights;
    std::vector<int32_t> products;
};
FixedPointKernel ToFixedPoint(const std::vector<float>& kernel);

// Blurs `length` 4-byte pixels (each byte by itself) from `source` into
// `destination`: the middle through the product table, the ends with the
// kernel cut at the line's ends and renormalised.
void BlurLine(const uint8_t* source, uint8_t* destination, int32_t length, const FixedPointKernel& kernel);

}  // namespace VelImageUtility
