// ARGB blends by a weight: the opacity blends and composite, the masked
// pull toward a threshold, and the feathered paste.
#include <algorithm>
#include <cstddef>

#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "services/AlphaBlendKernels.h"
#include "services/AlphaBlending.h"
#include "services/ColourConversion.h"
#include "services/MaskByThreshold.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kArgbBytes = 4;
constexpr int32_t kColourLanes = 3;

// PasteFeathered's verdict for one pixel: a weight 0..256, or one of these.
constexpr int32_t kCopy = 257;
constexpr int32_t kLeave = -1;

int32_t FeatherWeight(float fraction) {
    return Clamp(static_cast<int32_t>(fraction * 256.0f), 0, 256);
}

// Rectangle: the distance to the nearest edge against the feather width F;
// the outermost ring has weight 0.
class RectangleFeather {
public:
    RectangleFeather(int32_t width, int32_t height, float feather)
        : width_(width), height_(height),
          span_(feather * static_cast<float>(static_cast<int32_t>(std::min(width, height) * 0.5))) {}

    int32_t operator()(int32_t i, int32_t j) const {
        const int32_t dist = std::min(std::min(i, width_ - 1 - i), std::min(j, height_ - 1 - j));
        return span_ > static_cast<float>(dist) ? FeatherWeight(static_cast<float>(dist) / span_) : kCopy;
    }

private:
    int32_t width_, height_;
    float span_;
};

// Ellipse: r = dx^2 / (w^2 / 4) + dy^2 / (h^2 / 4) about the centre pixel.
// A one-pixel side has a zero denominator, and a zero offset along it.
class EllipseFeather {
public:
    EllipseFeather(int32_t width, int32_t height, float feather)
        : halfWidth_(width >> 1), halfHeight_(height >> 1),
          xDenominator_((int64_t{width} * width) >> 2), yDenominator_((int64_t{height} * height) >> 2),
          feather_(feather) {}

    int32_t operator()(int32_t i, int32_t j) const {
        const float r = Term(i - halfWidth_, xDenominator_) + Term(j - halfHeight_, yDenominator_);
        if (r > 1.0f) return kLeave;
        return r > 1.0f - feather_ ? FeatherWeight((1.0f - r) / feather_) : kCopy;
    }

private:
    static float Term(int64_t offset, int64_t denominator) {
        return denominator == 0 ? 0.0f : static_cast<float>(offset * offset) / static_cast<float>(denominator);
    }

    int32_t halfWidth_, halfHeight_;
    int64_t xDenominator_, yDenominator_;
    float feather_;
};

// Rows are addressed in whole pixels: stride / 4 per row on each side.
template <typename Feather>
void PasteWith(const CImageBase& image, const ImageDesc* source, int32_t x, int32_t y, const Feather& feather) {
    const ptrdiff_t rowPixels = image.stride / kArgbBytes, sourceRowPixels = source->stride / kArgbBytes;
    for (int32_t j = 0; j < source->height; ++j) {
        uint8_t* to = image.data + ((y + j) * rowPixels + x) * kArgbBytes;
        const uint8_t* from = source->data + j * sourceRowPixels * kArgbBytes;
        for (int32_t i = 0; i < source->width; ++i, to += kArgbBytes, from += kArgbBytes) {
            const int32_t a = feather(i, j);
            if (a == kCopy) {
                std::copy(from, from + kArgbBytes, to);
            } else if (a != kLeave) {
                AlphaBlendPixel(to, from, a);
            }
        }
    }
}

bool LiesInside(const CImageBase& image, int32_t x, int32_t y, int32_t width, int32_t height) {
    return x >= 0 && y >= 0 && int64_t{x} + width <= image.width && int64_t{y} + height <= image.height;
}

}  // namespace

void CImageARGB::PasteFeathered(const ImageDesc* source, int32_t x, int32_t y, int32_t pasteWidth,
                                int32_t pasteHeight, uint32_t mode, float feather) {
    if ((mode != 0 && mode != 1) || !IsFiniteArgument(feather) || !IsUsablePixels(*this, kArgbBytes) ||
        !IsUsablePixels(source, kArgbBytes) || source->width != pasteWidth || source->height != pasteHeight ||
        pasteWidth < 1 || pasteHeight < 1 || !LiesInside(*this, x, y, pasteWidth, pasteHeight)) {
        return;
    }
    if (mode == 0) {
        PasteWith(*this, source, x, y, RectangleFeather(pasteWidth, pasteHeight, feather));
    } else {
        PasteWith(*this, source, x, y, EllipseFeather(pasteWidth, pasteHeight, feather));
    }
}

// Level 0 would divide by zero where the mask is 0, and levels below it
// select no mask value: both leave the image.
void CImageARGB::MaskByThreshold(const ImageDesc* mask, int32_t maskLevel) {
    if (maskLevel < 1 || mask == nullptr || !IsUsablePixels(*this, kArgbBytes) ||
        !IsSameSizePixels(*this, mask, mask->bytesPerPixel)) {
        return;
    }
    for (int32_t row = 0; row < height; ++row) {
        MaskByThresholdPixels<kColourLanes>(data + static_cast<ptrdiff_t>(row) * stride, kArgbBytes,
                                            mask->data + static_cast<ptrdiff_t>(row) * mask->stride,
                                            mask->bytesPerPixel, static_cast<size_t>(width), maskLevel);
    }
}

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
