// The one set of checks through which every operation accepts its inputs.
// An operation calls these before it touches a byte; when one fails it does
// nothing (returning its error status where it has one).
//
// "Usable pixels of N bytes" means: data present, width and height not
// negative, N bytes per pixel, width * N and height * stride fit a 32-bit
// signed number, and stride at least a row's bytes (width * N), so that every
// pixel can be walked row by row without leaving the buffer.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/CImageBase.h"

namespace VelImageUtility {

// The geometry rule alone, for raw buffers handed to the services.
inline bool IsUsableBuffer(const void* data, int32_t width, int32_t height, int32_t stride,
                           int32_t bytesPerPixel) {
    if (data == nullptr || width < 0 || height < 0 || bytesPerPixel <= 0) return false;
    const int32_t rowBytes = PackedStride(width, bytesPerPixel);
    return rowBytes >= 0 && stride >= rowBytes && BufferByteCount(height, stride) >= 0;
}

// A descriptor's buffer walked as `bytesPerPixel`-byte pixels, whatever its
// own bytesPerPixel says (for operations that take it as such).
inline bool IsUsableBufferAs(const ImageDesc* desc, int32_t bytesPerPixel) {
    return desc != nullptr &&
           IsUsableBuffer(desc->data, desc->width, desc->height, desc->stride, bytesPerPixel);
}

// A descriptor whose pixels can be walked as `bytesPerPixel`-byte pixels.
inline bool IsUsablePixels(const ImageDesc* desc, int32_t bytesPerPixel) {
    return desc != nullptr && desc->bytesPerPixel == bytesPerPixel &&
           IsUsableBufferAs(desc, bytesPerPixel);
}

// This image's own pixels, as `bytesPerPixel`-byte pixels.
inline bool IsUsablePixels(const CImageBase& image, int32_t bytesPerPixel) {
    return image.bytesPerPixel == bytesPerPixel &&
           IsUsableBuffer(image.data, image.width, image.height, image.stride, bytesPerPixel);
}

// Usable pixels of at least width x height: a second image that an operation
// reads or writes over this image's area.
inline bool CoversArea(const ImageDesc* desc, int32_t bytesPerPixel, int32_t width,
                       int32_t height) {
    return IsUsablePixels(desc, bytesPerPixel) && desc->width >= width && desc->height >= height;
}

// Usable pixels of exactly this image's width and height.
inline bool IsSameSizePixels(const CImageBase& image, const ImageDesc* desc,
                             int32_t bytesPerPixel) {
    return IsUsablePixels(desc, bytesPerPixel) && image.SameSizeAs(desc);
}

// Usable pixels of the descriptor's own size, at least `minimumBytes` of
// them: for operations that step each side by its own bytes per pixel and
// touch only the first `minimumBytes` bytes of a pixel.
inline bool IsUsableOwnPixels(const ImageDesc* desc, int32_t minimumBytes) {
    return desc != nullptr && desc->bytesPerPixel >= minimumBytes &&
           IsUsablePixels(desc, desc->bytesPerPixel);
}

inline bool IsUsableOwnPixels(const CImageBase& image, int32_t minimumBytes) {
    return image.bytesPerPixel >= minimumBytes && IsUsablePixels(image, image.bytesPerPixel);
}

// Float arguments: NaN and infinities are refused wherever an operation
// computes with them.
inline bool IsFiniteArgument(float value) { return std::isfinite(value); }

template <typename... Floats>
inline bool AreFiniteArguments(Floats... values) {
    return (IsFiniteArgument(values) && ...);
}

// A float argument converted to a 32-bit integer by truncation: refused
// unless it lies strictly inside the 32-bit range (so its negation fits too).
inline bool TruncatesToInt32(float value, int32_t* out) {
    if (!(value > -2147483648.0f && value < 2147483648.0f)) return false;
    *out = static_cast<int32_t>(value);
    return true;
}

}  // namespace VelImageUtility
