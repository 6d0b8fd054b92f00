// Every table operation that does not do its work yet, in one place, so that
// none is forgotten: each does nothing (returning 0, 0.0f or E_FAIL) until
// its real implementation replaces the entry here.
#include "argb/CImageARGB.h"
#include "ayuv/CImageAYUV.h"
#include "byte/CImageByte.h"

#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wunused-parameter"
#endif

namespace VelImageUtility {

// ---- Blurs, filters, blends, drawing, tone and the rest of AYUV ----

void CImageARGB::MultiplyBlend(const ImageDesc* source) { }
void CImageARGB::ScreenBlend(const ImageDesc* source) { }
void CImageARGB::ColorDodgeBlend(const ImageDesc* source) { }
void CImageARGB::LinearDodgeBlend(const ImageDesc* source) { }
void CImageARGB::OverlayBlend(const ImageDesc* source) { }
void CImageARGB::HardLightBlend(const ImageDesc* source) { }
void CImageARGB::SoftLightBlend(const ImageDesc* source) { }
void CImageARGB::PasteFeathered(const ImageDesc* source, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t mode, float feather) { }
void CImageARGB::MaskByThreshold(const ImageDesc* mask, int32_t level) { }
void CImageARGB::AlphaBlend(const ImageDesc* source, uint8_t opacity) { }
void CImageARGB::AdditiveBlend(const ImageDesc* source, uint8_t opacity) { }
void CImageARGB::AlphaComposite(const ImageDesc* source, uint8_t opacity) { }
void CImageARGB::DrawImage(const ImageDesc* source, int32_t mode, float x, float y, float width, float height, uint8_t opacity) { }
void CImageARGB::DrawRotatedImage(const ImageDesc* source, int32_t mode, float cx, float cy, float width, float height, float angle, uint8_t opacity) { }
void CImageARGB::DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx, float cy, float width, float height, float verticalScale, float angle, uint8_t opacity) { }
void CImageARGB::BlendColor(uint32_t color, uint8_t opacity) { }
void CImageARGB::ConvertToGray() { }
float CImageARGB::GetMeanValue() { return 0.0f; }
void CImageARGB::Invert() { }
void CImageARGB::ConvertToGrayLightness() { }
void CImageARGB::MedianFilterChannels(int32_t radius) { }
void CImageARGB::UnsharpMask(float amountPercent, float radius, uint32_t threshold) { }
void CImageARGB::Posterize(int32_t step) { }
void CImageARGB::AdjustContrast(float gain) { }
void CImageARGB::AdjustContrastAroundMean(int32_t amount) { }
void CImageARGB::AdjustBrightness(int32_t delta) { }
void CImageARGB::MapLevels(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) { }
void CImageARGB::SubtractPlane(const ImageDesc* plane) { }
void CImageARGB::SetAlpha(uint8_t alpha) { }
void CImageARGB::FillColorKeepAlpha(uint8_t red, uint8_t green, uint8_t blue) { }
void CImageARGB::FillPixel(uint32_t value) { }
void CImageARGB::ScaleChannelsRGB(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) { }
void CImageARGB::SampleBilinear(uint32_t x, uint32_t y, uint8_t* out) { }
int32_t CImageARGB::GetRowPadding() { return 0; }
void CImageAYUV::AlphaBlend(const ImageDesc* source, uint8_t opacity) { }
void CImageAYUV::DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx, float cy, float width, float height, float verticalScale, float angle, uint8_t opacity) { }
void CImageAYUV::AlphaComposite(const ImageDesc* source, uint8_t opacity) { }
void CImageAYUV::Posterize(int32_t step) { }
void CImageAYUV::FillColorKeepAlpha(uint8_t y, uint8_t u, uint8_t v) { }
void CImageAYUV::FillPixel(uint32_t value) { }
// ---- end of blurs, filters, blends, drawing, tone and the rest of AYUV ----


}  // namespace VelImageUtility
