// What the three resampling modes share once their arguments are accepted.
// Internal to the engine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resample/Resample.h"

namespace VelImageUtility {

// The rectangles' first pixels and the strides, with both step tables of the
// context built for these sizes.
struct ResampleFrame {
    const uint8_t* source;
    ptrdiff_t sourceStride;
    int32_t sourceWidth;
    int32_t sourceHeight;
    uint8_t* destination;
    ptrdiff_t destinationStride;
    int32_t destinationWidth;
    int32_t destinationHeight;
};

// Checks the arguments of a mode and builds both step tables (unless
// `stepTables` is false: a path that never reads them skips their pages).
// False (and nothing to write) when a pointer is null, an origin or stride is
// negative, a stride is shorter than its row, an axis fails ResampleAxisFits
// or a table cannot be allocated.
bool PrepareResample(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                     int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                     int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                     int32_t destinationY, int32_t destinationWidth, int32_t destinationHeight,
                     int32_t destinationStride, ResampleFrame* frame, bool stepTables = true);

// Bytes of the page blocks: a step table of `capacity` entries and the row
// cache of four rows of `width` pixels, each with room to align to 32.
inline size_t StepTableBytes(int32_t capacity) { return 4 * static_cast<size_t>(capacity) + 32; }
inline size_t RowCacheBytes(int32_t width) { return 16 * static_cast<size_t>(width) + 128; }

inline uint8_t* AlignTo32(void* pointer) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
    return reinterpret_cast<uint8_t*>((address + 31) & ~static_cast<uintptr_t>(31));
}

// Gives the context four row buffers of `width` pixels, keeping them while
// the width stays, and forgets what they held (all keys -1). False when the
// pages cannot be obtained.
bool PrepareRowCache(ResampleContext* context, int32_t width);

// Whole-row steps over `count` 4-byte pixels, per byte lane:
// floor((a + b) / 2);
void MeanOfTwoRows_Sse2(const uint8_t* a, const uint8_t* b, int32_t count, uint8_t* out);
// upper + ((lower - upper) * fraction >> 7), the shift arithmetic;
void InterpolateRows_Sse2(const uint8_t* upper, const uint8_t* lower, int32_t fraction,
                          int32_t count, uint8_t* out);
// floor((a + b + c + d) / 4);
void MeanOfFourRows_Sse2(const uint8_t* a, const uint8_t* b, const uint8_t* c, const uint8_t* d,
                         int32_t count, uint8_t* out);
// out[x] = row[2x], reading 2 * count pixels;
void EveryOtherPixel_Sse2(const uint8_t* row, int32_t count, uint8_t* out);
// out[x] = floor((row[2x] + row[2x + 1]) / 2), reading 2 * count pixels;
void MeanOfPixelPairs_Sse2(const uint8_t* row, int32_t count, uint8_t* out);
// floor((floor((upper[2x] + upper[2x + 1]) / 2) + floor((lower[2x] +
// lower[2x + 1]) / 2)) / 2), reading 2 * count pixels of each row;
void MeanOfPixelQuads_Sse2(const uint8_t* upper, const uint8_t* lower, int32_t count,
                           uint8_t* out);
void MeanOfPixelQuads_Avx2(const uint8_t* upper, const uint8_t* lower, int32_t count,
                           uint8_t* out);
// out[2i] = out[2i + 1] = row[i], reading count pixels;
void RepeatEachPixel_Sse2(const uint8_t* row, int32_t count, uint8_t* out);
// out[2i] = row[i], out[2i + 1] = floor((row[i] + row[i + 1]) / 2), reading
// count + 1 pixels.
void PixelsAndMeans_Sse2(const uint8_t* row, int32_t count, uint8_t* out);

// Sets the stride - rowBytes bytes after a row to 0 (modes 1 and 2).
void ClearRowPadding(uint8_t* row, size_t rowBytes, ptrdiff_t stride);

}  // namespace VelImageUtility
