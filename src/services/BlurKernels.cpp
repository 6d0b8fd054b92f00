// The plain twin of BlurKernels_sse2.cpp: kept apart so that this file alone
// is built without the compiler's own vector loops.
#include "services/BlurKernels.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kLanes = 4;
constexpr int32_t kOpaqueValues = 5;  // four lane sums and the opaque count

inline int32_t WindowStart(int32_t x, int32_t radius) { return x > radius ? x - radius : 0; }
inline int32_t WindowEnd(int32_t x, int32_t radius, int32_t width) {
    return x + radius < width ? x + radius : width - 1;
}

// Sums of 255 * area need 64 bits once the window passes 4104 x 4104
// pixels; below that 32-bit sums keep the cheaper division.
template <typename Sum>
void BoxBlurRowWith(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                    int32_t windowRows) {
    Sum sums[3] = {0, 0, 0};
    for (int32_t x = 0; x < radius; ++x) {
        for (int32_t c = 0; c < 3; ++c) sums[c] += columns[x * kLanes + c];
    }
    for (int32_t x = 0; x < width; ++x, out += kLanes) {
        if (x + radius < width) {
            for (int32_t c = 0; c < 3; ++c) sums[c] += columns[(x + radius) * kLanes + c];
        }
        if (x > radius) {
            for (int32_t c = 0; c < 3; ++c) sums[c] -= columns[(x - radius - 1) * kLanes + c];
        }
        const Sum area = static_cast<Sum>(WindowEnd(x, radius, width) - WindowStart(x, radius) + 1) *
                         static_cast<Sum>(windowRows);
        for (int32_t c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(sums[c] / area);
        out[3] = 0;
    }
}

template <typename Sum>
void OpaqueBoxBlurRowWith(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                          int32_t windowRows) {
    Sum sums[kLanes] = {0, 0, 0, 0};
    uint32_t opaque = 0;
    auto add = [&](int32_t column, int32_t sign) {
        const uint32_t* values = columns + column * kOpaqueValues;
        for (int32_t c = 0; c < kLanes; ++c) sums[c] += static_cast<Sum>(sign) * values[c];
        opaque += static_cast<uint32_t>(sign) * values[kLanes];
    };
    for (int32_t x = 0; x < radius; ++x) add(x, 1);
    for (int32_t x = 0; x < width; ++x, out += kLanes) {
        if (x + radius < width) add(x + radius, 1);
        if (x > radius) add(x - radius - 1, -1);
        if (opaque == 0) {
            out[0] = out[1] = out[2] = out[3] = 0;
            continue;
        }
        const Sum area = static_cast<Sum>(WindowEnd(x, radius, width) - WindowStart(x, radius) + 1) *
                         static_cast<Sum>(windowRows);
        for (int32_t c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(sums[c] / opaque);
        out[3] = static_cast<uint8_t>(sums[3] / area);
    }
}

// (2r + 1)^2 * 255 fits 32 bits up to this radius; `run` gets a zero of
// the sum type that the row needs.
constexpr int32_t kRadiusFor32BitSums = 2051;

template <typename Run>
void WithSumType(int32_t radius, Run run) {
    if (radius <= kRadiusFor32BitSums) {
        run(uint32_t{0});
    } else {
        run(uint64_t{0});
    }
}

// Channel = sum >> 15 for a complete window (saturated, as the rounded
// weights may add up to a little over 32768), sum / used otherwise.
inline uint8_t NormaliseGaussian(int32_t sum, int32_t used, bool complete) {
    const int32_t value = complete ? sum >> 15 : (used > 0 ? sum / used : 0);
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

}  // namespace

void AddRowToBoxColumns_Plain(uint32_t* columns, const uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x, columns += kLanes, row += kLanes) {
        for (int32_t c = 0; c < 3; ++c) columns[c] += row[c];
    }
}

void SubtractRowFromBoxColumns_Plain(uint32_t* columns, const uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x, columns += kLanes, row += kLanes) {
        for (int32_t c = 0; c < 3; ++c) columns[c] -= row[c];
    }
}

void BoxBlurRow_Plain(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                      int32_t windowRows) {
    WithSumType(radius, [&](auto zero) {
        BoxBlurRowWith<decltype(zero)>(out, columns, width, radius, windowRows);
    });
}

void AddRowToOpaqueColumns_Plain(uint32_t* columns, const uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x, columns += kOpaqueValues, row += kLanes) {
        if (row[3] == 0) continue;
        for (int32_t c = 0; c < kLanes; ++c) columns[c] += row[c];
        columns[kLanes] += 1;
    }
}

void SubtractRowFromOpaqueColumns_Plain(uint32_t* columns, const uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x, columns += kOpaqueValues, row += kLanes) {
        if (row[3] == 0) continue;
        for (int32_t c = 0; c < kLanes; ++c) columns[c] -= row[c];
        columns[kLanes] -= 1;
    }
}

void OpaqueBoxBlurRow_Plain(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                            int32_t windowRows) {
    WithSumType(radius, [&](auto zero) {
        OpaqueBoxBlurRowWith<decltype(zero)>(out, columns, width, radius, windowRows);
    });
}

void GaussianRowHorizontal_Plain(uint8_t* out, const uint8_t* row, int32_t width,
                                 const int32_t* weights, int32_t radius) {
    for (int32_t x = 0; x < width; ++x, out += kLanes) {
        const int32_t first = WindowStart(x, radius);
        const int32_t last = WindowEnd(x, radius, width);
        int32_t sums[3] = {0, 0, 0};
        int32_t used = 0;
        for (int32_t i = first; i <= last; ++i) {
            const int32_t weight = weights[i - x + radius];
            used += weight;
            for (int32_t c = 0; c < 3; ++c) sums[c] += weight * row[i * kLanes + c];
        }
        const bool complete = last - first == 2 * radius;
        for (int32_t c = 0; c < 3; ++c) out[c] = NormaliseGaussian(sums[c], used, complete);
        out[3] = 0;
    }
}

void GaussianRowsVertical_Plain(uint8_t* out, const uint8_t* const* rows, const int32_t* weights,
                                int32_t count, bool complete, int32_t width) {
    int32_t used = 0;
    for (int32_t i = 0; i < count; ++i) used += weights[i];
    for (int32_t x = 0; x < width; ++x, out += kLanes) {
        int32_t sums[3] = {0, 0, 0};
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t* pixel = rows[i] + x * kLanes;
            for (int32_t c = 0; c < 3; ++c) sums[c] += weights[i] * pixel[c];
        }
        for (int32_t c = 0; c < 3; ++c) out[c] = NormaliseGaussian(sums[c], used, complete);
        out[3] = 0;
    }
}

}  // namespace VelImageUtility
