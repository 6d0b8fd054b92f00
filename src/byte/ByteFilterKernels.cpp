// The plain twin of ByteFilterKernels_sse2.cpp: kept apart so that this file alone is
// built without the compiler's own vector loops.
#include <cstring>

#include "byte/ByteKernels.h"
#include "core/ExactReciprocal.h"

namespace VelImageUtility {

int32_t LimitBoxBlurRadius(int32_t radius, int32_t width, int32_t height) {
    const int32_t smaller = width < height ? width : height;
    if (2 * static_cast<int64_t>(radius) + 1 > smaller) return smaller > 0 ? (smaller - 1) / 2 : 0;
    return radius;
}

namespace {

// One output row from the column sums of its `rows` window rows: a sum
// sliding along the row, its pixel count growing over the first `radius`
// columns and shrinking over the last. Used where a window sum may pass
// what a reciprocal divides exactly.
void BoxBlurRowByDivision(uint8_t* destination, const uint32_t* columnSums, int32_t width,
                          int32_t radius, uint64_t rows) {
    uint64_t sum = 0;
    for (int32_t x = 0; x <= radius; ++x) sum += columnSums[x];
    uint64_t count = static_cast<uint64_t>(radius + 1) * rows;
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

// The same row where every count is at most kMaxReciprocalCount;
// reciprocals[j] divides by (radius + 1 + j) * rows, the count of a window
// clipped j columns short of its full width at the far side.
void BoxBlurRowByReciprocal(uint8_t* destination, const uint32_t* columnSums, int32_t width,
                            int32_t radius, const uint64_t* reciprocals) {
    uint32_t sum = 0;
    for (int32_t x = 0; x <= radius; ++x) sum += columnSums[x];
    destination[0] = static_cast<uint8_t>(DivideByReciprocal(sum, reciprocals[0]));
    int32_t x = 1;
    for (; x <= radius; ++x) {
        sum += columnSums[x + radius];
        destination[x] = static_cast<uint8_t>(DivideByReciprocal(sum, reciprocals[x]));
    }
    const uint64_t full = reciprocals[radius];
    for (; x < width - radius; ++x) {
        sum += columnSums[x + radius] - columnSums[x - radius - 1];
        destination[x] = static_cast<uint8_t>(DivideByReciprocal(sum, full));
    }
    for (; x < width; ++x) {
        sum -= columnSums[x - radius - 1];
        destination[x] = static_cast<uint8_t>(DivideByReciprocal(sum, reciprocals[width - 1 - x]));
    }
}

}  // namespace

void UpdateColumnSums_Plain(uint32_t* columnSums, const uint8_t* entering, const uint8_t* leaving,
                            int32_t width) {
    if (entering != nullptr && leaving != nullptr) {
        for (int32_t x = 0; x < width; ++x) columnSums[x] += static_cast<uint32_t>(entering[x]) - leaving[x];
    } else if (entering != nullptr) {
        for (int32_t x = 0; x < width; ++x) columnSums[x] += entering[x];
    } else if (leaving != nullptr) {
        for (int32_t x = 0; x < width; ++x) columnSums[x] -= leaving[x];
    }
}

bool BoxBlurUsesReciprocals(int32_t radius) {
    const uint64_t side = 2 * static_cast<uint64_t>(radius) + 1;
    return side * side <= kMaxReciprocalCount;
}

bool BoxBlurUsesFloatReciprocals(int32_t radius) {
    const uint64_t side = 2 * static_cast<uint64_t>(radius) + 1;
    return side * side <= kMaxFloatReciprocalCount;
}

void BoxBlurPlane(uint8_t* plane, int32_t width, int32_t height, int32_t radius, uint32_t* columnSums,
                  uint8_t* savedRows, uint64_t* reciprocals, float* floatReciprocals, bool vector) {
    if (width <= 0 || height <= 0) return;
    const bool byFloat = vector && BoxBlurUsesFloatReciprocals(radius);
    const bool byReciprocal = !byFloat && BoxBlurUsesReciprocals(radius);
    const auto updateColumnSums = vector ? UpdateColumnSums_Sse2 : UpdateColumnSums_Plain;
    auto row = [&](int32_t y) { return plane + static_cast<ptrdiff_t>(y) * width; };
    // Row y is overwritten at step y and leaves the window at step y + r + 1,
    // so r + 1 saved rows suffice; it takes the slot of the row leaving at step y.
    auto saved = [&](int32_t y) { return savedRows + static_cast<ptrdiff_t>(y % (radius + 1)) * width; };

    for (int32_t y = 0; y <= radius && y < height; ++y) updateColumnSums(columnSums, row(y), nullptr, width);
    int32_t reciprocalRows = 0;
    for (int32_t y = 0; y < height; ++y) {
        if (y > 0) {
            const bool entering = y + radius < height, leaving = y - radius - 1 >= 0;
            updateColumnSums(columnSums, entering ? row(y + radius) : nullptr, leaving ? saved(y) : nullptr, width);
        }
        std::memcpy(saved(y), row(y), static_cast<size_t>(width));
        const int32_t bottom = y + radius < height - 1 ? y + radius : height - 1;
        const int32_t top = y - radius > 0 ? y - radius : 0;
        const int32_t rows = bottom - top + 1;
        if (!byFloat && !byReciprocal) {
            BoxBlurRowByDivision(row(y), columnSums, width, radius, static_cast<uint64_t>(rows));
            continue;
        }
        if (rows != reciprocalRows) {
            for (int32_t j = 0; j <= radius; ++j) {
                const auto count = static_cast<uint32_t>((radius + 1 + j) * rows);
                if (byFloat) {
                    floatReciprocals[j] = FloatReciprocalOf(count);
                } else {
                    reciprocals[j] = ReciprocalOf(count);
                }
            }
            reciprocalRows = rows;
        }
        if (byFloat) {
            BoxBlurRow_Sse2(row(y), columnSums, width, radius, floatReciprocals);
        } else {
            BoxBlurRowByReciprocal(row(y), columnSums, width, radius, reciprocals);
        }
    }
}

void DetectEdgesRow_Plain(uint8_t* destination, const uint8_t* above, const uint8_t* row,
                          const uint8_t* below, int32_t width, int32_t limit, uint8_t edgeValue) {
    for (int32_t x = 1; x < width - 1; ++x) {
        // Prewitt: the row below minus the row above, the right column minus the left.
        const int32_t gy = below[x - 1] + below[x] + below[x + 1] - above[x - 1] - above[x] - above[x + 1];
        const int32_t gx = above[x + 1] + row[x + 1] + below[x + 1] - above[x - 1] - row[x - 1] - below[x - 1];
        destination[x] = gx * gx + gy * gy > limit ? edgeValue : 0;
    }
}

}  // namespace VelImageUtility
