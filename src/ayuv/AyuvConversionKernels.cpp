#include "ayuv/AyuvConversionKernels.h"

#include "services/ColourConversion.h"

namespace VelImageUtility {

void ConvertToARGBRow_Plain(const uint8_t* ayuv, uint8_t* argb, int32_t width) {
    for (int32_t x = 0; x < width; ++x, ayuv += 4, argb += 4) {
        const RgbValues rgb = YuvToRgb(ayuv[2], ayuv[1], ayuv[0]);
        argb[0] = static_cast<uint8_t>(Clamp(rgb.b, 0, 255));
        argb[1] = static_cast<uint8_t>(Clamp(rgb.g, 0, 255));
        argb[2] = static_cast<uint8_t>(Clamp(rgb.r, 0, 255));
        argb[3] = ayuv[3];
    }
}

// The products stay far inside 32 bits (|colour| < 1024, factor < 256), so
// the shifts are plain arithmetic shifts of signed values.
void ScaleChannelsRGBRow_Plain(uint8_t* ayuv, int32_t width, ChannelFactors factors) {
    for (int32_t x = 0; x < width; ++x, ayuv += 4) {
        if (ayuv[3] == 0) continue;
        const RgbValues rgb = YuvToRgb(ayuv[2], ayuv[1], ayuv[0]);
        const YuvValues yuv = RgbToYuv((factors.red * rgb.r) >> 8, (factors.green * rgb.g) >> 8,
                                       (factors.blue * rgb.b) >> 8);
        ayuv[0] = static_cast<uint8_t>(yuv.v);
        ayuv[1] = static_cast<uint8_t>(yuv.u);
        ayuv[2] = static_cast<uint8_t>(yuv.y);
        ayuv[3] = static_cast<uint8_t>((ayuv[3] * factors.alpha) >> 8);
    }
}

}  // namespace VelImageUtility
