#include "argb/ArgbColourConversionKernels.h"

#include "services/ColourConversion.h"

namespace VelImageUtility {

void ConvertToAYUVRow_Plain(const uint8_t* argb, uint8_t* ayuv, int32_t width) {
    for (int32_t x = 0; x < width; ++x, argb += 4, ayuv += 4) {
        const YuvValues yuv = RgbToYuv(argb[2], argb[1], argb[0]);
        ayuv[0] = static_cast<uint8_t>(yuv.v);
        ayuv[1] = static_cast<uint8_t>(yuv.u);
        ayuv[2] = static_cast<uint8_t>(yuv.y);
        ayuv[3] = argb[3];
    }
}

void ConvertToLumaRow_Plain(const uint8_t* argb, int32_t argbStep, uint8_t* luma, int32_t lumaStep,
                            int32_t width) {
    for (int32_t x = 0; x < width; ++x, argb += argbStep, luma += lumaStep) {
        *luma = RgbToLuma(argb[2], argb[1], argb[0]);
    }
}

void ConvertToHSLPlanesRow_Plain(const uint8_t* argb, uint8_t* h, uint8_t* s, uint8_t* l,
                                 int32_t width) {
    for (int32_t x = 0; x < width; ++x, argb += 4) {
        const HslBytes hsl = RgbToHsl(argb[2], argb[1], argb[0]);
        h[x] = hsl.h;
        s[x] = hsl.s;
        l[x] = hsl.l;
    }
}

void ConvertFromHSLPlanesRow_Plain(const uint8_t* h, const uint8_t* s, const uint8_t* l,
                                   uint8_t* argb, int32_t width) {
    for (int32_t x = 0; x < width; ++x, argb += 4) {
        const RgbBytes rgb = HslToRgb(h[x], s[x], l[x]);
        argb[0] = rgb.b;
        argb[1] = rgb.g;
        argb[2] = rgb.r;
    }
}

}  // namespace VelImageUtility
