// CImageUtility: the base operations plus the services every image offers
// (colour conversion, blurs, selection, colour key, gradient, file I/O).
#pragma once

#include "core/CImageBase.h"
#include "core/OperationLists.h"

namespace VelImageUtility {

class CImageUtility : public ICImageUtility, public CImageBase {
public:
    CImageUtility() = default;
    CImageUtility(uint8_t* data_, int32_t width_, int32_t height_, int32_t stride_,
                  int32_t bytesPerPixel_)
        : CImageBase(data_, width_, height_, stride_, bytesPerPixel_) {}
    CImageUtility(int32_t width_, int32_t height_, int32_t stride_, int32_t bytesPerPixel_)
        : CImageBase(width_, height_, stride_, bytesPerPixel_) {}
    explicit CImageUtility(const ImageDesc* desc) : CImageBase(desc) {}

    VIU_BASE_OPERATIONS(VIU_FORWARD_TO_BASE)
    VIU_UTILITY_OWN_OPERATIONS(VIU_DECLARE_OVERRIDE)

    // Copies width * bytesPerPixel bytes of each row from `src` when both
    // are usable pixels of this image's bytes per pixel and the sizes match;
    // row padding is left as it was.
    void CopyPixelsFrom(const ImageDesc* src);

    // GetRegionDesc of the typed images: `out` describes the part of the
    // rectangle inside this image, sharing its pixels, and 1 is returned; a
    // rectangle that misses the image describes the whole image and gives 0.
    // A null `out` or a negative size is refused: 0, and `out` untouched.
    int32_t DescribeRegion(ImageDesc* out, int32_t x, int32_t y, int32_t regionWidth,
                           int32_t regionHeight) const;
};

}  // namespace VelImageUtility
