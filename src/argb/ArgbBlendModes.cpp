// The ARGB layer blend modes: a same-size source (the blend layer) combined
// into this image (the base) lane by lane, this image's alpha kept.
#include <cstddef>

#include "argb/ArgbBlendModeKernels.h"
#include "argb/ArgbToneRows.h"
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kArgbBytes = 4;

void BlendInto(CImageBase& image, const ImageDesc* source, BlendMode mode) {
    if (!IsUsablePixels(image, kArgbBytes) || !IsSameSizePixels(image, source, kArgbBytes)) return;
    const auto blendRow = PickKernel(image.level, BlendModeRow_Plain, BlendModeRow_Sse2, BlendModeRow_Avx2);
    if (const int32_t joined = JoinedRowWidth(image, source->stride)) return blendRow(mode, image.data, source->data, joined);
    for (int32_t y = 0; y < image.height; ++y) {
        blendRow(mode, image.data + static_cast<ptrdiff_t>(y) * image.stride,
                 source->data + static_cast<ptrdiff_t>(y) * source->stride, image.width);
    }
}

}  // namespace

void CImageARGB::MultiplyBlend(const ImageDesc* source) { BlendInto(*this, source, BlendMode::Multiply); }
void CImageARGB::ScreenBlend(const ImageDesc* source) { BlendInto(*this, source, BlendMode::Screen); }
void CImageARGB::ColorDodgeBlend(const ImageDesc* source) { BlendInto(*this, source, BlendMode::ColorDodge); }
void CImageARGB::LinearDodgeBlend(const ImageDesc* source) { BlendInto(*this, source, BlendMode::LinearDodge); }
void CImageARGB::OverlayBlend(const ImageDesc* source) { BlendInto(*this, source, BlendMode::Overlay); }
void CImageARGB::HardLightBlend(const ImageDesc* source) { BlendInto(*this, source, BlendMode::HardLight); }
void CImageARGB::SoftLightBlend(const ImageDesc* source) { BlendInto(*this, source, BlendMode::SoftLight); }

}  // namespace VelImageUtility
