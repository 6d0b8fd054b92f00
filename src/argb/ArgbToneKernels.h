// Row kernels of the ARGB tone operations on 4-byte pixels (blue, green,
// red, alpha): each changes or reads the three colour bytes and leaves
// alpha alone. The _Sse2 kernels do whole groups and finish with the plain
// rule, never touching a byte past the last pixel; the _Avx2 kernels give
// the SSE2 bytes in groups of 8 pixels and finish with the SSE2 kernel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {

struct LevelsLine;
struct PosterizeDivision;

// Blue = green = red = studio-range luma.
void ConvertToGrayRow_Plain(uint8_t* row, int32_t width);
void ConvertToGrayRow_Sse2(uint8_t* row, int32_t width);
void ConvertToGrayRow_Avx2(uint8_t* row, int32_t width);

// The sum of blue + green + red over the row.
uint64_t SumColoursRow(const uint8_t* row, int32_t width);

// Blue = green = red = (max + min) >> 1. The vector kernel takes groups of
// 8 pixels from the start of the run and rounds them half up,
// (max + min + 1) >> 1; the last count % 8 pixels take the plain rule.
void GrayLightnessRun_Plain(uint8_t* pixels, size_t count);
void GrayLightnessRun_Sse2(uint8_t* pixels, size_t count);

// 255 - c for blue, green and red; alpha kept.
void InvertRow_Plain(uint8_t* row, int32_t width);
void InvertRow_Sse2(uint8_t* row, int32_t width);
void InvertRow_Avx2(uint8_t* row, int32_t width);

// Quantise to multiples of `step` (>= 1): the plain kernel rounds down,
// the vector one to nearest (ties to even) in pairs of pixels, clamped to
// 255; an odd last pixel takes the plain rule.
void PosterizeRow_Plain(uint8_t* row, int32_t width, int32_t step);
void PosterizeRow_Sse2(uint8_t* row, int32_t width, const PosterizeDivision& division);
void PosterizeRow_Avx2(uint8_t* row, int32_t width, const PosterizeDivision& division);

// Contrast about 128, `factor` = gain in units of 1/4096 (0..8192).
void AdjustContrastRow_Plain(uint8_t* row, int32_t width, int32_t factor);
void AdjustContrastRow_Sse2(uint8_t* row, int32_t width, int32_t factor);
void AdjustContrastRow_Avx2(uint8_t* row, int32_t width, int32_t factor);

// c + delta saturated to 0..255.
void AdjustBrightnessRow_Plain(uint8_t* row, int32_t width, int32_t delta);
void AdjustBrightnessRow_Sse2(uint8_t* row, int32_t width, int32_t delta);
void AdjustBrightnessRow_Avx2(uint8_t* row, int32_t width, int32_t delta);

// max(c - m, 0), m the first byte of plane pixels `planeStep` bytes apart.
void SubtractPlaneRow_Plain(uint8_t* row, const uint8_t* plane, int32_t planeStep, int32_t width);
// The same for a 1-byte plane.
void SubtractPlaneRow_Sse2(uint8_t* row, const uint8_t* plane, int32_t width);

// c becomes table[c].
void MapColoursThroughTable(uint8_t* row, int32_t width, const uint8_t table[256]);

// c becomes its levels table entry, computed from the line.
void MapLevelsRow_Sse2(uint8_t* row, int32_t width, const LevelsLine& line);
void MapLevelsRow_Avx2(uint8_t* row, int32_t width, const LevelsLine& line);

}  // namespace VelImageUtility
