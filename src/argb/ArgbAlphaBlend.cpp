// ARGB blends by a weight: the opacity blends and composite, the masked
// pull toward a threshold, and the feathered paste.
#include "argb/CImageARGB.h"
#include "services/AlphaBlending.h"

namespace VelImageUtility {

void CImageARGB::AlphaBlend(const ImageDesc* source, uint8_t opacity) {
    AlphaBlendImage(*this, source, opacity);
}

void CImageARGB::AdditiveBlend(const ImageDesc* source, uint8_t opacity) {
    AdditiveBlendImage(*this, source, opacity);
}

// The vector variant truncates its approximate quotient.
void CImageARGB::AlphaComposite(const ImageDesc* source, uint8_t opacity) {
    AlphaCompositeImage(*this, source, opacity, false);
}

}  // namespace VelImageUtility
