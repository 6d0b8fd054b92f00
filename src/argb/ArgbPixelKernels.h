// Row and pixel kernels of the ARGB whole-image colour operations and of
// bilinear sampling. Pixels are bytes blue, green, red, alpha.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// Blue, green and red become (colour * weight + (256 - weight) * channel) >> 8;
// alpha kept. `colour` is a pixel word, `weight` 0..255.
void BlendColorRow_Plain(uint8_t* row, int32_t width, uint32_t colour, int32_t weight);
void BlendColorRow_Sse2(uint8_t* row, int32_t width, uint32_t colour, int32_t weight);

// Each byte becomes (byte * factor) >> 8, factors in pixel byte order
// (blue, green, red, alpha). The plain row skips pixels of alpha 0; the
// vector row skips a pair of pixels only when both alphas are 0, and takes
// an odd last pixel by the plain rule.
void ScaleChannelsRow_Plain(uint8_t* row, int32_t width, const uint8_t factors[4]);
void ScaleChannelsRow_Sse2(uint8_t* row, int32_t width, const uint8_t factors[4]);

// Bilinear value between pixel p00, its right neighbour p10, the pixel below
// p01 and p11, at 16-bit fractions fx, fy. The plain form writes blue, green
// and red; the vector form drops the lowest bit of each fraction, clamps,
// and writes all four bytes.
void SampleBilinearPixel_Plain(const uint8_t* p00, const uint8_t* p10, const uint8_t* p01,
                               const uint8_t* p11, int32_t fx, int32_t fy, uint8_t* out);
void SampleBilinearPixel_Sse2(const uint8_t* p00, const uint8_t* p10, const uint8_t* p01,
                              const uint8_t* p11, int32_t fx, int32_t fy, uint8_t* out);

}  // namespace VelImageUtility
