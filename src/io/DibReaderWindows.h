// Reads a GDI bitmap's pixels as a 32-bit uncompressed DIB.
#pragma once

#include <cstddef>
#include <cstdint>

#include "VelImageUtility/Types.h"

namespace VelImageUtility {

enum class DibRowOrder : int32_t { kTopDown = 1, kBottomUp = 2 };

// Byte count height * width * 4 of `bitmap` as a 32-bit DIB, or 0 when GDI
// cannot describe it. With `out` null this is only a size query; otherwise
// the pixels are written to *out in `order` (bytes blue, green, red and the
// fourth byte as GDI stores it), provided they fit `capacity` bytes (else
// nothing is written and 0 is returned). A read that copies no row also
// returns 0.
size_t ReadDibBits(HBITMAP bitmap, DibRowOrder order, uint8_t* const* out, size_t capacity);

}  // namespace VelImageUtility
