#include "core/CImageUtility.h"

#include <cstring>

namespace VelImageUtility {

void CImageUtility::CopyPixelsFrom(const ImageDesc* src) {
    if (data == nullptr || src == nullptr || src->data == nullptr || !SameSizeAs(src)) return;
    if (width <= 0 || bytesPerPixel <= 0) return;
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
