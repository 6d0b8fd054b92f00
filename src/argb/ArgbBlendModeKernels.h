// Row kernels of the ARGB layer blend modes: lanes 0 to 2 of each pixel of
// the row (the base) combined with the same lanes of the source row (the
// blend layer); the row's alpha bytes are kept. The SSE2 rows give the plain
// bytes, work four pixels per step and finish the row with the plain rule;
// the AVX2 rows give the SSE2 bytes eight pixels per step and finish with
// the SSE2 row.
#pragma once

#include <cstdint>

namespace VelImageUtility {

enum class BlendMode { Multiply, Screen, ColorDodge, LinearDodge, Overlay, HardLight, SoftLight };

void BlendModeRow_Plain(BlendMode mode, uint8_t* row, const uint8_t* source, int32_t width);
void BlendModeRow_Sse2(BlendMode mode, uint8_t* row, const uint8_t* source, int32_t width);
void BlendModeRow_Avx2(BlendMode mode, uint8_t* row, const uint8_t* source, int32_t width);

}  // namespace VelImageUtility
