// Row kernels of the whole-image colour conversions of ARGB images (blue,
// green, red, alpha bytes). Each converts `width` pixels of one row; the
// _Sse2 rows do whole groups and finish the row with the plain rule; the
// _Avx2 rows give the _Sse2 rows' bytes.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// AYUV pixels (V, U, Y, alpha) from ARGB pixels, alpha copied; 4-byte
// pixels on both sides.
void ConvertToAYUVRow_Plain(const uint8_t* argb, uint8_t* ayuv, int32_t width);
void ConvertToAYUVRow_Sse2(const uint8_t* argb, uint8_t* ayuv, int32_t width);
void ConvertToAYUVRow_Avx2(const uint8_t* argb, uint8_t* ayuv, int32_t width);

// Studio-range luma of pixels `argbStep` bytes apart into plane bytes
// `lumaStep` apart.
void ConvertToLumaRow_Plain(const uint8_t* argb, int32_t argbStep, uint8_t* luma, int32_t lumaStep,
                            int32_t width);
// The same for 4-byte pixels and a 1-byte plane.
void ConvertToLumaRow_Sse2(const uint8_t* argb, uint8_t* luma, int32_t width);
void ConvertToLumaRow_Avx2(const uint8_t* argb, uint8_t* luma, int32_t width);

// Hue, saturation and lightness bytes of 4-byte pixels into three planes.
void ConvertToHSLPlanesRow_Plain(const uint8_t* argb, uint8_t* h, uint8_t* s, uint8_t* l,
                                 int32_t width);
void ConvertToHSLPlanesRow_Sse2(const uint8_t* argb, uint8_t* h, uint8_t* s, uint8_t* l,
                                int32_t width);

// Blue, green and red of 4-byte pixels from three HSL planes; alpha kept.
void ConvertFromHSLPlanesRow_Plain(const uint8_t* h, const uint8_t* s, const uint8_t* l,
                                   uint8_t* argb, int32_t width);

}  // namespace VelImageUtility
