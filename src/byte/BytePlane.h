// Preconditions shared by the Byte image operations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/CImageBase.h"
#include "core/InputChecks.h"

namespace VelImageUtility {

// The packed test: operations that walk the pixels as one run of
// width * height bytes need one-byte pixels in rows without padding. A
// Byte object built from another kind of descriptor is refused here rather
// than walked as bytes.
inline bool HasPackedByteRows(const CImageBase& image) {
    return IsUsablePixels(image, 1) && image.stride == image.width;
}

// Pixels in the run of an image that passed the packed test.
inline size_t PackedRunLength(const CImageBase& image) {
    return static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
}

// A second plane: width * height bytes in packed rows at plane->data.
inline bool IsSameSizePlane(const CImageBase& image, const ImageDesc* plane) {
    return IsSameSizePixels(image, plane, 1) && plane->stride == plane->width;
}

// Whether a destination plane of the image's size shares any byte with the
// image's run: filters that read neighbours cannot write into their source.
inline bool PlaneOverlapsImage(const CImageBase& image, const ImageDesc* plane) {
    const uintptr_t imageStart = reinterpret_cast<uintptr_t>(image.data);
    const uintptr_t planeStart = reinterpret_cast<uintptr_t>(plane->data);
    const uintptr_t bytes = PackedRunLength(image);
    return planeStart < imageStart + bytes && imageStart < planeStart + bytes;
}

// Rows of `width` bytes, `stride` apart, for the operations that walk the
// image row by row; nothing when the image is not usable one-byte pixels or
// has no pixel.
template <typename RowFunction>
void ForEachByteRow(const CImageBase& image, RowFunction rowFunction) {
    if (!IsUsablePixels(image, 1) || image.width == 0) return;
    for (int32_t y = 0; y < image.height; ++y)
        rowFunction(image.data + static_cast<ptrdiff_t>(y) * image.stride, image.width);
}

}  // namespace VelImageUtility
