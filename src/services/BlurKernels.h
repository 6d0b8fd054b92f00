// Row kernels of the 32-bit blurs (pixels are bytes blue, green, red,
// alpha). Plain and SSE2 kernels of one step stand side by side; an SSE2
// kernel works on groups of pixels, finishes its row pixel by pixel and
// never touches a byte past the last pixel of a row.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// ---- Box blur ----
// Column sums: four 32-bit sums per column, one per byte lane, over the rows
// of the current window. The plain kernels keep lanes 0..2, the vector ones
// all four; each variant reads only what it wrote.
void AddRowToBoxColumns_Plain(uint32_t* columns, const uint8_t* row, int32_t width);
void SubtractRowFromBoxColumns_Plain(uint32_t* columns, const uint8_t* row, int32_t width);
// The vector kernels add the entering row and take away the leaving one in
// one pass; either may be null. The entering row usually comes from memory
// for the first time, and the processor's own prefetch stops at page ends:
// they ask for it this many bytes ahead (a hint, never a fault past the row).
constexpr int32_t kEnteringPrefetchBytes = 1024;
void UpdateBoxColumns_Sse2(uint32_t* columns, const uint8_t* entering, const uint8_t* leaving,
                           int32_t width);
void UpdateBoxColumns_Avx2(uint32_t* columns, const uint8_t* entering, const uint8_t* leaving,
                           int32_t width);

// One output row from the column sums of `windowRows` rows: each channel is
// the sum over the clipped window divided by its area, alpha 0. `radius` is
// already reduced to fit (2 * radius < width).
void BoxBlurRow_Plain(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                      int32_t windowRows);
// The pixels [first, end) of a row whose windows are complete: `window`
// holds the four lane sums of pixel first - 1's window on entry and of
// pixel end - 1's on return; each channel is the sum times `factor`, or
// divided by it where `divide`, truncated, alpha 0.
using BoxBlurMiddle = void (*)(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end,
                               int32_t radius, uint32_t* window, float factor, bool divide);
void BoxBlurMiddle_Sse2(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end,
                        int32_t radius, uint32_t* window, float factor, bool divide);
void BoxBlurMiddle_Avx2(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end,
                        int32_t radius, uint32_t* window, float factor, bool divide);
// Single precision: where `reciprocalRow` holds, the columns whose window is
// complete (radius + 1 .. width - radius - 1) multiply by the reciprocal
// estimate of the area, and so does pixel 0 when `reciprocalFirst`; every
// other pixel divides by the area. The estimate can leave a channel one
// below the exact quotient. Needs 255 * area below 2^31. `middle` does the
// complete windows.
void BoxBlurRow_Sse2(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                     int32_t windowRows, bool reciprocalRow, bool reciprocalFirst,
                     BoxBlurMiddle middle);

// ---- Alpha-weighted box blur ----
// Plain column sums: five 32-bit values per column (lanes 0..3 summed over
// the pixels whose alpha is not 0, then the number of those pixels).
void AddRowToOpaqueColumns_Plain(uint32_t* columns, const uint8_t* row, int32_t width);
void SubtractRowFromOpaqueColumns_Plain(uint32_t* columns, const uint8_t* row, int32_t width);
// Colour = sum / opaque count, alpha = alpha sum / area; 0 where the window
// holds no opaque pixel.
void OpaqueBoxBlurRow_Plain(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                            int32_t windowRows);
// SSE2: four 16-bit lane sums per column in `sums` (exact while the window
// is at most 127 rows tall) and the opaque counts in `counts`; the entering
// row added and the leaving one taken away in one pass, either may be null.
void UpdateOpaqueColumns_Sse2(uint16_t* sums, uint32_t* counts, const uint8_t* entering,
                              const uint8_t* leaving, int32_t width);
void UpdateOpaqueColumns_Avx2(uint16_t* sums, uint32_t* counts, const uint8_t* entering,
                              const uint8_t* leaving, int32_t width);
// Groups of the pixels [first, end) of a row whose windows are complete:
// `window` holds the four lane sums and the opaque count of the window
// before the first pixel on entry and of the last one done on return;
// returns the pixel after it. Colours multiply by reciprocals[count], alpha
// by `alphaReciprocal`, truncated.
using OpaqueBoxBlurMiddle = int32_t (*)(uint8_t* out, const uint16_t* sums, const uint32_t* counts,
                                        int32_t first, int32_t end, int32_t radius, uint32_t* window,
                                        const float* reciprocals, float alphaReciprocal);
int32_t OpaqueBoxBlurMiddle_Sse2(uint8_t* out, const uint16_t* sums, const uint32_t* counts,
                                 int32_t first, int32_t end, int32_t radius, uint32_t* window,
                                 const float* reciprocals, float alphaReciprocal);
int32_t OpaqueBoxBlurMiddle_Avx2(uint8_t* out, const uint16_t* sums, const uint32_t* counts,
                                 int32_t first, int32_t end, int32_t radius, uint32_t* window,
                                 const float* reciprocals, float alphaReciprocal);
