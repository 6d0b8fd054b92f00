// The AVX2 groups of the unsharp mask, apart from UnsharpMask.h so that
// the AVX2 file includes no standard container.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {

// Sums of 32 samples at a time, as ProductSums_Sse2 forms them, over `taps`
// taps of `scaledTaps` (each a kernel weight times 65536); returns how many
// of the `count` sums it made (a multiple of 32).
int32_t ProductSumGroups_Avx2(const uint8_t* in, ptrdiff_t tapStep, const float* scaledTaps, int32_t taps,
                              uint8_t* out, int32_t count);

// The lines blurred down a column at once by RowSums.
constexpr int32_t kRowsAtOnce = 4;

// The sums of kRowsAtOnce lines as ProductSums_Sse2 forms them, line r's
// tap k reading in + (r + k) x rowStep, its sums at out + r x outStep; 16
// samples at a time, each widened once; returns how many of each line's
// `count` sums it made (a multiple of 16).
int32_t RowSumGroups_Avx2(const uint8_t* in, ptrdiff_t rowStep, const float* scaledTaps, int32_t taps, uint8_t* out,
                          ptrdiff_t outStep, int32_t count);

// SharpenRow_Sse2's steps on 32 bytes at a time, with the amount split and
// the threshold limited (at most 511) as there; returns the bytes done.
size_t SharpenGroups_Avx2(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, int32_t limit);

}  // namespace VelImageUtility
