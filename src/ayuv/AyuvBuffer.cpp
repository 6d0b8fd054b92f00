// The AYUV buffer operations: new or attached buffers, whole copies, the
// alpha lane, clipped sub-rectangles and the luma plane.
#include "argb/ArgbBufferKernels.h"
#include "ayuv/CImageAYUV.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kAyuvBytes = 4;
constexpr int32_t kLumaLane = 2;
}  // namespace

// A buffer that cannot be obtained leaves the image as it was.
void CImageAYUV::Allocate(int32_t newWidth, int32_t newHeight) {
    ReplaceWithOwnedBuffer(newWidth, newHeight, PackedStride(newWidth, kAyuvBytes), kAyuvBytes);
}

void CImageAYUV::AttachBuffer(uint8_t* newData, int32_t newWidth, int32_t newHeight,
                              int32_t newStride) {
    ReplaceWithCallerBuffer(newData, newWidth, newHeight, newStride, kAyuvBytes);
}

void CImageAYUV::CopyAlphaFrom(const ImageDesc* source) {
    if (!IsUsablePixels(*this, kAyuvBytes) || !IsSameSizePixels(*this, source, kAyuvBytes)) return;
    (UseSse2(level) ? CopyAlphaRows_Sse2 : CopyAlphaRows_Plain)(source->data, source->stride, data, stride, width,
                                                                height);
}

void CImageAYUV::CopyFrom(const ImageDesc* source) {
    if (!IsUsablePixels(*this, kAyuvBytes) || !IsSameSizePixels(*this, source, kAyuvBytes)) return;
    CopyPixelsFrom(source);
}

int32_t CImageAYUV::GetRegionDesc(ImageDesc* out, int32_t x, int32_t y, int32_t regionWidth,
                                  int32_t regionHeight) {
    return DescribeRegion(out, x, y, regionWidth, regionHeight);
}

// The plain rows write the first byte of each plane pixel, whatever its
// size; the vector rows are for the usual 1-byte plane.
void CImageAYUV::ConvertToLuma(const ImageDesc* plane) {
    if (!IsUsablePixels(*this, kAyuvBytes) || plane == nullptr ||
        !IsSameSizePixels(*this, plane, plane->bytesPerPixel)) {
        return;
    }
    const bool sse2 = UseSse2(level) && plane->bytesPerPixel == 1;
    const uint8_t* from = data;
    uint8_t* to = plane->data;
    for (int32_t y = 0; y < height; ++y, from += stride, to += plane->stride) {
        if (sse2) {
            CopyByteLaneToPlaneRow_Sse2(from, kLumaLane, to, width);
        } else {
            CopyByteLaneRow_Plain(from + kLumaLane, kAyuvBytes, to, plane->bytesPerPixel, width);
        }
    }
}

}  // namespace VelImageUtility
