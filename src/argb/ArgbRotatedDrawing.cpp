// ARGB rotated drawing; both operations give the plain row's bytes at every
// level, the vector levels running its inside runs in vector steps.
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"
#include "services/RotatedDrawing.h"

namespace VelImageUtility {

namespace {
template <RotatedRowFunction kVectorRow>
void VectorRowUnlessPlain(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx, int32_t dvdx,
                          uint8_t* row, int32_t count, RotatedMerge merge, uint8_t opacity) {
    const RotatedRowFunction draw = RotatedRunTakesPlainRow(source, row, count, merge) ? DrawRotatedRow_Plain : kVectorRow;
    draw(source, u, v, dudx, dvdx, row, count, merge, opacity);
}

RotatedRowFunction ExactRow(int32_t level) {
    return PickKernel<RotatedRowFunction>(level, DrawRotatedRow_Plain, VectorRowUnlessPlain<DrawRotatedRowExact_Sse2>,
                                          VectorRowUnlessPlain<DrawRotatedRowExact_Avx2>);
}
}  // namespace

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
    DrawRotatedFootprint(plan, from, *this, merge, opacity, ExactRow(level));
}

void CImageARGB::DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx,
                                        float cy, float w, float h, float verticalScale,
                                        float angle, uint8_t opacity) {
    DrawRotatedImageScaledInto(*this, source, mode, cx, cy, w, h, verticalScale, angle, opacity,
                               ExactRow(level));
}

}  // namespace VelImageUtility
