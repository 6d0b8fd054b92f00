// The per-channel median filter of ARGB images, over a square window whose
// samples beyond the image repeat its edge pixels.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// The largest radius: a window side of 2r + 1 <= 65535 keeps one column's
// counts within 16 bits and the window's within 32.
constexpr int32_t kMaxChannelMedianRadius = 32767;

// For each of width x height samples (`sampleStep` bytes apart in rows of
// `sourceStride` bytes), the median of the (2 radius + 1)^2 window around
// it, coordinates outside the image clamped to its edge, written to the
// same place in `destination` (a distinct buffer). 1 <= radius <=
// kMaxChannelMedianRadius; width and height at least 1.
void MedianFilterSamples(const uint8_t* source, int32_t sourceStride, uint8_t* destination,
                         int32_t destinationStride, int32_t sampleStep, int32_t width,
                         int32_t height, int32_t radius);

// The vector variant's small windows: radius 1 and 2.
constexpr int32_t kSmallMedianRadius = 2;

// The median of blue, green and red of pixel x over the window of `rows`
// (the 2 radius + 1 source rows around the output row, edge rows
// repeated), columns clamped to 0..width-1, written to pixel x of `out`
// (alpha kept). radius <= kSmallMedianRadius.
void SmallMedianPixel_Plain(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t x, int32_t width);
// The same for a whole row of 4-byte pixels, four or eight pixels a step,
// in place: `out` may be one of `rows`, and its pixels as they were are
// copied to `keep` (a row of `width` pixels) before any is written.
// `columns` is scratch of (2 radius + 1) (width + 2 radius) pixels.
void SmallMedianRow_Sse2(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t width, uint8_t* columns,
                         uint8_t* keep);
void SmallMedianRow_Avx2(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t width, uint8_t* columns,
                         uint8_t* keep);

// The vector variant of larger windows filters blue, green and red at once,
// radius <= kVectorMedianRadius (so that a window's counts fit 16 bits),
// in strips of kMedianStripWidth output columns whose column histograms
// stay in the cache: per column and channel kMedianColumnCounts counts.
constexpr int32_t kVectorMedianRadius = 127;
constexpr int32_t kMedianStripWidth = 256;
constexpr int32_t kMedianColumnCounts = 256 + 16;

// MedianFilterSamples for the colour channels of 4-byte pixels; alpha is
// not written. `columns` is scratch of 3 kMedianColumnCounts counts for each
// of min(width, kMedianStripWidth + 2 radius) columns.
void MedianFilterColours_Sse2(const uint8_t* source, int32_t sourceStride, uint8_t* destination,
                              int32_t destinationStride, int32_t width, int32_t height, int32_t radius,
                              uint16_t* columns);
void MedianFilterColours_Avx2(const uint8_t* source, int32_t sourceStride, uint8_t* destination,
                              int32_t destinationStride, int32_t width, int32_t height, int32_t radius,
                              uint16_t* columns);

}  // namespace VelImageUtility
