// ARGB rotated drawing; both operations run the plain row at every level.
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "services/RotatedDrawing.h"

namespace VelImageUtility {

void CImageARGB::DrawRotatedImage(const ImageDesc* source, int32_t mode, float cx, float cy,
                                  float w, float h, float angle, uint8_t opacity) {
    RotatedFootprint plan;
    if (!IsUsablePixels(*this, 4) || !IsUsablePixels(source, 4) ||
        !AreFiniteArguments(cx, cy, w, h, angle) ||
        !PlanRotatedDraw(source->width, source->height, cx, cy, w, h, angle, &plan)) {
        return;
    }
    const RotatedMerge merge = mode == 0   ? RotatedMerge::kMixEach
                               : mode == 1 ? RotatedMerge::kAdd
                                           : RotatedMerge::kBlack;
    const RotatedSource from{source->data, source->width, source->height, source->stride};
    DrawRotatedFootprint(plan, from, *this, merge, opacity, DrawRotatedRow_Plain);
}

void CImageARGB::DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx,
                                        float cy, float w, float h, float verticalScale,
                                        float angle, uint8_t opacity) {
    DrawRotatedImageScaledInto(*this, source, mode, cx, cy, w, h, verticalScale, angle, opacity,
                               DrawRotatedRow_Plain);
}

}  // namespace VelImageUtility
