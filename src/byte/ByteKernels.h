// Pixel kernels of the Byte image operations: pure functions over runs and
// rows of one-byte pixels. Where an operation has a vector form, the plain
// and SSE2 kernels stand side by side and give identical bytes; an SSE2
// kernel works in groups of 8 pixels and finishes the last count % 8 with
// the plain rule, never touching a byte past the end of its run or row.
// An AVX2 kernel gives the SSE2 bytes in groups of 32 and finishes with the
// SSE2 kernel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {

struct LevelsLine;

// ---- Tone operations ----

// p * gain, saturated to 255; gain must not be negative.
void MultiplyByGainRun_Plain(uint8_t* run, size_t count, int32_t gain);
void MultiplyByGainRun_Sse2(uint8_t* run, size_t count, int32_t gain);

// 255 - p.
void InvertRun_Plain(uint8_t* run, size_t count);
void InvertRun_Sse2(uint8_t* run, size_t count);
void InvertRun_Avx2(uint8_t* run, size_t count);

// The sum of `count` bytes.
uint64_t SumRow_Plain(const uint8_t* row, int32_t count);
uint64_t SumRow_Sse2(const uint8_t* row, int32_t count);

// Contrast about 128 with `factor` = gain in units of 1/4096 (0..8192).
void AdjustContrastRun_Plain(uint8_t* run, size_t count, int32_t factor);
void AdjustContrastRun_Sse2(uint8_t* run, size_t count, int32_t factor);

// p + delta saturated to 0..255.
void AdjustBrightnessRun_Plain(uint8_t* run, size_t count, int32_t delta);
void AdjustBrightnessRun_Sse2(uint8_t* run, size_t count, int32_t delta);
void AdjustBrightnessRun_Avx2(uint8_t* run, size_t count, int32_t delta);

// p becomes table[p].
void MapRowThroughTable(uint8_t* row, int32_t count, const uint8_t table[256]);

// p becomes its levels table entry, computed from the line.
void MapLevelsRun_Sse2(uint8_t* run, size_t count, const LevelsLine& line);
void MapLevelsRun_Avx2(uint8_t* run, size_t count, const LevelsLine& line);

// ---- Blends and patterns ----

// Where mask <= threshold (threshold >= 1): ((threshold - m + p) * m) / threshold.
void MaskByThresholdRun(uint8_t* run, const uint8_t* mask, size_t count, int32_t threshold);

// 255 where the blend is 255, else min(p * 256 / (255 - b), 255).
void ColorDodgeBlendRun(uint8_t* run, const uint8_t* blend, size_t count);

// max(p - o, 0).
void SubtractPlaneRun_Plain(uint8_t* run, const uint8_t* other, size_t count);
void SubtractPlaneRun_Sse2(uint8_t* run, const uint8_t* other, size_t count);

// The mask M of a tile: M + 1 is the largest power of two not above the
// smaller pattern dimension, and at least 2.
uint32_t TiledPatternMask(int32_t patternWidth, int32_t patternHeight);

// Adds patternRow[(originX + x) & tileMask] to pixel x of the row, saturated.
void AddTiledPatternRow(uint8_t* row, int32_t width, const uint8_t* patternRow,
                        uint32_t originX, uint32_t tileMask);

// Adds `amount` (saturated) to the pixels (x, y), (x + stepX, y + 1), ...
// of a width x height plane while they lie inside it; stepX is -1 or +1.
void AddDiagonalLine(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride, int32_t x,
                     int32_t y, int32_t stepX, uint8_t amount);

// ---- Neighbourhood filters ----

// The radius that keeps a (2r + 1)-wide window inside a width x height plane.
int32_t LimitBoxBlurRadius(int32_t radius, int32_t width, int32_t height);

// Whether BoxBlurPlane divides by reciprocals and so needs `reciprocals`.
bool BoxBlurUsesReciprocals(int32_t radius);

// Whether the vector variant divides in single precision and so needs
// `floatReciprocals` instead.
bool BoxBlurUsesFloatReciprocals(int32_t radius);

// Mean over the window of radius `radius` (already limited), shrinking at
// the borders, of the packed `plane` in place, by the vector rows when
// `vector`. Scratch: `columnSums` holds `width` zeroed entries, `savedRows`
// radius + 1 rows of `width` bytes, and radius + 1 entries of
// `floatReciprocals` when `vector` and BoxBlurUsesFloatReciprocals(radius),
// else of `reciprocals` when BoxBlurUsesReciprocals(radius).
void BoxBlurPlane(uint8_t* plane, int32_t width, int32_t height, int32_t radius, uint32_t* columnSums,
                  uint8_t* savedRows, uint64_t* reciprocals, float* floatReciprocals, bool vector);

// Adds the `entering` row to the column sums and subtracts the `leaving`
// one; either may be null.
void UpdateColumnSums_Plain(uint32_t* columnSums, const uint8_t* entering, const uint8_t* leaving,
                            int32_t width);
void UpdateColumnSums_Sse2(uint32_t* columnSums, const uint8_t* entering, const uint8_t* leaving,
                           int32_t width);

// One output row from the column sums of its window rows; reciprocals[j]
// (FloatReciprocalOf) divides by the count of a window clipped j columns
// short at the far side, counts at most kMaxFloatReciprocalCount.
void BoxBlurRow_Sse2(uint8_t* destination, const uint32_t* columnSums, int32_t width, int32_t radius,
                     const float* reciprocals);

// Interior pixels 1..width-2 of one row: edgeValue where the Prewitt
// gx^2 + gy^2 exceeds `limit`, else 0.
void DetectEdgesRow_Plain(uint8_t* destination, const uint8_t* above, const uint8_t* row,
                          const uint8_t* below, int32_t width, int32_t limit, uint8_t edgeValue);
void DetectEdgesRow_Sse2(uint8_t* destination, const uint8_t* above, const uint8_t* row,
                         const uint8_t* below, int32_t width, int32_t limit, uint8_t edgeValue);
void DetectEdgesRow_Avx2(uint8_t* destination, const uint8_t* above, const uint8_t* row,
                         const uint8_t* below, int32_t width, int32_t limit, uint8_t edgeValue);

// destination[i] = clamp(toward[i] - away[i] + 128, 0, 255).
void EmbossRow_Plain(uint8_t* destination, const uint8_t* toward, const uint8_t* away,
                     int32_t count);
void EmbossRow_Sse2(uint8_t* destination, const uint8_t* toward, const uint8_t* away,
                    int32_t count);

}  // namespace VelImageUtility
