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
constexpr int32_t kAlphaLane = 3;

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
    const uint8_t* from = source->data + kAlphaLane;
    uint8_t* to = data + kAlphaLane;
    for (int32_t y = 0; y < height; ++y, from += source->stride, to += stride) {
        CopyByteLaneRow_Plain(from, kArgbBytes, to, kArgbBytes, width);
    }
}

void CImageARGB::SetChannel(const ImageDesc* plane, int32_t lane) {
    if (!IsLane(lane) || !IsUsablePixels(*this, kArgbBytes) || !CoversArea(plane, 1, width, height)) return;
    const uint8_t* from = plane->data;
    uint8_t* to = data + lane;
    for (int32_t y = 0; y < height; ++y, from += plane->stride, to += stride) {
        CopyByteLaneRow_Plain(from, 1, to, kArgbBytes, width);
    }
}

void CImageARGB::GetChannel(const ImageDesc* plane, int32_t lane) {
    if (!IsLane(lane) || !IsUsablePixels(*this, kArgbBytes) || !CoversArea(plane, 1, width, height)) return;
    const uint8_t* from = data + lane;
    uint8_t* to = plane->data;
    for (int32_t y = 0; y < height; ++y, from += stride, to += plane->stride) {
        CopyByteLaneRow_Plain(from, kArgbBytes, to, 1, width);
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

// The far corner is taken from the unclipped rectangle (in 64 bits, so that
// it cannot wrap); a rectangle that misses the image describes the whole
// image and gives 0. A negative size is refused: 0, and `out` untouched.
int32_t CImageARGB::GetRegionDesc(ImageDesc* out, int32_t x, int32_t y, int32_t regionWidth,
                                  int32_t regionHeight) {
    if (out == nullptr || regionWidth < 0 || regionHeight < 0) return 0;
    const int64_t right = int64_t{x} + regionWidth;
    const int64_t bottom = int64_t{y} + regionHeight;
    if (x >= width || y >= height || right < 1 || bottom < 1) {
        *out = Desc();
        out->copy = false;
        return 0;
    }
    const int32_t left = std::max(x, 0);
    const int32_t top = std::max(y, 0);
    const int64_t offset = int64_t{stride} * top + int64_t{bytesPerPixel} * left;
    out->data = reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(data) +
                                           static_cast<uintptr_t>(static_cast<intptr_t>(offset)));
    out->width = static_cast<int32_t>(std::min<int64_t>(right, width) - left);
    out->height = static_cast<int32_t>(std::min<int64_t>(bottom, height) - top);
    out->stride = stride;
    out->bytesPerPixel = bytesPerPixel;
    out->copy = false;
    return 1;
}

}  // namespace VelImageUtility
