// CImageAYUV: the operations of ICImageAYUV over the embedded image state.
#pragma once

#include "core/CImageUtility.h"

namespace VelImageUtility {

class CImageAYUV : public ICImageAYUV, public CImageUtility {
public:
    CImageAYUV() = default;
    CImageAYUV(uint8_t* data_, int32_t width_, int32_t height_, int32_t stride_, int32_t bytesPerPixel_)
        : CImageUtility(data_, width_, height_, stride_, bytesPerPixel_) {}
    CImageAYUV(int32_t width_, int32_t height_, int32_t stride_, int32_t bytesPerPixel_)
        : CImageUtility(width_, height_, stride_, bytesPerPixel_) {}
    explicit CImageAYUV(const ImageDesc* desc) : CImageUtility(desc) {}

    VIU_UTILITY_OPERATIONS(VIU_FORWARD_TO_UTILITY)

    void Allocate(int32_t width, int32_t height) override;
    void AttachBuffer(uint8_t* data, int32_t width, int32_t height, int32_t stride) override;
    void ConvertToARGB(const ImageDesc* destination) override;
    void CopyAlphaFrom(const ImageDesc* source) override;
    void CopyFrom(const ImageDesc* source) override;
    int32_t GetRegionDesc(ImageDesc* out, int32_t x, int32_t y, int32_t width, int32_t height) override;
    void ResizeTo(const ImageDesc* destination, uint32_t mode) override;
    void ConvertToLuma(const ImageDesc* plane) override;
    void AlphaBlend(const ImageDesc* source, uint8_t opacity) override;
    void DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx, float cy, float width, float height, float verticalScale, float angle, uint8_t opacity) override;
    void AlphaComposite(const ImageDesc* source, uint8_t opacity) override;
    void BoxBlurInPlace(int32_t radius) override;
    void Posterize(int32_t step) override;
    void FillColorKeepAlpha(uint8_t y, uint8_t u, uint8_t v) override;
    void FillPixel(uint32_t value) override;
    void ScaleChannelsRGB(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) override;
};

}  // namespace VelImageUtility
