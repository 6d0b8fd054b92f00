// Where a rotated draw lands and how its walk steps through the source. All
// set-up arithmetic is single precision, every float-to-integer conversion
// truncates, and a value that does not fit 32 bits refuses the draw.
#include <algorithm>
#include <cmath>

#include "core/InputChecks.h"
#include "services/RotatedDrawing.h"

namespace VelImageUtility {

namespace {
constexpr int64_t kInt32Max = 2147483647;

bool FitsInt32(int64_t value) { return value >= -kInt32Max && value <= kInt32Max; }

// Box origin from its centre, then the 16.16 mapping constants. `w` and
// `h` are the rectangle's size; the vertical scale divides the row steps.
bool MapFootprint(int32_t sourceWidth, int32_t sourceHeight, float cx, float cy, float c,
                  float s, float w, float h, float verticalScale, RotatedFootprint* plan) {
    if (plan->boxWidth <= 0 || plan->boxHeight <= 0) return false;
    const float srcW = static_cast<float>(sourceWidth);
    const float srcH = static_cast<float>(sourceHeight);
    const float a = -(static_cast<float>(plan->boxWidth) * 32768.0f);
    const float b = -(static_cast<float>(plan->boxHeight) * 32768.0f) / verticalScale;
    int32_t rowU = 0;
    const bool ok =
        TruncatesToInt32(cx - static_cast<float>(plan->boxWidth / 2), &plan->boxX) &&
        TruncatesToInt32(cy - static_cast<float>(plan->boxHeight / 2), &plan->boxY) &&
        TruncatesToInt32(((a * c - b * s) / w) * srcW + srcW * 32768.0f, &plan->uStart) &&
        TruncatesToInt32(((b * c + a * s) / h) * srcH + srcH * 32768.0f, &plan->vStart) &&
        TruncatesToInt32(srcW * 65536.0f * c / w, &plan->dudx) &&
        TruncatesToInt32(srcH * 65536.0f * s / h, &plan->dvdx) &&
        TruncatesToInt32((srcW * 65536.0f * s / w) / verticalScale, &rowU) &&
        TruncatesToInt32((srcH * 65536.0f * c / h) / verticalScale, &plan->dvdy);
    plan->dudy = -rowU;
    return ok;
}
}  // namespace

bool PlanRotatedDraw(int32_t sourceWidth, int32_t sourceHeight, float cx, float cy, float width,
                     float height, float angle, RotatedFootprint* plan) {
    if (sourceWidth <= 0 || sourceHeight <= 0) return false;
    int32_t left, right, top, bottom;
    if (!TruncatesToInt32(cx - width * 0.5f, &left) || !TruncatesToInt32(cx + width * 0.5f, &right) ||
        !TruncatesToInt32(cy - height * 0.5f, &top) || !TruncatesToInt32(cy + height * 0.5f, &bottom)) {
        return false;
    }
    const int64_t w = int64_t{right} - left;
    const int64_t h = int64_t{bottom} - top;
    if (w <= 0 || h <= 0 || !FitsInt32(w) || !FitsInt32(h)) return false;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float fw = static_cast<float>(w);
    const float fh = static_cast<float>(h);
    int32_t boxW, boxH;
    if (!TruncatesToInt32(std::fabs(c * fw) + std::fabs(s * fh), &boxW) ||
        !TruncatesToInt32(std::fabs(c * fh) + std::fabs(s * fw), &boxH) ||
        !FitsInt32(int64_t{boxW} + 2) || !FitsInt32(int64_t{boxH} + 2)) {
        return false;
    }
    plan->boxWidth = boxW + 2;
    plan->boxHeight = boxH + 2;
    return MapFootprint(sourceWidth, sourceHeight, cx, cy, c, s, fw, fh, 1.0f, plan);
}

bool PlanRotatedDrawScaled(int32_t sourceWidth, int32_t sourceHeight, float cx, float cy,
                           float width, float height, float verticalScale, float angle,
                           RotatedFootprint* plan) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || !(width > 0.0f) || !(height > 0.0f) ||
        !(verticalScale > 0.0f)) {
        return false;
    }
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return TruncatesToInt32(std::fabs(c * width) + std::fabs(s * height), &plan->boxWidth) &&
           TruncatesToInt32((std::fabs(c * height) + std::fabs(s * width)) * verticalScale,
                        &plan->boxHeight) &&
           MapFootprint(sourceWidth, sourceHeight, cx, cy, c, s, width, height, verticalScale,
                        plan);
}

