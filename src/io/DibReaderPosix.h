// Reading a device-independent bitmap: the header and colour table that
// BMP files, BITMAP resources and icon images share, and its pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/ImageCodecsPosix.h"

namespace VelImageUtility {

// One colour channel of a 16- or 32-bit pixel: its mask, the position of
// its lowest bit and the number of bits from there to its highest.
struct BitField {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};
BitField MakeBitField(uint32_t mask);
// The channel of `pixel` scaled to 8 bits by repeating its bits (5 bits
// abcde give abcdeabc); wider fields keep their top 8 bits; 0 for no field.
uint8_t ScaleBitField(uint32_t pixel, const BitField& field);

struct DibLayout {
    int32_t width = 0;
    int32_t height = 0;  // rows of colour pixels
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = 0;  // 0 plain, 1 RLE8, 2 RLE4, 3 and 6 bit fields
    BitField red, green, blue;
    BitField alpha;  // set only where the header declares an alpha field
    const uint8_t* palette = nullptr;
    uint32_t paletteCount = 0;  // entries usable from `palette`
    uint32_t paletteEntrySize = 4;
    const uint8_t* pixels = nullptr;  // from the first pixel to the end of the data
    size_t pixelBytes = 0;

    // Bytes of one uncompressed row, padded to 4 bytes.
    int64_t RowBytes() const { return (int64_t{width} * bitCount + 31) / 32 * 4; }
    bool UsualLayout32() const;
};

// Reads the info header that starts `headerAt` bytes into `bytes`. The
// pixels start `pixelOffset` bytes into `bytes` when that is not 0 (a BMP
// file's header says where), else right after the colour table.
bool ParseDibHeader(const uint8_t* bytes, size_t size, size_t headerAt, uint32_t pixelOffset,
                    DibLayout& layout);

// Decodes the colour pixels of `layout` into the target (allocating it).
// Pixels that run-length data skips become 0, 0, 0, 0.
bool DecodeDibPixels(const DibLayout& layout, DibAlpha alpha, DecodeTarget& target);

}  // namespace VelImageUtility