// The vector alpha-weighted blur keeps 16-bit column sums up to this radius,
// and its reciprocal table covers every count and area up to its window.
constexpr int32_t kSse2OpaqueBoxBlurMaxRadius = 63;
constexpr uint32_t kLargestOpaqueArea = (2 * kSse2OpaqueBoxBlurMaxRadius + 1) * (2 * kSse2OpaqueBoxBlurMaxRadius + 1);
// reciprocals[count]. A count beyond the table comes only from a source that
// changes while the blur reads it (a destination overlapping the source);
// it reads as 0, so the table is never left. Local to each file, so that an
// AVX2 file's copy never serves an SSE2 caller.
static inline float OpaqueReciprocal(const float* reciprocals, int32_t count) {
    return reciprocals[static_cast<uint32_t>(count) <= kLargestOpaqueArea ? count : 0];
}
// Same bytes as the plain row for windows of at most 127 x 127 pixels, given
// `reciprocals[n]` = FloatReciprocalOf(n) for 1 <= n <= the largest area and
// reciprocals[0] = 0. `middle` takes complete windows.
void OpaqueBoxBlurRow_Sse2(uint8_t* out, const uint16_t* sums, const uint32_t* counts,
                           int32_t width, int32_t radius, int32_t windowRows,
                           const float* reciprocals, OpaqueBoxBlurMiddle middle);

// ---- Gaussian blur ----
// Weights are `2 * radius + 1` 15-bit integers, at most 32767 each.
// Plain: channel = weighted sum >> 15 where the window is complete (at most
// 255), weighted sum / weights used where it is clipped; alpha 0.
void GaussianRowHorizontal_Plain(uint8_t* out, const uint8_t* row, int32_t width,
                                 const int32_t* weights, int32_t radius);
// `rows[i]` is weighted by weights[i]; `complete` says whether all taps are there.
void GaussianRowsVertical_Plain(uint8_t* out, const uint8_t* const* rows, const int32_t* weights,
                                int32_t count, bool complete, int32_t width);

// SSE2: every channel is the weighted sum divided by the weights used, in
// single precision, rounded to nearest; the alpha lane carries the weights
// used and so comes out 1. Each pass can end one above or below the plain
// pass, so a channel of the two-pass result can differ by two. Scratch, 16
// bytes an entry, 16-byte aligned: `pairs` width + 2 * radius + 1 entries (the
// row widened and interleaved with its right neighbour), `weightPairs`
// radius + 1 entries. `productUsed` is for the AVX2 rows (see there).
void GaussianRowHorizontal_Sse2(uint8_t* out, const uint8_t* row, int32_t width,
                                const int32_t* weights, int32_t radius, void* pairs,
                                void* weightPairs, int32_t productUsed);
// The rows' alpha bytes must be 1 (as the horizontal kernel writes them).
void GaussianRowsVertical_Sse2(uint8_t* out, const uint8_t* const* rows, const int32_t* weights,
                               int32_t count, int32_t width, void* weightPairs, int32_t productUsed);
// AVX2: the SSE2 bytes, with the same scratch. Where the weights used add
// up to `productUsed` (not 0), a sum is multiplied by the reciprocal of the
// weights used instead of divided by them: the caller has checked with
// ProductRoundsLikeQuotient that this gives the same bytes.
void GaussianRowHorizontal_Avx2(uint8_t* out, const uint8_t* row, int32_t width,
                                const int32_t* weights, int32_t radius, void* pairs,
                                void* weightPairs, int32_t productUsed);
void GaussianRowsVertical_Avx2(uint8_t* out, const uint8_t* const* rows, const int32_t* weights,
                               int32_t count, int32_t width, void* weightPairs, int32_t productUsed);
// `outputs` rows at once, all with the full `count` weights: out[j] from
// rows[j .. j + count - 1].
void GaussianRowsVerticalBatch_Sse2(uint8_t* const* out, int32_t outputs, const uint8_t* const* rows,
                                    const int32_t* weights, int32_t count, int32_t width, void* weightPairs,
                                    int32_t productUsed);
void GaussianRowsVerticalBatch_Avx2(uint8_t* const* out, int32_t outputs, const uint8_t* const* rows,
                                    const int32_t* weights, int32_t count, int32_t width, void* weightPairs,
                                    int32_t productUsed);

// ---- Alpha-weighted Gaussian blur (plain only) ----
// Only taps whose alpha is not 0 count: colour = weighted sum / weights used,
// alpha = weighted alpha sum / `total`; 0 where no tap counts.
void OpaqueGaussianRowHorizontal(uint8_t* out, const uint8_t* row, int32_t width,
                                 const int32_t* weights, int32_t radius, int32_t total);
void OpaqueGaussianRowsVertical(uint8_t* out, const uint8_t* const* rows, const int32_t* weights,
                                int32_t count, int32_t total, int32_t width);

}  // namespace VelImageUtility
