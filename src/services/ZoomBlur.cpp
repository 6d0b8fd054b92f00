// The zoom blur: an average of the image enlarged by 0, 2, 4 ... pixels and
// centred. Its step tables are 90 integers, so each call builds its own on
// the stack: calls of different sizes on several threads cannot disturb each
// other, and nothing is shared or locked.
#include <cstring>

#include "core/CImageUtility.h"
#include "core/InputChecks.h"
#include "services/FilterServices.h"
#include "services/ScratchBlock.h"

namespace VelImageUtility {

namespace {

struct ZoomTables {
    int32_t scaleX[kZoomBlurMaxSteps];
    int32_t scaleY[kZoomBlurMaxSteps];
    int32_t offsetY[kZoomBlurMaxSteps];
};

// Step k samples the image enlarged to width + 2k pixels (height in
// proportion), centred; 16.16 scales. Products are taken in 64 bits so that
// wide images cannot overflow them.
ZoomTables BuildZoomTables(int32_t width, int32_t height, int32_t steps) {
    ZoomTables tables{};
    for (int32_t k = 0; k < steps; ++k) {
        const int64_t enlargedWidth = int64_t{width} + 2 * k;
        const int64_t enlargedHeight = enlargedWidth * height / width;
        tables.scaleX[k] = static_cast<int32_t>((int64_t{width} << 16) / enlargedWidth);
        tables.scaleY[k] = static_cast<int32_t>((int64_t{height} << 16) / enlargedHeight);
        tables.offsetY[k] = static_cast<int32_t>((enlargedHeight - height) / 2);
    }
    return tables;
}

// Channels 0..2 of one output row from the rows that its steps sample.
void ZoomBlurRow(uint8_t* out, const uint8_t* const* rows, const ZoomTables& tables, int32_t width,
                 int32_t steps) {
    const int32_t inverse = 65536 / steps;
    for (int32_t x = 0; x < width; ++x, out += 4) {
        int32_t sums[3] = {0, 0, 0};
        for (int32_t k = 0; k < steps; ++k) {
            const int64_t column = (int64_t{k} + x) * tables.scaleX[k] >> 16;
            const uint8_t* pixel = rows[k] + column * 4;
            for (int32_t c = 0; c < 3; ++c) sums[c] += pixel[c];
        }
        for (int32_t c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((inverse * sums[c]) >> 16);
    }
}

// The source row that step k samples for output row y.
int32_t SampledRow(const ZoomTables& tables, int32_t k, int32_t y) {
    return static_cast<int32_t>((int64_t{tables.offsetY[k]} + y) * tables.scaleY[k] >> 16);
}

}  // namespace

void ZoomBlurRows(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                  ptrdiff_t dstStride, ptrdiff_t srcStride, int32_t steps) {
    if (width <= 0 || height <= 0) return;
    // A negative count leaves nothing to average: it copies like 0.
    if (steps <= 0) {
        CopyRows(dst, dstStride, src, srcStride, static_cast<size_t>(width) * 4, height);
        return;
    }
    if (steps > kZoomBlurMaxSteps) steps = kZoomBlurMaxSteps;
    const ZoomTables tables = BuildZoomTables(width, height, steps);
    const uint8_t* rows[kZoomBlurMaxSteps];
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t k = 0; k < steps; ++k) rows[k] = src + SampledRow(tables, k, y) * srcStride;
        ZoomBlurRow(dst + y * dstStride, rows, tables, width, steps);
    }
}

// Written top down, so that the rows an output row samples below itself
// are still unwritten; those at or above it are read from a ring of the
// rows last overwritten, as many as the deepest step lags behind plus one.
// Each row enters the ring just before it is written, and only colour
// bytes are written, so the alpha stays.
void ZoomBlurRowsInPlace(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride,
                         int32_t steps) {
    if (width <= 0 || height <= 0 || steps <= 0) return;
    if (steps > kZoomBlurMaxSteps) steps = kZoomBlurMaxSteps;
    const ZoomTables tables = BuildZoomTables(width, height, steps);
    int32_t lag = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t k = 0; k < steps; ++k) {
            const int32_t behind = y - SampledRow(tables, k, y);
            if (behind > lag) lag = behind;
        }
    }
    const int32_t slots = lag + 1;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    ScratchBlock scratch({uint64_t{rowBytes} * static_cast<uint32_t>(slots)});
    uint8_t* ring = scratch.Piece<uint8_t>(0);
    if (ring == nullptr) return;
    auto slot = [&](int32_t row) { return ring + static_cast<size_t>(row % slots) * rowBytes; };
    const uint8_t* rows[kZoomBlurMaxSteps];
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = data + y * stride;
        std::memcpy(slot(y), out, rowBytes);
        for (int32_t k = 0; k < steps; ++k) {
            const int32_t row = SampledRow(tables, k, y);
            rows[k] = row <= y ? slot(row) : data + row * stride;
        }
        ZoomBlurRow(out, rows, tables, width, steps);
    }
}

// Rows are packed in both buffers; the two stride arguments are not used.
void CImageUtility::ZoomBlur(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                             int32_t, int32_t, int32_t steps) {
    const int32_t packed = PackedStride(width, 4);
    if (!IsUsableBuffer(dst, width, height, packed, 4) ||
        !IsUsableBuffer(src, width, height, packed, 4)) {
        return;
    }
    ZoomBlurRows(dst, src, width, height, packed, packed, steps);
}

}  // namespace VelImageUtility
