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

// For rules of one pixel alone, packed rows (those of the image and of a
// second buffer `otherStride` bytes per row) go as one row whose width is
// returned, so that the vector kernels meet one tail instead of one per
// row; 0 when the rows are not packed or the pixels do not fit one row.
inline int32_t JoinedRowWidth(const CImageBase& image, int64_t otherStride) {
    const int64_t packedStride = int64_t{image.width} * 4, pixels = int64_t{image.width} * image.height;
    const bool packed = image.stride == packedStride && otherStride == packedStride;
    return packed && pixels <= INT32_MAX ? static_cast<int32_t>(pixels) : 0;
}

// Calls rowFunction(row, width) once over the joined rows, or for each row.
template <typename RowFunction>
void ForEachPixelRowJoined(const CImageBase& image, RowFunction rowFunction) {
    if (const int32_t joined = JoinedRowWidth(image, image.stride)) return rowFunction(image.data, joined);
    ForEachPixelRow(image, rowFunction);
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
