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

void CImageAYUV::Allocate(int32_t width, int32_t height) { }
void CImageAYUV::AttachBuffer(uint8_t* data, int32_t width, int32_t height, int32_t stride) { }
void CImageAYUV::ConvertToARGB(const ImageDesc* destination) { }
void CImageAYUV::CopyAlphaFrom(const ImageDesc* source) { }
void CImageAYUV::CopyFrom(const ImageDesc* source) { }
int32_t CImageAYUV::GetRegionDesc(ImageDesc* out, int32_t x, int32_t y, int32_t width, int32_t height) { return 0; }
void CImageAYUV::ConvertToLuma(const ImageDesc* plane) { }
void CImageAYUV::BoxBlurInPlace(int32_t radius) { }
void CImageAYUV::ScaleChannelsRGB(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) { }
// ---- end of blurs, filters, blends, drawing, tone and the rest of AYUV ----


}  // namespace VelImageUtility
