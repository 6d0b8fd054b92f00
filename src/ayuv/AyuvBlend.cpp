// AYUV blends by the source's alpha: the ARGB arithmetic, with V, U and Y in
// the places of blue, green and red.
#include "ayuv/CImageAYUV.h"
#include "services/AlphaBlending.h"

namespace VelImageUtility {

void CImageAYUV::AlphaBlend(const ImageDesc* source, uint8_t opacity) {
    AlphaBlendImage(*this, source, opacity);
}

// The vector variant rounds its approximate quotient to nearest.
void CImageAYUV::AlphaComposite(const ImageDesc* source, uint8_t opacity) {
    AlphaCompositeImage(*this, source, opacity, true);
}

}  // namespace VelImageUtility
