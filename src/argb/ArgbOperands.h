// Checks that ARGB operations make on the descriptors they are handed.
#pragma once

#include <cstdint>

#include "core/CImageBase.h"

namespace VelImageUtility {

// Both the image and `other` have pixels, and `other` has the image's width
// and height.
inline bool HasSameSizePixels(const CImageBase& image, const ImageDesc* other) {
    return image.data != nullptr && other != nullptr && other->data != nullptr &&
           image.SameSizeAs(other);
}

// `desc` holds at least width x height pixels of exactly `bytesPerPixel`
// bytes in rows that do not overlap, so that those pixels can be walked
// without leaving its buffer.
inline bool CoversPixels(const ImageDesc* desc, int32_t bytesPerPixel, int32_t width,
                         int32_t height) {
    return desc != nullptr && desc->data != nullptr && desc->bytesPerPixel == bytesPerPixel &&
           desc->width >= width && desc->height >= height &&
           int64_t{desc->stride} >= int64_t{bytesPerPixel} * desc->width;
}

}  // namespace VelImageUtility
