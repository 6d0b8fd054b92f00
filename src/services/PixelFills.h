// Row kernels that set whole 32-bit pixels or some of their bytes. They never
// look at what a byte means, so ARGB and AYUV images share them.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// Every pixel's little-endian word becomes `value`.
void FillPixelRow_Plain(uint8_t* row, int32_t width, uint32_t value);
void FillPixelRow_Sse2(uint8_t* row, int32_t width, uint32_t value);

// Every pixel's word becomes (word & keep) | value: the bits of `keep` stay,
// `value` supplies the others (it has no bits inside `keep`).
void FillMaskedRow_Plain(uint8_t* row, int32_t width, uint32_t keep, uint32_t value);
void FillMaskedRow_Sse2(uint8_t* row, int32_t width, uint32_t keep, uint32_t value);

// Runs a row kernel over every row of an image of 4-byte pixels, leaving the
// bytes after each row as they are.
template <typename Row, typename... Arguments>
inline void ForEachPixelRow(uint8_t* data, int32_t width, int32_t height, int32_t stride,
                            Row row, Arguments... arguments) {
    for (int32_t y = 0; y < height; ++y) row(data + static_cast<intptr_t>(y) * stride, width, arguments...);
}

}  // namespace VelImageUtility
