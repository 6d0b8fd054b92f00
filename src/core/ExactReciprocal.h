// Integer division of window sums by a fixed count as a multiply and shift.
#pragma once

#include <cstdint>

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

}  // namespace VelImageUtility
