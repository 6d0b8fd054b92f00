// BMP files and device-independent bitmaps: 1, 4 and 8 bits with a colour
// table, run-length 8 and 4 bits, 16 and 32 bits with bit fields, 24 bits,
// both row orders; and 32-bit BMP files out.
#include <cstring>

#include "io/DibReaderPosix.h"

namespace VelImageUtility {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
enum Compression : uint32_t { kPlain = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void WriteU16(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}
void WriteU32(uint8_t* p, uint32_t value) {
    WriteU16(p, value);
    WriteU16(p + 2, value >> 16);
}

bool IsKnownInfoHeaderSize(uint32_t size) {
    // Windows 3 (40), its extensions with masks (52, 56), V4 (108), V5 (124)
    // and OS/2 2 (16 to 64 bytes, 16 and 64 in practice).
    return size == 16 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

bool CompressionFits(uint32_t compression, uint16_t bitCount) {
    switch (compression) {
        case kPlain:
            return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                   bitCount == 24 || bitCount == 32;
        case kRle8:
            return bitCount == 8;
        case kRle4:
            return bitCount == 4;
        case kBitFields:
        case kAlphaBitFields:
            return bitCount == 16 || bitCount == 32;
        default:
            return false;
    }
}

// How every decoded pixel gets its colour and fourth byte.
struct PixelRule {
    BitField red, green, blue, alpha;
    uint8_t constantAlpha = 255;  // when `alpha` has no bits
    uint8_t table[256][4] = {};   // B, G, R, A of each colour index
};

PixelRule MakePixelRule(const DibLayout& layout, DibAlpha alphaRule) {
    PixelRule rule;
    rule.red = layout.red;
    rule.green = layout.green;
    rule.blue = layout.blue;
    if (alphaRule == DibAlpha::kImageFile) {
        rule.alpha = layout.alpha;
        rule.constantAlpha = 255;
    } else {
        if (layout.UsualLayout32()) rule.alpha = MakeBitField(0xFF000000u);
        rule.constantAlpha = 0;
    }
    // Indexes past the colour table read as black.
    for (int index = 0; index < 256; ++index) rule.table[index][3] = rule.constantAlpha;
    for (uint32_t index = 0; index < layout.paletteCount && index < 256; ++index) {
        const uint8_t* entry = layout.palette + index * layout.paletteEntrySize;
        std::memcpy(rule.table[index], entry, 3);
    }
    return rule;
}

void PutFieldPixel(uint8_t* out, uint32_t pixel, const PixelRule& rule) {
    out[0] = ScaleBitField(pixel, rule.blue);
    out[1] = ScaleBitField(pixel, rule.green);
    out[2] = ScaleBitField(pixel, rule.red);
    out[3] = rule.alpha.bits != 0 ? ScaleBitField(pixel, rule.alpha) : rule.constantAlpha;
}

void DecodePlainRow(const uint8_t* in, uint8_t* out, int32_t width, uint16_t bitCount,
                    const PixelRule& rule) {
    for (int32_t x = 0; x < width; ++x, out += 4) {
        switch (bitCount) {
            case 1:
            case 4:
            case 8: {
                const int64_t bit = int64_t{x} * bitCount;
                const int shift = 8 - bitCount - static_cast<int>(bit % 8);
                const int index = (in[bit / 8] >> shift) & ((1 << bitCount) - 1);
                std::memcpy(out, rule.table[index], 4);
                break;
            }
            case 16:
                PutFieldPixel(out, ReadU16(in + 2 * x), rule);
                break;
            case 24:
                std::memcpy(out, in + 3 * x, 3);
                out[3] = rule.constantAlpha;
                break;
            default:
                PutFieldPixel(out, ReadU32(in + 4 * x), rule);
                break;
        }
    }
}

bool DecodePlainPixels(const DibLayout& layout, const PixelRule& rule, DecodeTarget& target) {
    const int64_t rowBytes = layout.RowBytes();
    // The last row may come without its padding.
    const int64_t needed =
        rowBytes * (layout.height - 1) + (int64_t{layout.width} * layout.bitCount + 7) / 8;
    if (needed > static_cast<int64_t>(layout.pixelBytes)) return false;
    if (target.Allocate(layout.width, layout.height) == nullptr) return false;
    for (int32_t row = 0; row < layout.height; ++row) {
        const int32_t y = layout.topDown ? row : layout.height - 1 - row;
        DecodePlainRow(layout.pixels + rowBytes * row, target.Row(y), layout.width,
                       layout.bitCount, rule);
    }
    return true;
}

// Run-length data: pairs (count, index) repeat an index (RLE4: two indexes
// in turn); (0, 0) ends a row, (0, 1) the bitmap, (0, 2, dx, dy) moves on;
// (0, n >= 3) is followed by n literal indexes, padded to 2 bytes.
bool DecodeRunLengthPixels(const DibLayout& layout, const PixelRule& rule,
                           DecodeTarget& target) {
    if (target.Allocate(layout.width, layout.height) == nullptr) return false;
    const uint32_t width = static_cast<uint32_t>(layout.width);
    const uint32_t height = static_cast<uint32_t>(layout.height);
    for (uint32_t y = 0; y < height; ++y) std::memset(target.Row(static_cast<int32_t>(y)), 0, width * 4);

    const bool fourBits = layout.compression == kRle4;
    const uint8_t* data = layout.pixels;
    const size_t size = layout.pixelBytes;
    size_t at = 0;
    uint32_t x = 0;
    uint32_t row = 0;  // in file order
    auto put = [&](uint32_t index) {
        if (x < width && row < height) {
            const uint32_t y = layout.topDown ? row : height - 1 - row;
            std::memcpy(target.Row(static_cast<int32_t>(y)) + 4 * x, rule.table[index], 4);
        }
        if (x < width) ++x;
    };
    while (row < height) {
        if (size - at < 2) return false;
        const uint32_t count = data[at];
        const uint32_t code = data[at + 1];
        at += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count; ++i) {
                put(fourBits ? (i % 2 == 0 ? code >> 4 : code & 15) : code);
            }
        } else if (code == 0) {
            x = 0;
            ++row;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            if (size - at < 2) return false;
            x = x + data[at] < width ? x + data[at] : width;
            row += data[at + 1];
            at += 2;
        } else {
            const size_t literalBytes = fourBits ? (code + 1) / 2 : code;
            const size_t paddedBytes = (literalBytes + 1) & ~size_t{1};
            if (size - at < paddedBytes) return false;
            for (uint32_t i = 0; i < code; ++i) {
                const uint8_t byte = data[at + (fourBits ? i / 2 : i)];
                put(fourBits ? (i % 2 == 0 ? byte >> 4 : byte & 15) : byte);
            }
            at += paddedBytes;
        }
    }
    return true;
}

}  // namespace

