// Row conversions between the pixel layouts that codecs read and write and
// the library's B, G, R, A layout. Each works on one row of `width` 4-byte
// pixels and touches nothing past it.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// R, G, B, A <-> B, G, R, A; `destination` may be `source`.
void SwapRedBlueRow(uint8_t* destination, const uint8_t* source, int32_t width);

// Colour multiplied by alpha, truncated: c * a / 255, as a GDI bitmap made
// from a decoded image holds it.
void PremultiplyRow(uint8_t* row, int32_t width);

// Straight colour from premultiplied: (c * 255 + a / 2) / a, at most 255;
// a pixel of alpha 0 becomes 0, 0, 0, 0.
void UnpremultiplyRow(uint8_t* row, int32_t width);

// C, M, Y, K bytes to B, G, R, 255, in place. Inverted rows (as Adobe
// applications write CMYK JPEG files) store 255 - C etc., so R = C'K'/255;
// plain rows give R = (255 - C)(255 - K)/255; both rounded to nearest.
void CmykToBgraRow(uint8_t* row, int32_t width, bool inverted);

}  // namespace VelImageUtility
