// CImageARGB: the operations of ICImageARGB over the embedded image state.
#pragma once

#include "core/CImageUtility.h"

namespace VelImageUtility {

class CImageARGB : public ICImageARGB, public CImageUtility {
public:
    CImageARGB() = default;
    CImageARGB(uint8_t* data_, int32_t width_, int32_t height_, int32_t stride_, int32_t bytesPerPixel_)
        : CImageUtility(data_, width_, height_, stride_, bytesPerPixel_) {}
    CImageARGB(int32_t width_, int32_t height_, int32_t stride_, int32_t bytesPerPixel_)
        : CImageUtility(width_, height_, stride_, bytesPerPixel_) {}
    explicit CImageARGB(const ImageDesc* desc) : CImageUtility(desc) {}

    VIU_UTILITY_OPERATIONS(VIU_FORWARD_TO_UTILITY)

    void Allocate(int32_t width, int32_t height) override;
    void AttachBuffer(uint8_t* data, int32_t width, int32_t height, int32_t stride) override;
    void ConvertToAYUV(const ImageDesc* destination) override;
    void ConvertFromHSLPlanes(const ImageDesc* h, const ImageDesc* s, const ImageDesc* l) override;
    void CopyAlphaFrom(const ImageDesc* source) override;
    void SetChannel(const ImageDesc* plane, int32_t lane) override;
    void GetChannel(const ImageDesc* plane, int32_t lane) override;
    void SetGrayFromPlane(const ImageDesc* plane) override;
    void CopyFrom(const ImageDesc* source) override;
    int32_t GetRegionDesc(ImageDesc* out, int32_t x, int32_t y, int32_t width, int32_t height) override;
    void ResizeTo(const ImageDesc* destination, uint32_t mode) override;
    void ConvertToLuma(const ImageDesc* plane) override;
    void BoxBlurTo(const ImageDesc* destination, int32_t radius) override;
    void BoxBlurAlphaWeightedTo(const ImageDesc* destination, int32_t radius) override;
    void EmbossToPlane(const ImageDesc* destination, int32_t direction) override;
    void ConvertToHSLPlanes(const ImageDesc* h, const ImageDesc* s, const ImageDesc* l) override;
    void GradientMagnitude(const ImageDesc* destination) override;
    void MultiplyBlend(const ImageDesc* source) override;
    void ScreenBlend(const ImageDesc* source) override;
    void ColorDodgeBlend(const ImageDesc* source) override;
    void LinearDodgeBlend(const ImageDesc* source) override;
    void OverlayBlend(const ImageDesc* source) override;
    void HardLightBlend(const ImageDesc* source) override;
    void SoftLightBlend(const ImageDesc* source) override;
    void PasteFeathered(const ImageDesc* source, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t mode, float feather) override;
    void MaskByThreshold(const ImageDesc* mask, int32_t level) override;
    void AlphaBlend(const ImageDesc* source, uint8_t opacity) override;
    void AdditiveBlend(const ImageDesc* source, uint8_t opacity) override;
    void AlphaComposite(const ImageDesc* source, uint8_t opacity) override;
    void DrawImage(const ImageDesc* source, int32_t mode, float x, float y, float width, float height, uint8_t opacity) override;
    void DrawRotatedImage(const ImageDesc* source, int32_t mode, float cx, float cy, float width, float height, float angle, uint8_t opacity) override;
    void DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx, float cy, float width, float height, float verticalScale, float angle, uint8_t opacity) override;
    void BlendColor(uint32_t color, uint8_t opacity) override;
    void ApplySetAlphaFromColorKey(uint32_t key, int32_t tolerance) override;
    void ApplyFillGradient(const RECT* rect, int32_t direction, uint32_t colorA, uint32_t colorB) override;
    void ConvertToGray() override;
    void ApplyBoxBlur(int32_t radius) override;
    void ApplyGaussianBlur(int32_t radius) override;
    void ApplyZoomBlur(int32_t steps) override;
    void ApplyBoxBlurAlphaWeighted(int32_t radius) override;
    void ApplyGaussianBlurAlphaWeighted(int32_t radius) override;
    float GetMeanValue() override;
    void Invert() override;
    void ConvertToGrayLightness() override;
    void MedianFilterChannels(int32_t radius) override;
    void UnsharpMask(float amountPercent, float radius, uint32_t threshold) override;
    void Posterize(int32_t step) override;
    void AdjustContrast(float gain) override;
    void AdjustContrastAroundMean(int32_t amount) override;
    void AdjustBrightness(int32_t delta) override;
    void MapLevels(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) override;
    void SubtractPlane(const ImageDesc* plane) override;
    void SetAlpha(uint8_t alpha) override;
    void FillColorKeepAlpha(uint8_t red, uint8_t green, uint8_t blue) override;
    void FillPixel(uint32_t value) override;
    void ScaleChannelsRGB(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) override;
    void SampleBilinear(uint32_t x, uint32_t y, uint8_t* out) override;
    int32_t GetRowPadding() override;
};

}  // namespace VelImageUtility