BitField MakeBitField(uint32_t mask) {
    BitField field;
    field.mask = mask;
    if (mask == 0) return field;
    while (((mask >> field.shift) & 1) == 0) ++field.shift;
    int top = 31;
    while (((mask >> top) & 1) == 0) --top;
    field.bits = top - field.shift + 1;
    return field;
}

uint8_t ScaleBitField(uint32_t pixel, const BitField& field) {
    if (field.bits == 0) return 0;
    const uint32_t value = (pixel & field.mask) >> field.shift;
    if (field.bits >= 8) return static_cast<uint8_t>(value >> (field.bits - 8));
    uint32_t repeated = 0;
    int filled = 0;
    for (; filled < 8; filled += field.bits) repeated = repeated << field.bits | value;
    return static_cast<uint8_t>(repeated >> (filled - 8));
}

bool DibLayout::UsualLayout32() const {
    return bitCount == 32 && red.mask == 0x00FF0000u && green.mask == 0x0000FF00u &&
           blue.mask == 0x000000FFu;
}

bool ParseDibHeader(const uint8_t* bytes, size_t size, size_t headerAt, uint32_t pixelOffset,
                    DibLayout& layout) {
    if (headerAt > size || size - headerAt < 4) return false;
    const uint8_t* header = bytes + headerAt;
    const uint32_t headerSize = ReadU32(header);
    if (headerSize > size - headerAt) return false;

    int64_t width = 0;
    int64_t height = 0;
    uint32_t colorsUsed = 0;
    layout = DibLayout();
    if (headerSize == 12) {
        // OS/2 1 and Windows 2: 16-bit sizes, rows bottom-up, 3-byte colours.
        width = ReadU16(header + 4);
        height = ReadU16(header + 6);
        layout.bitCount = ReadU16(header + 10);
        layout.paletteEntrySize = 3;
    } else if (IsKnownInfoHeaderSize(headerSize)) {
        width = static_cast<int32_t>(ReadU32(header + 4));
        height = static_cast<int32_t>(ReadU32(header + 8));
        layout.bitCount = ReadU16(header + 14);
        if (headerSize >= 20) layout.compression = ReadU32(header + 16);
        if (headerSize >= 36) colorsUsed = ReadU32(header + 32);
        // OS/2 2 numbers Huffman and 24-bit run-length coding 3 and 4.
        if ((headerSize == 16 || headerSize == 64) && layout.compression > kRle4) return false;
    } else {
        return false;
    }
    if (!CompressionFits(layout.compression, layout.bitCount)) return false;
    layout.topDown = height < 0;
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
    layout.width = static_cast<int32_t>(width);
    layout.height = static_cast<int32_t>(height);

    size_t next = headerAt + headerSize;
    if (layout.compression == kBitFields || layout.compression == kAlphaBitFields) {
        const uint8_t* masks = header + 40;
        uint32_t maskCount = headerSize >= 56 ? 4 : 3;
        if (headerSize < 52) {
            // The masks follow a 40-byte header.
            maskCount = layout.compression == kAlphaBitFields ? 4 : 3;
            if (size - next < 4 * maskCount) return false;
            masks = bytes + next;
            next += 4 * maskCount;
        }
        layout.red = MakeBitField(ReadU32(masks));
        layout.green = MakeBitField(ReadU32(masks + 4));
        layout.blue = MakeBitField(ReadU32(masks + 8));
        if (maskCount == 4) layout.alpha = MakeBitField(ReadU32(masks + 12));
    } else if (layout.bitCount == 16) {
        layout.red = MakeBitField(0x7C00);
        layout.green = MakeBitField(0x03E0);
        layout.blue = MakeBitField(0x001F);
    } else if (layout.bitCount == 32) {
        layout.red = MakeBitField(0x00FF0000u);
        layout.green = MakeBitField(0x0000FF00u);
        layout.blue = MakeBitField(0x000000FFu);
    }

    // The colour table: `colorsUsed` entries, or all 2^bits when 0.
    uint64_t tableEntries = colorsUsed;
    if (tableEntries == 0 && layout.bitCount <= 8) tableEntries = uint64_t{1} << layout.bitCount;
    uint64_t usable = tableEntries;
    if (layout.bitCount > 8) usable = 0;
    if (usable > 256) usable = 256;
    if (usable * layout.paletteEntrySize > size - next) return false;
    layout.palette = bytes + next;
    layout.paletteCount = static_cast<uint32_t>(usable);

    uint64_t pixelsAt = next + tableEntries * layout.paletteEntrySize;
    if (pixelOffset != 0) pixelsAt = pixelOffset;
    if (pixelsAt > size) return false;
    layout.pixels = bytes + pixelsAt;
    layout.pixelBytes = size - static_cast<size_t>(pixelsAt);
    return true;
}

