// The region rule that the typed images' GetRegionDesc share.
#include <algorithm>

#include "core/CImageUtility.h"

namespace VelImageUtility {

// The far corner is taken from the unclipped rectangle, in 64 bits so that
// it cannot wrap.
int32_t CImageUtility::DescribeRegion(ImageDesc* out, int32_t x, int32_t y, int32_t regionWidth,
                                      int32_t regionHeight) const {
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
