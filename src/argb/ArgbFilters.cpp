// The ARGB neighbourhood filters and the shared filters run on the image's
// own pixels.
#include <cmath>

#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"
#include "services/ColourConversion.h"
#include "services/FilterServices.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kArgbBytes = 4;

// The byte range that width x height pixels of `desc` occupy.
struct ByteSpan {
    uintptr_t first, end;
};

ByteSpan SpanOf(const ImageDesc& desc) {
    const uintptr_t first = reinterpret_cast<uintptr_t>(desc.data);
    if (desc.width == 0 || desc.height == 0) return {first, first};
    const uint64_t bytes = uint64_t{static_cast<uint32_t>(desc.height - 1)} * static_cast<uint32_t>(desc.stride) +
                           uint64_t{static_cast<uint32_t>(desc.width)} * static_cast<uint32_t>(desc.bytesPerPixel);
    return {first, first + static_cast<uintptr_t>(bytes)};
}

// A filter that reads neighbours cannot write into the pixels it reads.
bool SharesBytes(const ImageDesc& a, const ImageDesc& b) {
    const ByteSpan one = SpanOf(a), other = SpanOf(b);
    return one.first < other.end && other.first < one.end;
}

// This image as usable ARGB pixels, and `destination` as usable pixels of
// `bytesPerPixel` bytes, of the same size, apart from this image.
bool IsSeparateDestination(const CImageBase& image, const ImageDesc* destination,
                           int32_t bytesPerPixel) {
    return IsUsablePixels(image, kArgbBytes) && IsSameSizePixels(image, destination, bytesPerPixel) &&
           !SharesBytes(image.Desc(), *destination);
}

// (dx, dy) toward the neighbour of each relief direction, clockwise from
// up-left; the opposite direction is (d + 4) mod 8.
constexpr int32_t kReliefStep[8][2] = {{-1, -1}, {0, -1}, {+1, -1}, {+1, 0},
                                       {+1, +1}, {0, +1}, {-1, +1}, {-1, 0}};

inline int32_t LumaOf(const uint8_t* pixel) { return RgbToLuma(pixel[2], pixel[1], pixel[0]); }

// The in-place blurs run for a radius or step count of 1 or more over a
// usable, non-empty image; below 1 there is nothing to blur.
bool CanBlurInPlace(const CImageBase& image, int32_t amount) {
    return amount >= 1 && IsUsablePixels(image, kArgbBytes) && image.width != 0 && image.height != 0;
}

}  // namespace

void CImageARGB::BoxBlurTo(const ImageDesc* destination, int32_t radius) {
    if (!IsSeparateDestination(*this, destination, kArgbBytes)) return;
    // Radius 0 (or below) copies this image into the destination.
    CImageUtility::BoxBlur(destination->data, data, width, height, destination->stride, stride,
                           radius);
}

void CImageARGB::BoxBlurAlphaWeightedTo(const ImageDesc* destination, int32_t radius) {
    if (!IsSeparateDestination(*this, destination, kArgbBytes)) return;
    if (radius == 0) {
        CopyRows(destination->data, destination->stride, data, stride,
                 static_cast<size_t>(width) * kArgbBytes, height);
        return;
    }
    CImageUtility::BoxBlurAlphaWeighted(destination->data, data, width, height,
                                        destination->stride, stride, radius);
}

void CImageARGB::EmbossToPlane(const ImageDesc* destination, int32_t direction) {
    if (direction < 0 || direction > 7 || !IsSeparateDestination(*this, destination, 1)) return;
    const ptrdiff_t toward = ptrdiff_t{kReliefStep[direction][1]} * stride + kReliefStep[direction][0] * kArgbBytes;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = destination->data + ptrdiff_t{y} * destination->stride;
        const uint8_t* pixel = data + ptrdiff_t{y} * stride;
        const bool interiorRow = y > 0 && y < height - 1;
        for (int32_t x = 0; x < width; ++x, pixel += kArgbBytes) {
            if (!interiorRow || x == 0 || x == width - 1) {
                out[x] = 128;  // the border has no opposite neighbours: flat
                continue;
            }
            const int32_t relief = Clamp(LumaOf(pixel + toward) - LumaOf(pixel - toward), -127, 127);
            out[x] = static_cast<uint8_t>(relief + 128);
        }
    }
}

void CImageARGB::GradientMagnitude(const ImageDesc* destination) {
    if (!IsSeparateDestination(*this, destination, kArgbBytes)) return;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = destination->data + ptrdiff_t{y} * destination->stride;
        const uint8_t* pixel = data + ptrdiff_t{y} * stride;
        const bool interiorRow = y > 0 && y < height - 1;
        for (int32_t x = 0; x < width; ++x, pixel += kArgbBytes, out += kArgbBytes) {
            const bool interior = interiorRow && x > 0 && x < width - 1;
            for (int32_t c = 0; c < 3; ++c) {
                if (!interior) {
                    out[c] = 0;
                    continue;
                }
                const int32_t gx = pixel[kArgbBytes + c] - pixel[c - kArgbBytes];
                const int32_t gy = pixel[stride + c] - pixel[c - stride];
                const int32_t magnitude = static_cast<int32_t>(std::sqrt(static_cast<float>(gx * gx + gy * gy)));
                out[c] = static_cast<uint8_t>(magnitude < 255 ? magnitude : 255);
            }
        }
    }
}

void CImageARGB::ApplySetAlphaFromColorKey(uint32_t key, int32_t tolerance) {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    SetAlphaFromColorKeyRows(data, width, height, stride, key, tolerance);
}

void CImageARGB::ApplyFillGradient(const RECT* rect, int32_t direction, uint32_t colorA,
                                   uint32_t colorB) {
    if (!IsUsablePixels(*this, kArgbBytes) || rect == nullptr || rect->right == rect->left ||
        rect->bottom == rect->top) {
        return;
    }
    FillGradientRows(data, width, height, stride, *rect, direction, colorA, colorB);
}

// The box blurs keep the rows still to leave the window, not a copy of the
// frame. A negative radius would copy the image onto itself: nothing to do.
void CImageARGB::ApplyBoxBlur(int32_t radius) {
    if (!CanBlurInPlace(*this, radius)) return;
    BoxBlurRowsInPlace(data, width, height, stride, radius, UseSse2(level));
}

// The Gaussian blurs read each row before writing over it: no copy.
void CImageARGB::ApplyGaussianBlur(int32_t radius) {
    if (!CanBlurInPlace(*this, radius)) return;
    GaussianBlurRows(data, data, width, height, stride, stride, radius, UseSse2(level));
}

// A negative count would copy the image onto itself: nothing to do.
void CImageARGB::ApplyZoomBlur(int32_t steps) {
    if (!CanBlurInPlace(*this, steps)) return;
    ZoomBlurRowsInPlace(data, width, height, stride, steps);
}

void CImageARGB::ApplyBoxBlurAlphaWeighted(int32_t radius) {
    if (!CanBlurInPlace(*this, radius)) return;
    BoxBlurAlphaWeightedRowsInPlace(data, width, height, stride, radius, UseSse2(level));
}

void CImageARGB::ApplyGaussianBlurAlphaWeighted(int32_t radius) {
    if (!CanBlurInPlace(*this, radius)) return;
    GaussianBlurAlphaWeightedRows(data, data, width, height, stride, stride, radius);
}

}  // namespace VelImageUtility