bool DecodeDibPixels(const DibLayout& layout, DibAlpha alpha, DecodeTarget& target) {
    if (!DecodedSizeAccepted(layout.width, layout.height)) return false;
    const PixelRule rule = MakePixelRule(layout, alpha);
    if (layout.compression == kRle8 || layout.compression == kRle4) {
        return DecodeRunLengthPixels(layout, rule, target);
    }
    return DecodePlainPixels(layout, rule, target);
}

bool DecodeDib(const uint8_t* bytes, size_t size, DibAlpha alpha, DecodeTarget& target) {
    DibLayout layout;
    return ParseDibHeader(bytes, size, 0, 0, layout) && DecodeDibPixels(layout, alpha, target);
}

bool DecodeBmp(const uint8_t* bytes, size_t size, DecodeTarget& target) {
    if (size < kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return false;
    DibLayout layout;
    return ParseDibHeader(bytes, size, kFileHeaderSize, ReadU32(bytes + 10), layout) &&
           DecodeDibPixels(layout, DibAlpha::kImageFile, target);
}

bool EncodeBmp(const EncodeSource& source, FILE* file) {
    // 32 bits per pixel, no compression, rows bottom-up; the fourth byte of
    // each pixel is stored as it is.
    const uint64_t rowBytes = uint64_t{static_cast<uint32_t>(source.width)} * 4;
    const uint64_t fileSize = kFileHeaderSize + kInfoHeaderSize + rowBytes * source.height;
    if (fileSize > UINT32_MAX) return false;
    uint8_t headers[kFileHeaderSize + kInfoHeaderSize] = {};
    headers[0] = 'B';
    headers[1] = 'M';
    WriteU32(headers + 2, static_cast<uint32_t>(fileSize));
    WriteU32(headers + 10, kFileHeaderSize + kInfoHeaderSize);
    uint8_t* info = headers + kFileHeaderSize;
    WriteU32(info, kInfoHeaderSize);
    WriteU32(info + 4, static_cast<uint32_t>(source.width));
    WriteU32(info + 8, static_cast<uint32_t>(source.height));
    WriteU16(info + 12, 1);
    WriteU16(info + 14, 32);
    WriteU32(info + 20, static_cast<uint32_t>(rowBytes * source.height));
    WriteU32(info + 24, 3780);  // 96 dots per inch, in dots per metre
    WriteU32(info + 28, 3780);
    if (std::fwrite(headers, sizeof headers, 1, file) != 1) return false;
    for (int32_t y = source.height - 1; y >= 0; --y) {
        if (std::fwrite(source.Row(y), static_cast<size_t>(rowBytes), 1, file) != 1) return false;
    }
    return true;
}

}  // namespace VelImageUtility
