// Row walks shared by the tone operations of the 4-byte images.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/CImageBase.h"

namespace VelImageUtility {

// Calls rowFunction(row, width) for each row of an image that passed
// IsUsablePixels(image, 4).
template <typename RowFunction>
void ForEachPixelRow(const CImageBase& image, RowFunction rowFunction) {
    for (int32_t y = 0; y < image.height; ++y) {
        rowFunction(image.data + static_cast<ptrdiff_t>(y) * image.stride, image.width);
    }
}

// The kernels that group pixels across rows see an image without row
// padding as one run of width x height pixels, any other row by row.
template <typename RunFunction>
void ForEachPixelRun(const CImageBase& image, RunFunction runFunction) {
    if (int64_t{image.stride} == int64_t{image.width} * 4) {
        runFunction(image.data, static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
        return;
    }
    ForEachPixelRow(image, [&](uint8_t* row, int32_t width) { runFunction(row, static_cast<size_t>(width)); });
}

// Posterize of the first three bytes of each 4-byte pixel (ARGB blue,
// green, red; AYUV V, U, Y), at the image's level.
void PosterizeFourBytePixels(CImageBase& image, int32_t step);

}  // namespace VelImageUtility
