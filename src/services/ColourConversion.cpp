// The single-colour conversions every image interface inherits, and the two
// reserved table entries between them and the blurs. A conversion with a
// null output pointer writes nothing.
#include "services/ColourConversion.h"

#include "core/CImageUtility.h"

namespace VelImageUtility {

void CImageUtility::ConvertRGBToHSL(uint8_t r, uint8_t g, uint8_t b, uint8_t* h, uint8_t* s,
                                    uint8_t* l) {
    if (h == nullptr || s == nullptr || l == nullptr) return;
    const HslBytes hsl = RgbToHsl(r, g, b);
    *h = hsl.h;
    *s = hsl.s;
    *l = hsl.l;
}

void CImageUtility::ConvertHSLToRGB(uint8_t h, uint8_t s, uint8_t l, uint8_t* r, uint8_t* g,
                                    uint8_t* b) {
    if (r == nullptr || g == nullptr || b == nullptr) return;
    const RgbBytes rgb = HslToRgb(h, s, l);
    *r = rgb.r;
    *g = rgb.g;
    *b = rgb.b;
}

void CImageUtility::ConvertRGBToLuma(uint8_t r, uint8_t g, uint8_t b, uint8_t* y) {
    if (y != nullptr) *y = RgbToLuma(r, g, b);
}

void CImageUtility::ConvertRGBToYUV(int32_t r, int32_t g, int32_t b, int32_t* y, int32_t* u,
                                    int32_t* v) {
    if (y == nullptr || u == nullptr || v == nullptr) return;
    const YuvValues yuv = RgbToYuv(r, g, b);
    *y = yuv.y;
    *u = yuv.u;
    *v = yuv.v;
}

void CImageUtility::ConvertYUVToRGB(int32_t y, int32_t u, int32_t v, int32_t* r, int32_t* g,
                                    int32_t* b) {
    if (r == nullptr || g == nullptr || b == nullptr) return;
    const RgbValues rgb = YuvToRgb(y, u, v);
    *r = rgb.r;
    *g = rgb.g;
    *b = rgb.b;
}

void CImageUtility::ConvertRGBToYUVNoOffset(int32_t r, int32_t g, int32_t b, int32_t* y,
                                            int32_t* u, int32_t* v) {
    if (y == nullptr || u == nullptr || v == nullptr) return;
    const YuvValues yuv = RgbToYuvNoOffset(r, g, b);
    *y = yuv.y;
    *u = yuv.u;
    *v = yuv.v;
}

// Placeholders that keep their table slots: the first ignores everything,
// the second only checks its two pointers.
void CImageUtility::ReservedA(uint8_t*, int32_t, int32_t, int32_t, uint8_t*, int32_t, int32_t,
                              int32_t) {}

HRESULT CImageUtility::ReservedB(uint8_t* first, int32_t, int32_t, int32_t, uint8_t* second,
                                 int32_t) {
    return first == nullptr || second == nullptr ? VIU_E_INVALIDARG : VIU_S_OK;
}

}  // namespace VelImageUtility
