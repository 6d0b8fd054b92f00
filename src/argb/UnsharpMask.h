// The unsharp mask of ARGB images and its blur.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "argb/UnsharpMaskGroups.h"

namespace VelImageUtility {

// Radii beyond this are refused: the kernel (about 4 radius + 5 taps) and
// its product table grow with the radius.
constexpr float kMaxUnsharpRadius = 1000.0f;

// The bell-shaped smoothing kernel for `radius` (|radius| <= kMaxUnsharpRadius):
// an odd number n of weights, symmetric about n / 2, summing to 1.
std::vector<float> BuildSmoothingKernel(float radius);

// The kernel in 16.16 fixed point: weights[i] = trunc(k[i] x 65536), and
// products[i x 256 + v] = trunc(k[i] x v x 65536), the product taken in
// single precision; scaledTaps[i] = k[i] x 65536, exact in floating point.
struct FixedPointKernel {
    std::vector<float> scaledTaps;
    std::vector<int32_t> weights;
    std::vector<int32_t> products;
};
FixedPointKernel ToFixedPoint(const std::vector<float>& kernel);

// One of the ProductSums rows below.
using ProductSumsKernel = void (*)(const uint8_t* in, ptrdiff_t tapStep, const FixedPointKernel& kernel,
                                   uint8_t* out, int32_t count);

// Blurs `length` 4-byte pixels (each byte by itself) from `source` into
// `destination`: the middle through the product table, the ends with the
// kernel cut at the line's ends and renormalised.
void BlurLine(const uint8_t* source, uint8_t* destination, int32_t length, const FixedPointKernel& kernel,
              ProductSumsKernel productSums);

// The middle of a blur: out[e] = min(sum over taps k of
// products[k][in[e + k x tapStep]] >> 16, 255) for e below count. The
// vector variant forms each product in single precision as the table does.
void ProductSums_Plain(const uint8_t* in, ptrdiff_t tapStep, const FixedPointKernel& kernel, uint8_t* out,
                       int32_t count);
void ProductSums_Sse2(const uint8_t* in, ptrdiff_t tapStep, const FixedPointKernel& kernel, uint8_t* out,
                      int32_t count);
// The SSE2 bytes with AVX2 registers: the groups of 32 through
// ProductSumGroups_Avx2, the rest through the SSE2 row.
void ProductSums_Avx2(const uint8_t* in, ptrdiff_t tapStep, const FixedPointKernel& kernel, uint8_t* out,
                      int32_t count);

// The product sums of kRowsAtOnce lines of samples, lines rowStep apart,
// line r's taps reading in + (r + k) x rowStep and its sums written at
// out + r x outStep: a whole kernel down kRowsAtOnce rows of a column.
using RowSumsKernel = void (*)(const uint8_t* in, ptrdiff_t rowStep, const FixedPointKernel& kernel, uint8_t* out,
                               ptrdiff_t outStep, int32_t count);
void RowSums_Sse2(const uint8_t* in, ptrdiff_t rowStep, const FixedPointKernel& kernel, uint8_t* out,
                  ptrdiff_t outStep, int32_t count);
// Each sample widened once for the kRowsAtOnce lines it serves.
void RowSums_Avx2(const uint8_t* in, ptrdiff_t rowStep, const FixedPointKernel& kernel, uint8_t* out,
                  ptrdiff_t outStep, int32_t count);

// row[i] + (diff x amount >> 16) cut to 0..255, diff = row[i] - blurred[i]
// (taken as 0 when 2 |diff| < threshold), amount in 16.16 fixed point with
// |amount| <= INT32_MAX / 255.
void SharpenRow_Plain(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, uint32_t threshold);
void SharpenRow_Sse2(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, uint32_t threshold);
void SharpenRow_Avx2(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, uint32_t threshold);

}  // namespace VelImageUtility
