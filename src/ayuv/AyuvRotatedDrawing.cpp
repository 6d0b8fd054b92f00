// AYUV rotated drawing: the ARGB footprint and modes with V, U, Y in the
// places of blue, green, red; from level 3 the vector row, which rounds the
// rim mean and the composite division to nearest.
#include "ayuv/CImageAYUV.h"
#include "core/InstructionSetLevel.h"
#include "services/RotatedDrawing.h"

namespace VelImageUtility {

void CImageAYUV::DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx,
                                        float cy, float w, float h, float verticalScale,
                                        float angle, uint8_t opacity) {
    DrawRotatedImageScaledInto(*this, source, mode, cx, cy, w, h, verticalScale, angle, opacity,
                               UseSse2(level) ? DrawRotatedRow_Sse2 : DrawRotatedRow_Plain);
}

}  // namespace VelImageUtility
