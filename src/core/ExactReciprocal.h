// Integer division of window sums by a fixed count as a multiply and shift.
#pragma once

#include <cstdint>
#include <cstring>

namespace VelImageUtility {

// Counts up to kMaxReciprocalCount divide any sum <= 255 * count exactly:
// with m = ceil(2^56 / count) the error term sum * (m * count - 2^56) stays
// below 2^56 because 255 * count^2 <= 2^56, and sum * m stays below 2^64.
constexpr uint32_t kMaxReciprocalCount = 1u << 24;
constexpr int32_t kReciprocalShift = 56;

constexpr uint64_t ReciprocalOf(uint32_t count) {
    return ((uint64_t{1} << kReciprocalShift) + count - 1) / count;
}

// floor(sum / count) for sum <= 255 * count, given ReciprocalOf(count).
inline uint32_t DivideByReciprocal(uint32_t sum, uint64_t reciprocal) {
    return static_cast<uint32_t>((sum * reciprocal) >> kReciprocalShift);
}

// Vector rows divide in single precision: for counts up to
// kMaxFloatReciprocalCount and sums <= 255 * count, truncating
// float(sum) * FloatReciprocalOf(count) gives floor(sum / count). The product
// is rounded once and never falls below a whole quotient because the
// reciprocal is rounded up; the gap of 1 / count below the next quotient
// outweighs the rounding for these counts. Every count up to 28993 was
// checked at each quotient's first and last sum (the map is monotonic).
constexpr uint32_t kMaxFloatReciprocalCount = 1u << 14;

// The float `by` steps above a positive float (below for negative `by`).
inline float StepFloat(float value, int32_t by) {
    int32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    bits += by;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The smallest float f with f * count >= 1; the product is exact in double.
inline float FloatReciprocalOf(uint32_t count) {
    float reciprocal = static_cast<float>(1.0 / count);
    while (static_cast<double>(reciprocal) * count < 1.0) reciprocal = StepFloat(reciprocal, +1);
    while (static_cast<double>(StepFloat(reciprocal, -1)) * count >= 1.0) reciprocal = StepFloat(reciprocal, -1);
    return reciprocal;
}

}  // namespace VelImageUtility
