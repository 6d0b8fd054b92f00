// The shared filters in the forms that the image operations call directly:
// each takes explicit strides, so that an image with padded rows can run
// them on its own buffer. Arguments are already checked by the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "VelImageUtility/Types.h"

namespace VelImageUtility {

constexpr int32_t kZoomBlurMaxSteps = 30;

// Copies `height` rows of `rowBytes` bytes.
void CopyRows(uint8_t* dst, ptrdiff_t dstStride, const uint8_t* src, ptrdiff_t srcStride,
              size_t rowBytes, int32_t height);

// Channels 0..2 = average over up to 30 samples of the image enlarged by 0,
// 2, 4 ... pixels and centred; the destination's alpha is not written.
// Steps below 1 copy the rows.
void ZoomBlurRows(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                  ptrdiff_t dstStride, ptrdiff_t srcStride, int32_t steps);
// The same written over the source, keeping the overwritten rows that are
// still to be sampled in a ring; steps below 1, or scratch memory not
// there, change nothing.
void ZoomBlurRowsInPlace(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride,
                         int32_t steps);

// The Gaussian blur of width x height 4-byte pixels, 1 <= radius; dst may
// be src.
void GaussianBlurRows(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height, ptrdiff_t dstStride,
                      ptrdiff_t srcStride, int32_t radius, bool sse2);
// Gaussian blur in which only pixels of non-zero alpha take part; `dst`
// may be `src` (same stride). Leaves dst a copy of src when scratch memory
// is not there.
void GaussianBlurAlphaWeightedRows(uint8_t* dst, const uint8_t* src, int32_t width,
                                   int32_t height, ptrdiff_t dstStride, ptrdiff_t srcStride,
                                   int32_t radius);

// BoxBlur and BoxBlurAlphaWeighted of width x height >= 1 pixels written
// over themselves, 1 <= radius: each row is kept in a ring of radius + 1
// rows until it leaves the window. Nothing changes when scratch memory is
// not there (BoxBlurRowsInPlace then returns false).
bool BoxBlurRowsInPlace(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride,
                        int32_t radius, bool sse2);
void BoxBlurAlphaWeightedRowsInPlace(uint8_t* data, int32_t width, int32_t height,
                                     ptrdiff_t stride, int32_t radius, bool sse2);

void SetAlphaFromColorKeyRows(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride,
                              uint32_t key, int32_t tolerance);

// `rect` must have a non-zero width and height.
void FillGradientRows(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride,
                      const RECT& rect, int32_t direction, uint32_t colorA, uint32_t colorB);

// The value at index k of the sorted list; count >= 1, 0 <= k < count, and
// `lower` and `upper` hold count entries each. All three may be overwritten.
uint32_t SelectKthValue(uint32_t* values, int32_t count, int32_t k, uint32_t* lower,
                        uint32_t* upper);

}  // namespace VelImageUtility
