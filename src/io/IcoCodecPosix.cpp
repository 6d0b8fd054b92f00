// ICO files: the largest image of the directory (the first of equal ones),
// held as PNG or as a device-independent bitmap followed by its AND mask.
#include <cstring>

#include "io/DibReaderPosix.h"

namespace VelImageUtility {

namespace {

constexpr size_t kDirectoryHeaderSize = 6;
constexpr size_t kEntrySize = 16;

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Sizes of 0 in the directory mean 256.
uint32_t EntryArea(const uint8_t* entry) {
    const uint32_t width = entry[0] == 0 ? 256 : entry[0];
    const uint32_t height = entry[1] == 0 ? 256 : entry[1];
    return width * height;
}
uint32_t EntryBitCount(const uint8_t* entry) { return entry[6] | entry[7] << 8; }

bool AnyAlpha(const DecodeTarget& target, int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = target.Row(y);
        for (int32_t x = 0; x < width; ++x) {
            if (row[4 * x + 3] != 0) return true;
        }
    }
    return false;
}

// A set mask bit makes the pixel transparent (0, 0, 0, 0); the others
// become opaque.
bool ApplyAndMask(const DibLayout& layout, DecodeTarget& target) {
    const int64_t maskRowBytes = (int64_t{layout.width} + 31) / 32 * 4;
    const int64_t maskAt = layout.RowBytes() * layout.height;
    const int64_t needed = maskRowBytes * (layout.height - 1) + (layout.width + 7) / 8;
    if (maskAt + needed > static_cast<int64_t>(layout.pixelBytes)) return false;
    const uint8_t* mask = layout.pixels + maskAt;
    for (int32_t row = 0; row < layout.height; ++row) {
        const uint8_t* bits = mask + maskRowBytes * row;
        uint8_t* out = target.Row(layout.topDown ? row : layout.height - 1 - row);
        for (int32_t x = 0; x < layout.width; ++x, out += 4) {
            if ((bits[x / 8] >> (7 - x % 8)) & 1) {
                std::memset(out, 0, 4);
            } else {
                out[3] = 255;
            }
        }
    }
    return true;
}

bool DecodeIconBitmap(const uint8_t* bytes, size_t size, DecodeTarget& target) {
    DibLayout layout;
    if (!ParseDibHeader(bytes, size, 0, 0, layout)) return false;
    // The height counts the colour rows and the mask rows.
    layout.height /= 2;
    if (layout.height == 0) return false;
    if (!DecodeDibPixels(layout, DibAlpha::kGdiBitmap, target)) return false;
    // 32-bit images carry their own alpha unless it is 0 everywhere.
    if (layout.bitCount == 32 && AnyAlpha(target, layout.width, layout.height)) return true;
    return ApplyAndMask(layout, target);
}

}  // namespace

bool DecodeIco(const uint8_t* bytes, size_t size, DecodeTarget& target) {
    if (size < kDirectoryHeaderSize) return false;
    const uint32_t count = bytes[4] | bytes[5] << 8;
    if (count == 0 || (size - kDirectoryHeaderSize) / kEntrySize < count) return false;

    const uint8_t* chosen = nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = bytes + kDirectoryHeaderSize + kEntrySize * i;
        if (chosen == nullptr || EntryArea(entry) > EntryArea(chosen) ||
            (EntryArea(entry) == EntryArea(chosen) && EntryBitCount(entry) > EntryBitCount(chosen))) {
            chosen = entry;
        }
    }
    const uint64_t imageSize = ReadU32(chosen + 8);
    const uint64_t imageAt = ReadU32(chosen + 12);
    if (imageAt > size || imageSize > size - imageAt) return false;
    const uint8_t* image = bytes + imageAt;
    if (imageSize >= 8 && std::memcmp(image, "\x89PNG\r\n\x1a\n", 8) == 0) {
        return DecodePng(image, static_cast<size_t>(imageSize), target);
    }
    return DecodeIconBitmap(image, static_cast<size_t>(imageSize), target);
}

}  // namespace VelImageUtility
