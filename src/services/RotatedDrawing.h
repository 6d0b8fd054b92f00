// Drawing a source picture turned about a centre point: the footprint (a
// box of destination pixels) and the 16.16 fixed-point walk that maps each
// box pixel back into the source, shared by the ARGB and AYUV images. Bytes
// 0 to 2 are three independent colour values, byte 3 is alpha.
#pragma once

#include <cstdint>

#include "core/CImageBase.h"

namespace VelImageUtility {

// Box of destination pixels and the source position of each: box pixel
// (i, j) samples at u = uStart + i * dudx + j * dudy, v likewise, in 16.16
// source pixels. The positions wrap as 32-bit numbers, as the walk adds.
struct RotatedFootprint {
    int32_t boxX, boxY, boxWidth, boxHeight;
    int32_t uStart, vStart;
    int32_t dudx, dvdx, dudy, dvdy;
};

// The footprint of a source turned by `angle` into the integer rectangle
// around (cx, cy), with a one-pixel margin on every side. False when there
// is nothing to draw: an empty source or rectangle, or geometry whose box or
// steps do not fit 32-bit numbers.
bool PlanRotatedDraw(int32_t sourceWidth, int32_t sourceHeight, float cx, float cy, float width,
                     float height, float angle, RotatedFootprint* plan);
// The same for a float width x height rectangle squashed vertically by
// `verticalScale`, without the margin. False also when width, height or
// verticalScale is not above 0.
bool PlanRotatedDrawScaled(int32_t sourceWidth, int32_t sourceHeight, float cx, float cy,
                           float width, float height, float verticalScale, float angle,
                           RotatedFootprint* plan);

// How a sample (colour k, weight a) merges into a destination pixel d with
// alpha A.
enum class RotatedMerge : int32_t {
    kMixEach,    // min(255, ((d * (255 - a)) >> 8) + ((a * k) >> 8)), alpha kept
    kMix,        // min(255, (d * (256 - a) + a * k) >> 8), alpha kept
    kAdd,        // min(255, d + ((a * k) >> 8)), alpha kept
    kAddOpaque,  // kAdd, then alpha 255
    kComposite,  // A' = A + a - A * a / 255 stored; colour over A' when A' is not 0
    kBlack,      // colour 0, alpha 255
};

struct RotatedSource {
    const uint8_t* data;
    int32_t width, height, stride;
};

// One run of `count` destination pixels starting at `row`, the first at
// source position (u, v). Samples outside the source count as zero pixels;
// a pixel with no sample inside is left alone. The plain row averages rim
// samples and divides the composite by truncation; the vector row rounds
// both to nearest and otherwise gives the plain bytes.
using RotatedRowFunction = void (*)(const RotatedSource& source, uint32_t u, uint32_t v,
                                    int32_t dudx, int32_t dvdx, uint8_t* row, int32_t count,
                                    RotatedMerge merge, uint8_t opacity);
void DrawRotatedRow_Plain(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx,
                          int32_t dvdx, uint8_t* row, int32_t count, RotatedMerge merge,
                          uint8_t opacity);
void DrawRotatedRow_Sse2(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx,
                         int32_t dvdx, uint8_t* row, int32_t count, RotatedMerge merge,
                         uint8_t opacity);
// The plain row's bytes, with runs whose samples all lie inside the source
// in vector steps (four or eight pixels), for a run RotatedRunTakesPlainRow
// does not leave to the plain row (the caller checks it once per run).
void DrawRotatedRowExact_Sse2(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx,
                              int32_t dvdx, uint8_t* row, int32_t count, RotatedMerge merge,
                              uint8_t opacity);
void DrawRotatedRowExact_Avx2(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx,
                              int32_t dvdx, uint8_t* row, int32_t count, RotatedMerge merge,
                              uint8_t opacity);
// True when the exact vector rows leave the run of `count` destination
// pixels at `row` to the plain row: composite and black merges, and a run
// that shares a byte with the source (the plain row reads there what it
// wrote for earlier pixels).
bool RotatedRunTakesPlainRow(const RotatedSource& source, const uint8_t* row, int32_t count,
                             RotatedMerge merge);

// Walks the part of the footprint that lies inside the image, row by row.
void DrawRotatedFootprint(const RotatedFootprint& plan, const RotatedSource& source,
                          CImageBase& image, RotatedMerge merge, uint8_t opacity,
                          RotatedRowFunction row);

// The scaled rotated draw of both image kinds: checks the image, the source
// (usable 4-byte pixels) and the float arguments, maps mode 0, 1, 7 or 8 to
// its merge (any other mode draws nothing) and walks the footprint.
void DrawRotatedImageScaledInto(CImageBase& image, const ImageDesc* source, int32_t mode,
                                float cx, float cy, float width, float height,
                                float verticalScale, float angle, uint8_t opacity,
                                RotatedRowFunction row);

}  // namespace VelImageUtility
