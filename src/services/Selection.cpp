// Selection of the k-th smallest value and the median filter built on it.
#include <cstring>

#include "core/CImageUtility.h"
#include "core/InputChecks.h"
#include "services/FilterServices.h"
#include "services/ScratchBlock.h"

namespace VelImageUtility {

namespace {

uint32_t MedianOfThree(uint32_t a, uint32_t b, uint32_t c) {
    if (a > b) {
        const uint32_t t = a;
        a = b;
        b = t;
    }
    return c <= a ? a : (c >= b ? b : c);
}

// Orders by luma first (BT.709 weights in units of 1/65536), then by red,
// green and blue.
inline uint32_t MedianKey(const uint8_t* pixel) {
    const uint32_t luma = (13926u * pixel[2] + 46885u * pixel[1] + 4725u * pixel[0]) >> 16;
    return luma << 24 | uint32_t{pixel[2]} << 16 | uint32_t{pixel[1]} << 8 | pixel[0];
}

}  // namespace

// Three-way partitions in a loop: values equal to the pivot are settled in
// one pass, so a flat list costs one pass and nothing recurses. The pivot
// is the median of the first, middle and last values.
uint32_t SelectKthValue(uint32_t* values, int32_t count, int32_t k, uint32_t* lower,
                        uint32_t* upper) {
    for (;;) {
        if (count == 1) return values[0];
        if (count == 2) return (values[0] <= values[1]) == (k == 0) ? values[0] : values[1];
        const uint32_t pivot = MedianOfThree(values[0], values[count / 2], values[count - 1]);
        int32_t below = 0;
        int32_t above = 0;
        for (int32_t i = 0; i < count; ++i) {
            const uint32_t v = values[i];
            if (v < pivot) {
                lower[below++] = v;
            } else if (v > pivot) {
                upper[above++] = v;
            }
        }
        if (k < below) {
            uint32_t* old = values;
            values = lower;
            lower = old;
            count = below;
        } else if (k < count - above) {
            return pivot;
        } else {
            uint32_t* old = values;
            values = upper;
            upper = old;
            k -= count - above;
            count = above;
        }
    }
}

uint32_t CImageUtility::SelectKth(uint32_t* values, int32_t count, int32_t k, uint32_t* lower,
                                  uint32_t* upper) {
    if (values == nullptr || lower == nullptr || upper == nullptr || count < 1 || k < 0 ||
        k >= count) {
        return 0;
    }
    return SelectKthValue(values, count, k, lower, upper);
}

HRESULT CImageUtility::MedianFilter(int32_t size, const uint8_t* src, uint8_t* dst, int32_t width,
                                    int32_t height, int32_t srcStride, int32_t dstStride) {
    if (size < 1 || src == dst || !IsUsableBuffer(src, width, height, srcStride, 4) ||
        !IsUsableBuffer(dst, width, height, dstStride, 4)) {
        return VIU_E_INVALIDARG;
    }
    if (width == 0 || height == 0) return VIU_S_OK;
    // A window larger than the image is reduced to fit it.
    const int32_t smaller = width < height ? width : height;
    if (size > smaller) size = smaller;
    const int32_t before = size >> 1;
    const int32_t after = size - before - 1;
    const uint64_t listBytes = uint64_t{static_cast<uint32_t>(size)} * static_cast<uint32_t>(size) * 4;
    const uint64_t keyRowBytes = uint64_t{static_cast<uint32_t>(width)} * 4;
    ScratchBlock scratch({listBytes, listBytes, listBytes, keyRowBytes * static_cast<uint32_t>(size)});
    uint32_t* list = scratch.Piece<uint32_t>(0);
    uint32_t* lower = scratch.Piece<uint32_t>(1);
    uint32_t* upper = scratch.Piece<uint32_t>(2);
    uint32_t* ring = scratch.Piece<uint32_t>(3);
    if (!scratch.Ok()) return VIU_E_OUTOFMEMORY;
    auto keyRow = [&](int32_t row) { return ring + static_cast<size_t>(row % size) * width; };
    auto convertRow = [&](int32_t row) {
        const uint8_t* pixel = src + static_cast<ptrdiff_t>(row) * srcStride;
        uint32_t* keys = keyRow(row);
        for (int32_t x = 0; x < width; ++x, pixel += 4) keys[x] = MedianKey(pixel);
    };
    for (int32_t row = 0; row < after && row < height; ++row) convertRow(row);
    for (int32_t y = 0; y < height; ++y) {
        if (y + after < height) convertRow(y + after);
        const int32_t top = y > before ? y - before : 0;
        const int32_t bottom = y + after < height ? y + after : height - 1;
        uint8_t* out = dst + static_cast<ptrdiff_t>(y) * dstStride;
        for (int32_t x = 0; x < width; ++x, out += 4) {
            const int32_t left = x > before ? x - before : 0;
            const int32_t right = x + after < width ? x + after : width - 1;
            const size_t runBytes = static_cast<size_t>(right - left + 1) * sizeof(uint32_t);
            int32_t count = 0;
            for (int32_t row = top; row <= bottom; ++row, count += right - left + 1) {
                std::memcpy(list + count, keyRow(row) + left, runBytes);
            }
            const uint32_t key = SelectKthValue(list, count, count >> 1, lower, upper) & 0x00FFFFFFu;
            std::memcpy(out, &key, sizeof key);
        }
    }
    return VIU_S_OK;
}

}  // namespace VelImageUtility
