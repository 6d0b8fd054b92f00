// The opacity blends over a whole image, shared by the ARGB and AYUV images:
// both treat bytes 0 to 2 as colour and byte 3 as alpha.
#pragma once

#include <cstdint>

#include "core/CImageBase.h"

namespace VelImageUtility {

// Each does nothing unless the image and the source are usable 4-byte
// pixels; the blends also need the same width and height, the composite a
// source at least as large as the image. The variant follows the image's
// level: plain below 3, SSE2 from 3, with the blends' AVX2 rows where they
// may run (the additive blend has a 64-bit loop for levels 1 and 2).
void AlphaBlendImage(const CImageBase& image, const ImageDesc* source, uint8_t opacity);
void AdditiveBlendImage(const CImageBase& image, const ImageDesc* source, uint8_t opacity);
// `roundToNearest` picks how the SSE2 variant ends its reciprocal division.
void AlphaCompositeImage(const CImageBase& image, const ImageDesc* source, uint8_t opacity,
                         bool roundToNearest);

}  // namespace VelImageUtility
