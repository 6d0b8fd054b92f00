// Alpha from the distance to a key colour, and the two-colour gradient fill.
#include "core/CImageUtility.h"
#include "core/InputChecks.h"
#include "services/FilterServices.h"

namespace VelImageUtility {

namespace {

// Pixel byte of each colour-reference byte: red (bits 0..7) is byte 2,
// green byte 1, blue (bits 16..23) byte 0.
constexpr int32_t kPixelByteOfColourByte[3] = {2, 1, 0};

uint8_t ColourByte(uint32_t colour, int32_t index) {
    return static_cast<uint8_t>(colour >> (8 * index));
}

bool IsPackedImage(const uint8_t* data, const SIZE* size) {
    return size != nullptr && size->cx >= 1 && size->cy >= 1 &&
           IsUsableBuffer(data, size->cx, size->cy, PackedStride(size->cx, 4), 4);
}

// Float to integer toward zero; values out of range (and NaN) give the
// integer the processor's own conversion gives, INT32_MIN.
int32_t Truncate(float value) {
    if (value > -2147483648.0f && value < 2147483648.0f) return static_cast<int32_t>(value);
    return INT32_MIN;
}

}  // namespace

void SetAlphaFromColorKeyRows(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride,
                              uint32_t key, int32_t tolerance) {
    auto differs = [&](const uint8_t* pixel) {
        for (int32_t i = 0; i < 3; ++i) {
            const int32_t distance = ColourByte(key, i) - pixel[kPixelByteOfColourByte[i]];
            if (distance > tolerance || -distance > tolerance) return true;
        }
        return false;
    };
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = data + y * stride;
        const ptrdiff_t down = y + 1 < height ? stride : 0;
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* pixel = row + x * 4;
            if (pixel[3] == 0) continue;
            const ptrdiff_t right = x + 1 < width ? 4 : 0;
            const int32_t total = 64 * (differs(pixel) + differs(pixel + right) +
                                        differs(pixel + down) + differs(pixel + down + right));
            pixel[3] = static_cast<uint8_t>(total > 255 ? 255 : total);
        }
    }
}

void FillGradientRows(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride,
                      const RECT& rect, int32_t direction, uint32_t colorA, uint32_t colorB) {
    const uint32_t mid = ((colorA & 0xFEFEFEu) >> 1) + ((colorB & 0xFEFEFEu) >> 1) +
                         (colorA & colorB & 0x010101u);
    const uint32_t a = colorA, b = colorB;
    uint32_t corners[4];  // top-left, top-right, bottom-left, bottom-right
    switch (direction) {
        case 1: corners[0] = a, corners[1] = a, corners[2] = b, corners[3] = b; break;
        case 2: corners[0] = b, corners[1] = a, corners[2] = b, corners[3] = a; break;
        case 3: corners[0] = a, corners[1] = b, corners[2] = a, corners[3] = b; break;
        case 4: corners[0] = b, corners[1] = mid, corners[2] = mid, corners[3] = a; break;
        case 5: corners[0] = mid, corners[1] = b, corners[2] = a, corners[3] = mid; break;
        case 6: corners[0] = mid, corners[1] = a, corners[2] = b, corners[3] = mid; break;
        case 7: corners[0] = a, corners[1] = mid, corners[2] = mid, corners[3] = b; break;
        default: corners[0] = b, corners[1] = b, corners[2] = a, corners[3] = a; break;
    }
    // 64-bit differences: a hostile rectangle cannot overflow them.
    const float rectWidth = static_cast<float>(int64_t{rect.right} - rect.left);
    const float rectHeight = static_cast<float>(int64_t{rect.bottom} - rect.top);
    for (int32_t y = 0; y < height; ++y) {
        const float fy = static_cast<float>(int64_t{y} - rect.top) / rectHeight;
        uint8_t* pixel = data + y * stride;
        for (int32_t x = 0; x < width; ++x, pixel += 4) {
            if (pixel[3] == 0) continue;
            const float fx = static_cast<float>(int64_t{x} - rect.left) / rectWidth;
            for (int32_t i = 0; i < 3; ++i) {
                const float topLeft = ColourByte(corners[0], i), topRight = ColourByte(corners[1], i);
                const float bottomLeft = ColourByte(corners[2], i),
                            bottomRight = ColourByte(corners[3], i);
                const int32_t top = Truncate(topLeft + (topRight - topLeft) * fx);
                const int32_t bottom = Truncate(bottomLeft + (bottomRight - bottomLeft) * fx);
                const int32_t value = Truncate(static_cast<float>(top) +
                                               static_cast<float>(int64_t{bottom} - top) * fy);
                pixel[kPixelByteOfColourByte[i]] = static_cast<uint8_t>(value);
            }
        }
    }
}

void CImageUtility::SetAlphaFromColorKey(uint8_t* data, const SIZE* size, uint32_t key,
                                         int32_t tolerance) {
    if (!IsPackedImage(data, size)) return;
    SetAlphaFromColorKeyRows(data, size->cx, size->cy, ptrdiff_t{size->cx} * 4, key, tolerance);
}

void CImageUtility::FillGradient(uint8_t* data, const SIZE* size, const RECT* rect,
                                 int32_t direction, uint32_t colorA, uint32_t colorB) {
    if (!IsPackedImage(data, size) || rect == nullptr || rect->right == rect->left ||
        rect->bottom == rect->top) {
        return;
    }
    FillGradientRows(data, size->cx, size->cy, ptrdiff_t{size->cx} * 4, *rect, direction, colorA,
                     colorB);
}

}  // namespace VelImageUtility
