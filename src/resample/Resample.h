// The resampling engine: scales a rectangle of 32-bit pixels into a rectangle
// of another size. It sees pointers, sizes and strides only and treats every
// pixel as four independent byte lanes, so ARGB and AYUV scale alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {

// Per-axis lookup: entry i turns destination index i into a source position
// held as increments over entry i - 1, so the inner loops only add.
//   bits 0..6    fraction f: the source position is left index + f / 128
//   bits 8..15   nearest source index minus the previous entry's
//   bits 16..23  left source index minus the previous entry's
// Entry `destinationSize` closes the table at source index size - 1.
struct StepTable {
    uint32_t* entries;    // 32-byte aligned inside `allocation`
    void* allocation;     // pages holding 4 * capacity + 32 bytes
    int32_t capacity;     // entries the allocation holds; only grows
    int32_t sourceSize;   // sizes the entries were built for
    int32_t destinationSize;
};

inline int32_t StepFraction(uint32_t entry) { return static_cast<int32_t>(entry & 127u); }
inline int32_t NearestDelta(uint32_t entry) { return static_cast<int32_t>((entry >> 8) & 255u); }
inline int32_t LeftDelta(uint32_t entry) { return static_cast<int32_t>((entry >> 16) & 255u); }

constexpr int32_t kRowCacheRows = 4;

// Scratch of one resize; the caller owns it (usually on the stack) and the
// context owns every pointer in it.
struct ResampleContext {
    StepTable horizontal;
    StepTable vertical;
    // Box averaging: four destination-width rows of horizontally averaged
    // source rows, each tagged with the source row it holds (-1 = none).
    void* rowCacheAllocation;  // pages of 16 * rowCacheWidth + 128 bytes
    uint8_t* rowBuffers[kRowCacheRows];
    int32_t rowKeys[kRowCacheRows];
    int32_t rowInUse[kRowCacheRows];
    int32_t rowCacheWidth;
};

void InitResampler(ResampleContext* context);
// Frees every allocation and returns the context to its initial state, so
// it may be used again.
void ReleaseResampler(ResampleContext* context);

// Builds `table` for sourceSize -> destinationSize unless it already holds
// those sizes. False when the pages cannot be obtained; the table is then
// left without entries.
bool BuildStepTable(StepTable* table, int32_t sourceSize, int32_t destinationSize);

// True when one axis fits the step table: at least 2 source pixels, at least
// 1 destination pixel, and at most 255 source pixels per destination pixel
// (the 8-bit deltas cannot step further).
bool ResampleAxisFits(int32_t sourceSize, int32_t destinationSize);

// The three modes scale the source rectangle at source + sourceY * stride +
// 4 * sourceX into the destination rectangle placed likewise, and return 0.
// They write nothing when an axis fails ResampleAxisFits, a pointer is null,
// a stride is negative or scratch memory cannot be obtained. Modes 1 and 2
// set the destinationStride - 4 * destinationWidth bytes after each
// destination row to 0 (the row padding when the rectangle starts at x 0);
// mode 0 leaves them as they are.

// Mode 0: bilinear interpolation with 7-bit weights, two pixels per step
// with SSE2. The engine has no plain form of it (it does not look at the
// instruction-set level); ResampleBilinearRow_Plain is the reference it
// matches byte for byte.
int32_t ResampleBilinear(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                         int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                         int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                         int32_t destinationY, int32_t destinationWidth,
                         int32_t destinationHeight, int32_t destinationStride);
// Mode 1: the nearest source row copied whole; writes nothing unless the
// widths are equal.
int32_t ResampleRowsNearest(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                            int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                            int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                            int32_t destinationY, int32_t destinationWidth,
                            int32_t destinationHeight, int32_t destinationStride);
// Mode 2: per lane, the truncated mean of four truncated means of four
// samples spread over each destination pixel's footprint.
int32_t ResampleBoxAverage(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                           int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                           int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                           int32_t destinationY, int32_t destinationWidth,
                           int32_t destinationHeight, int32_t destinationStride);

// One destination row of mode 0. `upper` and `lower` are consecutive source
// rows; when verticalFraction is 0 only `upper` is read. Entries are the
// horizontal step table.
using BilinearRowFunction = void (*)(const uint8_t* upper, const uint8_t* lower,
                                     int32_t verticalFraction, const uint32_t* entries,
                                     int32_t width, uint8_t* destination);
void ResampleBilinearRow_Plain(const uint8_t* upper, const uint8_t* lower,
                               int32_t verticalFraction, const uint32_t* entries,
                               int32_t width, uint8_t* destination);
void ResampleBilinearRow_Sse2(const uint8_t* upper, const uint8_t* lower,
                              int32_t verticalFraction, const uint32_t* entries, int32_t width,
                              uint8_t* destination);
// Mode 0 over a chosen row function: ResampleBilinear runs it with the SSE2
// row; tests run it with the plain row as the reference.
int32_t ResampleBilinearWithRow(BilinearRowFunction row, ResampleContext* context,
                                const uint8_t* source, int32_t sourceX, int32_t sourceY,
                                int32_t sourceWidth, int32_t sourceHeight, int32_t sourceStride,
                                uint8_t* destination, int32_t destinationX,
                                int32_t destinationY, int32_t destinationWidth,
                                int32_t destinationHeight, int32_t destinationStride);

// The shared resize of the ARGB and AYUV images: the whole source buffer
// into the whole destination buffer with mode 0, 1 or 2 (any other mode
// does nothing). Does nothing unless all four sizes are at least 2, both
// buffers exist, each stride holds its row of 4-byte pixels and each axis
// passes ResampleAxisFits.
void ResizeBuffer(const uint8_t* source, int32_t sourceWidth, int32_t sourceHeight,
                  int32_t sourceStride, uint8_t* destination, int32_t destinationWidth,
                  int32_t destinationHeight, int32_t destinationStride, uint32_t mode);

}  // namespace VelImageUtility
