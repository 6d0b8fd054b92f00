// ARGB operations over every pixel of the image: colour blends, fills,
// channel scaling, one interpolated sample and the row padding.
#include "argb/ArgbPixelKernels.h"
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"
#include "services/PixelFills.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kArgbBytes = 4;
constexpr uint32_t kAlphaBits = 0xFF000000u;

// A 16-bit fixed-point coordinate: its high half read as a signed number.
inline int32_t WholePart(uint32_t coordinate) {
    return static_cast<int32_t>((coordinate >> 16) ^ 0x8000u) - 0x8000;
}
}  // namespace

// An opacity of 255 takes the colour's alpha as it is; any other scales it
// by (opacity + 1) / 256.
void CImageARGB::BlendColor(uint32_t color, uint8_t opacity) {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    const int32_t colourAlpha = static_cast<int32_t>(color >> 24);
    const int32_t weight = opacity == 255 ? colourAlpha : (colourAlpha * (opacity + 1)) >> 8;
    ForEachPixelRow(data, width, height, stride,
                    UseSse2(level) ? BlendColorRow_Sse2 : BlendColorRow_Plain, color, weight);
}

void CImageARGB::SetAlpha(uint8_t alpha) {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    // Both rows give the same bytes; the vector one is faster.
    ForEachPixelRow(data, width, height, stride, UseSse2(level) ? FillMaskedRow_Sse2 : FillMaskedRow_Plain,
                    ~kAlphaBits, uint32_t{alpha} << 24);
}

void CImageARGB::FillColorKeepAlpha(uint8_t red, uint8_t green, uint8_t blue) {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    const uint32_t colour = uint32_t{blue} | uint32_t{green} << 8 | uint32_t{red} << 16;
    ForEachPixelRow(data, width, height, stride,
                    UseSse2(level) ? FillMaskedRow_Sse2 : FillMaskedRow_Plain, kAlphaBits, colour);
}

void CImageARGB::FillPixel(uint32_t value) {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    ForEachPixelRow(data, width, height, stride,
                    UseSse2(level) ? FillPixelRow_Sse2 : FillPixelRow_Plain, value);
}

void CImageARGB::ScaleChannelsRGB(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    const uint8_t factors[4] = {blue, green, red, alpha};
    ForEachPixelRow(data, width, height, stride,
                    UseSse2(level) ? ScaleChannelsRow_Sse2 : ScaleChannelsRow_Plain, factors);
}

// Rows are taken as width * 4 bytes apart, so only packed images are
// sampled. The last column and row are their own right and lower neighbours.
void CImageARGB::SampleBilinear(uint32_t x, uint32_t y, uint8_t* out) {
    if (out == nullptr || !IsUsablePixels(*this, kArgbBytes) ||
        stride != PackedStride(width, kArgbBytes)) {
        return;
    }
    const int32_t sx = WholePart(x);
    const int32_t sy = WholePart(y);
    if (sx < 0 || sy < 0 || sx + 1 > width || sy + 1 > height) return;
    const uint8_t* p00 = data + (static_cast<intptr_t>(sy) * width + sx) * kArgbBytes;
    const uint8_t* p10 = sx + 1 < width ? p00 + kArgbBytes : p00;
    const intptr_t down = sy + 1 < height ? stride : 0;
    const int32_t fx = static_cast<int32_t>(x & 0xFFFFu);
    const int32_t fy = static_cast<int32_t>(y & 0xFFFFu);
    (UseSse2(level) ? SampleBilinearPixel_Sse2 : SampleBilinearPixel_Plain)(
        p00, p10, p00 + down, p10 + down, fx, fy, out);
}

int32_t CImageARGB::GetRowPadding() {
    if (!IsUsablePixels(*this, kArgbBytes)) return 0;
    return stride - width * kArgbBytes;
}

}  // namespace VelImageUtility
