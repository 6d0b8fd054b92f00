#include "core/CImageUtility.h"

#include <cstring>

#include "core/InputChecks.h"

namespace VelImageUtility {

void CImageUtility::CopyPixelsFrom(const ImageDesc* src) {
    // Both sides are walked with this image's bytes per pixel.
    if (!IsUsableOwnPixels(*this, 1) || !IsSameSizePixels(*this, src, bytesPerPixel)) return;
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
    const uint8_t* from = src->data;
    uint8_t* to = data;
    for (int32_t y = 0; y < height; ++y) {
        std::memmove(to, from, rowBytes);
        from += src->stride;
        to += stride;
    }
}

}  // namespace VelImageUtility
