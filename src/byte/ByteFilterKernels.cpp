#include <limits>

#include "byte/ByteKernels.h"

namespace VelImageUtility {

int32_t LimitBoxBlurRadius(int32_t radius, int32_t width, int32_t height) {
    const int32_t smaller = width < height ? width : height;
    if (2 * static_cast<int64_t>(radius) + 1 > smaller) return smaller > 0 ? (smaller - 1) / 2 : 0;
    return radius;
}

namespace {

void AddRowToColumnSums(uint32_t* columnSums, const uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x) columnSums[x] += row[x];
}

void SubtractRowFromColumnSums(uint32_t* columnSums, const uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x) columnSums[x] -= row[x];
}

// One output row from the column sums of its `rows` window rows: a sum
// sliding along the row, its pixel count growing over the first `radius`
// columns and shrinking over the last. `Sum` is wide enough for a window.
template <typename Sum>
void BoxBlurRowFromColumnSums(uint8_t* destination, const uint32_t* columnSums, int32_t width,
                              int32_t radius, Sum rows) {
    Sum sum = 0;
    for (int32_t x = 0; x <= radius; ++x) sum += columnSums[x];
    Sum count = static_cast<Sum>(radius + 1) * rows;
    destination[0] = static_cast<uint8_t>(sum / count);
    int32_t x = 1;
    for (; x <= radius; ++x) {
        sum += columnSums[x + radius];
        count += rows;
        destination[x] = static_cast<uint8_t>(sum / count);
    }
    for (; x < width - radius; ++x) {
        sum += columnSums[x + radius];
        sum -= columnSums[x - radius - 1];
        destination[x] = static_cast<uint8_t>(sum / count);
    }
    for (; x < width; ++x) {
        sum -= columnSums[x - radius - 1];
        count -= rows;
        destination[x] = static_cast<uint8_t>(sum / count);
    }
}

}  // namespace

void BoxBlurPlane(uint8_t* destination, const uint8_t* source, int32_t width, int32_t height,
                  int32_t radius, uint32_t* columnSums) {
    if (width <= 0 || height <= 0) return;
    // A window holds at most 255 * (2r + 1)^2; 32-bit sums divide faster
    // and serve whenever that fits.
    const int64_t side = 2 * static_cast<int64_t>(radius) + 1;
    const bool narrowSums = side < 65536 && 255 * side * side <= std::numeric_limits<uint32_t>::max();
    auto row = [&](int32_t y) { return source + static_cast<ptrdiff_t>(y) * width; };

    for (int32_t y = 0; y <= radius && y < height; ++y) AddRowToColumnSums(columnSums, row(y), width);
    for (int32_t y = 0; y < height; ++y) {
        if (y > 0) {
            if (y + radius < height) AddRowToColumnSums(columnSums, row(y + radius), width);
            if (y - radius - 1 >= 0) SubtractRowFromColumnSums(columnSums, row(y - radius - 1), width);
        }
        const int32_t bottom = y + radius < height - 1 ? y + radius : height - 1;
        const int32_t top = y - radius > 0 ? y - radius : 0;
        const int32_t rows = bottom - top + 1;
        uint8_t* out = destination + static_cast<ptrdiff_t>(y) * width;
        if (narrowSums) {
            BoxBlurRowFromColumnSums<uint32_t>(out, columnSums, width, radius, static_cast<uint32_t>(rows));
        } else {
            BoxBlurRowFromColumnSums<uint64_t>(out, columnSums, width, radius, static_cast<uint64_t>(rows));
        }
    }
}

void DetectEdgesRow(uint8_t* destination, const uint8_t* above, const uint8_t* row,
                    const uint8_t* below, int32_t width, int32_t limit, uint8_t edgeValue) {
    for (int32_t x = 1; x < width - 1; ++x) {
        // Prewitt: the row below minus the row above, the right column minus the left.
        const int32_t gy = below[x - 1] + below[x] + below[x + 1] - above[x - 1] - above[x] - above[x + 1];
        const int32_t gx = above[x + 1] + row[x + 1] + below[x + 1] - above[x - 1] - row[x - 1] - below[x - 1];
        destination[x] = gx * gx + gy * gy > limit ? edgeValue : 0;
    }
}

}  // namespace VelImageUtility
