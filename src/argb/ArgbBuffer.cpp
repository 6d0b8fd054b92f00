// The ARGB buffer operations: new or attached buffers, whole copies, single
// byte lanes to and from planes, and clipped sub-rectangles.
#include <algorithm>

#include "argb/ArgbBufferKernels.h"
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kArgbBytes = 4;

bool IsLane(int32_t lane) { return lane >= 0 && lane < kArgbBytes; }
}  // namespace

// A buffer that cannot be obtained leaves the image as it was.
void CImageARGB::Allocate(int32_t newWidth, int32_t newHeight) {
    ReplaceWithOwnedBuffer(newWidth, newHeight, PackedStride(newWidth, kArgbBytes), kArgbBytes);
}

void CImageARGB::AttachBuffer(uint8_t* newData, int32_t newWidth, int32_t newHeight,
                              int32_t newStride) {
    ReplaceWithCallerBuffer(newData, newWidth, newHeight, newStride, kArgbBytes);
}

void CImageARGB::CopyAlphaFrom(const ImageDesc* source) {
    if (!IsUsablePixels(*this, kArgbBytes) || !CoversArea(source, kArgbBytes, width, height)) return;
    (UseSse2(level) ? CopyAlphaRows_Sse2 : CopyAlphaRows_Plain)(source->data, source->stride, data, stride, width,
                                                                height);
}

void CImageARGB::SetChannel(const ImageDesc* plane, int32_t lane) {
    if (!IsLane(lane) || !IsUsablePixels(*this, kArgbBytes) || !CoversArea(plane, 1, width, height)) return;
    const bool sse2 = UseSse2(level);
    const uint8_t* from = plane->data;
    uint8_t* to = data;
    for (int32_t y = 0; y < height; ++y, from += plane->stride, to += stride) {
        if (sse2) {
            CopyPlaneToByteLaneRow_Sse2(from, to, lane, width);
        } else {
            CopyByteLaneRow_Plain(from, 1, to + lane, kArgbBytes, width);
        }
    }
}

void CImageARGB::GetChannel(const ImageDesc* plane, int32_t lane) {
    if (!IsLane(lane) || !IsUsablePixels(*this, kArgbBytes) || !CoversArea(plane, 1, width, height)) return;
    const bool sse2 = UseSse2(level);
    const uint8_t* from = data;
    uint8_t* to = plane->data;
    for (int32_t y = 0; y < height; ++y, from += stride, to += plane->stride) {
        if (sse2) {
            CopyByteLaneToPlaneRow_Sse2(from, lane, to, width);
        } else {
            CopyByteLaneRow_Plain(from + lane, kArgbBytes, to, 1, width);
        }
    }
}

// Pixels advance by each side's own bytes per pixel (the image's at least
// the three colour bytes); the vector rows are for the usual 1-byte plane
// and 4-byte image only.
void CImageARGB::SetGrayFromPlane(const ImageDesc* plane) {
    if (!IsUsableOwnPixels(*this, 3) || !IsUsableOwnPixels(plane, 1) || !SameSizeAs(plane)) return;
    const bool sse2 = UseSse2(level) && bytesPerPixel == kArgbBytes && plane->bytesPerPixel == 1;
    const uint8_t* from = plane->data;
    uint8_t* to = data;
    for (int32_t y = 0; y < height; ++y, from += plane->stride, to += stride) {
        if (sse2) {
            SetGrayFromPlaneRow_Sse2(from, to, width);
        } else {
            SetGrayFromPlaneRow_Plain(from, plane->bytesPerPixel, to, bytesPerPixel, width);
        }
    }
}

void CImageARGB::CopyFrom(const ImageDesc* source) { CopyPixelsFrom(source); }

int32_t CImageARGB::GetRegionDesc(ImageDesc* out, int32_t x, int32_t y, int32_t regionWidth,
                                  int32_t regionHeight) {
    return DescribeRegion(out, x, y, regionWidth, regionHeight);
}

}  // namespace VelImageUtility
