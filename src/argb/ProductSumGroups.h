// The AVX2 groups of the unsharp mask's product sums, apart from
// UnsharpMask.h so that the AVX2 file includes no standard container.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {

// Sums of 32 samples at a time, as ProductSums_Sse2 forms them, over `taps`
// taps of `scaledTaps` (each a kernel weight times 65536); returns how many
// of the `count` sums it made (a multiple of 32).
int32_t ProductSumGroups_Avx2(const uint8_t* in, ptrdiff_t tapStep, const float* scaledTaps, int32_t taps,
                              uint8_t* out, int32_t count);

}  // namespace VelImageUtility