// Only box pixels inside the image are visited; a clipped run starts at the
// position the walk would have reached there (the steps wrap alike).
void DrawRotatedFootprint(const RotatedFootprint& plan, const RotatedSource& source,
                          CImageBase& image, RotatedMerge merge, uint8_t opacity,
                          RotatedRowFunction row) {
    const int64_t firstI = std::max<int64_t>(0, -int64_t{plan.boxX});
    const int64_t endI = std::min<int64_t>(plan.boxWidth, int64_t{image.width} - plan.boxX);
    const int64_t firstJ = std::max<int64_t>(0, -int64_t{plan.boxY});
    const int64_t endJ = std::min<int64_t>(plan.boxHeight, int64_t{image.height} - plan.boxY);
    if (firstI >= endI || firstJ >= endJ) return;
    const uint32_t i = static_cast<uint32_t>(firstI);
    const int32_t count = static_cast<int32_t>(endI - firstI);
    for (int64_t j = firstJ; j < endJ; ++j) {
        const uint32_t rowSteps = static_cast<uint32_t>(j);
        const uint32_t u = static_cast<uint32_t>(plan.uStart) +
                           static_cast<uint32_t>(plan.dudy) * rowSteps +
                           static_cast<uint32_t>(plan.dudx) * i;
        const uint32_t v = static_cast<uint32_t>(plan.vStart) +
                           static_cast<uint32_t>(plan.dvdy) * rowSteps +
                           static_cast<uint32_t>(plan.dvdx) * i;
        uint8_t* to = image.data + (plan.boxY + j) * image.stride + (plan.boxX + firstI) * 4;
        row(source, u, v, plan.dudx, plan.dvdx, to, count, merge, opacity);
    }
}

bool RotatedRunTakesPlainRow(const RotatedSource& source, const uint8_t* row, int32_t count,
                             RotatedMerge merge) {
    if (merge == RotatedMerge::kComposite || merge == RotatedMerge::kBlack) return true;
    const uintptr_t first = reinterpret_cast<uintptr_t>(source.data);
    const uintptr_t end = first + static_cast<uintptr_t>(source.height - 1) * static_cast<uint32_t>(source.stride) +
                          4 * static_cast<uintptr_t>(source.width);
    const uintptr_t runFirst = reinterpret_cast<uintptr_t>(row);
    return runFirst < end && first < runFirst + 4 * static_cast<uintptr_t>(count);
}

void DrawRotatedImageScaledInto(CImageBase& image, const ImageDesc* source, int32_t mode,
                                float cx, float cy, float width, float height,
                                float verticalScale, float angle, uint8_t opacity,
                                RotatedRowFunction row) {
    RotatedMerge merge;
    switch (mode) {
        case 0: merge = RotatedMerge::kMix; break;
        case 1: merge = RotatedMerge::kAdd; break;
        case 7: merge = RotatedMerge::kComposite; break;
        case 8: merge = RotatedMerge::kAddOpaque; break;
        default: return;
    }
    RotatedFootprint plan;
    if (!IsUsablePixels(image, 4) || !IsUsablePixels(source, 4) ||
        !AreFiniteArguments(cx, cy, width, height, verticalScale, angle) ||
        !PlanRotatedDrawScaled(source->width, source->height, cx, cy, width, height,
                               verticalScale, angle, &plan)) {
        return;
    }
    const RotatedSource from{source->data, source->width, source->height, source->stride};
    DrawRotatedFootprint(plan, from, image, merge, opacity, row);
}

}  // namespace VelImageUtility
