// AYUV fills: the same row kernels as the ARGB fills, with V, U, Y in the
// places of blue, green, red.
#include "ayuv/CImageAYUV.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"
#include "services/PixelFills.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kAyuvBytes = 4;
}  // namespace

void CImageAYUV::FillColorKeepAlpha(uint8_t luma, uint8_t u, uint8_t v) {
    if (!IsUsablePixels(*this, kAyuvBytes)) return;
    const uint32_t colour = uint32_t{v} | uint32_t{u} << 8 | uint32_t{luma} << 16;
    ForEachPixelRow(data, width, height, stride,
                    UseSse2(level) ? FillMaskedRow_Sse2 : FillMaskedRow_Plain, 0xFF000000u, colour);
}

void CImageAYUV::FillPixel(uint32_t value) {
    if (!IsUsablePixels(*this, kAyuvBytes)) return;
    ForEachPixelRow(data, width, height, stride,
                    UseSse2(level) ? FillPixelRow_Sse2 : FillPixelRow_Plain, value);
}

}  // namespace VelImageUtility
