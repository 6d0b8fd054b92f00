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

// Checks the arguments of a mode and builds both step tables. False (and
// nothing to write) when a pointer is null, an origin or stride is negative,
// a stride is shorter than its row, an axis fails ResampleAxisFits or a table
// cannot be allocated.
bool PrepareResample(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                     int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                     int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                     int32_t destinationY, int32_t destinationWidth, int32_t destinationHeight,
                     int32_t destinationStride, ResampleFrame* frame);

// Bytes of the page blocks: a step table of `capacity` entries and the row
// cache of four rows of `width` pixels, each with room to align to 32.
inline size_t StepTableBytes(int32_t capacity) { return 4 * static_cast<size_t>(capacity) + 32; }
inline size_t RowCacheBytes(int32_t width) { return 16 * static_cast<size_t>(width) + 128; }

inline uint8_t* AlignTo32(void* pointer) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
    return reinterpret_cast<uint8_t*>((address + 31) & ~static_cast<uintptr_t>(31));
}

// Sets the stride - rowBytes bytes after a row to 0 (modes 1 and 2).
void ClearRowPadding(uint8_t* row, size_t rowBytes, ptrdiff_t stride);

}  // namespace VelImageUtility
