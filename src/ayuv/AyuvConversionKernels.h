// Row kernels of the AYUV colour operations (V, U, Y, alpha bytes, studio
// range). The _Sse2 rows do whole groups and finish the row with the plain
// rule; the _Avx2 rows give the _Sse2 rows' bytes.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// ARGB pixels (blue, green, red, alpha) from AYUV pixels, each colour
// clamped to 0..255, alpha copied; 4-byte pixels on both sides.
void ConvertToARGBRow_Plain(const uint8_t* ayuv, uint8_t* argb, int32_t width);
void ConvertToARGBRow_Sse2(const uint8_t* ayuv, uint8_t* argb, int32_t width);
void ConvertToARGBRow_Avx2(const uint8_t* ayuv, uint8_t* argb, int32_t width);

// Red, green and blue of every pixel with alpha above 0 scaled by factor/256
// (through RGB, unclamped), alpha by alpha/256; transparent pixels kept.
struct ChannelFactors {
    int32_t red, green, blue, alpha;
};
void ScaleChannelsRGBRow_Plain(uint8_t* ayuv, int32_t width, ChannelFactors factors);

}  // namespace VelImageUtility
