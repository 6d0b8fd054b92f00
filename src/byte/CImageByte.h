// CImageByte: the operations of ICImageByte over the embedded image state.
#pragma once

#include "core/CImageUtility.h"

namespace VelImageUtility {

class CImageByte : public ICImageByte, public CImageUtility {
public:
    CImageByte() = default;
    CImageByte(uint8_t* data_, int32_t width_, int32_t height_, int32_t stride_, int32_t bytesPerPixel_)
        : CImageUtility(data_, width_, height_, stride_, bytesPerPixel_) {}
    CImageByte(int32_t width_, int32_t height_, int32_t stride_, int32_t bytesPerPixel_)
        : CImageUtility(width_, height_, stride_, bytesPerPixel_) {}
    explicit CImageByte(const ImageDesc* desc) : CImageUtility(desc) {}

    VIU_UTILITY_OPERATIONS(VIU_FORWARD_TO_UTILITY)

    void Allocate(int32_t width, int32_t height) override;
    void MaskByThreshold(const ImageDesc* mask, int32_t threshold) override;
    void ColorDodgeBlend(const ImageDesc* blend) override;
    void AddTiledPattern(const uint8_t* pattern, int32_t patternWidth, int32_t patternHeight) override;
    void AddCrossHatch() override;
    void SubtractPlane(const ImageDesc* other) override;
    void MultiplyByGain(int32_t gain) override;
    void BoxBlurInPlace(int32_t radius) override;
    void Invert() override;
    float GetMeanValue() override;
    void DetectEdges(const ImageDesc* destination, int32_t threshold, uint8_t edgeValue) override;
    void EmbossToPlane(const ImageDesc* destination, int32_t direction) override;
    void AdjustContrast(float gain) override;
    void AdjustContrastAroundMean(int32_t amount) override;
    void AdjustBrightness(int32_t delta) override;
    void MapLevels(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) override;
};

}  // namespace VelImageUtility
