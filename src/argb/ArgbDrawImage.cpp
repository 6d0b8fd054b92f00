// ICImageARGB::DrawImage: the source scaled bilinearly to the visible part
// of a rectangle of this image, then merged by one of the alpha blends.
#include <memory>

#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "resample/Resample.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kArgbBytes = 4;

struct PixelBufferRelease {
    void operator()(uint8_t* buffer) const { ReleasePixelBuffer(buffer); }
};

// The bilinear resize of `part` into `scaled`; false, with nothing written,
// when either size is too small for the engine or its tables cannot be had.
bool ResampleInto(const ImageDesc& part, const ImageDesc& scaled) {
    if (part.width < 2 || part.height < 2 || scaled.width < 2 || scaled.height < 2 ||
        !ResampleAxisFits(part.width, scaled.width) ||
        !ResampleAxisFits(part.height, scaled.height)) {
        return false;
    }
    ResampleContext context;
    InitResampler(&context);
    const bool ready = BuildStepTable(&context.horizontal, part.width, scaled.width) &&
                       BuildStepTable(&context.vertical, part.height, scaled.height);
    if (ready) {
        ResampleBilinear(&context, part.data, 0, 0, part.width, part.height, part.stride,
                         scaled.data, 0, 0, scaled.width, scaled.height, scaled.stride);
    }
    ReleaseResampler(&context);
    return ready;
}

// Fraction `offset / size` of a source extent, in single precision.
int32_t SourceShare(int64_t offset, int32_t size, int32_t sourceSize) {
    return static_cast<int32_t>((static_cast<float>(offset) / static_cast<float>(size)) *
                                static_cast<float>(sourceSize));
}
}  // namespace

// A rectangle that sticks out of the image takes the matching share of the
// source; nothing is drawn when that share or the visible part is narrower
// or lower than 3 pixels.
void CImageARGB::DrawImage(const ImageDesc* source, int32_t mode, float x, float y, float w,
                           float h, uint8_t opacity) {
    int32_t left, top, targetWidth, targetHeight;
    if (!IsUsablePixels(*this, kArgbBytes) || !IsUsablePixels(source, kArgbBytes) ||
        !AreFiniteArguments(x, y, w, h) || !TruncatesToInt32(x, &left) ||
        !TruncatesToInt32(y, &top) || !TruncatesToInt32(w, &targetWidth) ||
        !TruncatesToInt32(h, &targetHeight) || targetWidth <= 0 || targetHeight <= 0) {
        return;
    }
    ImageDesc visible;
    if (GetRegionDesc(&visible, left, top, targetWidth, targetHeight) == 0) return;
    ImageDesc part = *source;
    if (visible.width != targetWidth || visible.height != targetHeight) {
        const int64_t offX = left < 0 ? -int64_t{left} : 0;
        const int64_t offY = top < 0 ? -int64_t{top} : 0;
        const int32_t sx = SourceShare(offX, targetWidth, source->width);
        const int32_t sy = SourceShare(offY, targetHeight, source->height);
        const int32_t sw = SourceShare(visible.width, targetWidth, source->width);
        const int32_t sh = SourceShare(visible.height, targetHeight, source->height);
        if (sw < 3 || sh < 3 || visible.width < 3 || visible.height < 3) return;
        CImageARGB whole(source->data, source->width, source->height, source->stride, kArgbBytes);
        if (whole.GetRegionDesc(&part, sx, sy, sw, sh) == 0) return;
    }
    CImageARGB target(visible.data, visible.width, visible.height, visible.stride, kArgbBytes);
    target.level = level;
    if (mode != 0 && mode != 1 && mode != 7 && mode != 8) {
        target.FillColorKeepAlpha(255, 0, 0);
        target.SetAlpha(255);
        return;
    }
    const int32_t scaledStride = PackedStride(visible.width, kArgbBytes);
    const std::unique_ptr<uint8_t[], PixelBufferRelease> pixels(
        AllocatePixelBuffer(visible.height, scaledStride));
    const ImageDesc scaled{pixels.get(), visible.width, visible.height, scaledStride, kArgbBytes,
                           false};
    if (pixels == nullptr || !ResampleInto(part, scaled)) return;
    switch (mode) {
        case 0: target.AlphaBlend(&scaled, opacity); break;
        case 1: target.AdditiveBlend(&scaled, opacity); break;
        default:
            target.AlphaComposite(&scaled, opacity);
            if (mode == 8) target.SetAlpha(255);
            break;
    }
}

}  // namespace VelImageUtility
