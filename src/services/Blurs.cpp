// The blur services of ICImageUtility over raw 32-bit pixel buffers.
#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <cstring>

#include "byte/ByteKernels.h"
#include "core/CImageUtility.h"
#include "core/ExactReciprocal.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"
#include "services/BlurKernels.h"
#include "services/FilterServices.h"
#include "services/ScratchBlock.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kPixelBytes = 4;

bool AreUsableBuffers(const uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                      int32_t dstStride, int32_t srcStride) {
    return IsUsableBuffer(dst, width, height, dstStride, kPixelBytes) &&
           IsUsableBuffer(src, width, height, srcStride, kPixelBytes);
}

size_t RowBytes(int32_t width) { return static_cast<size_t>(width) * kPixelBytes; }

const uint8_t* RowAt(const uint8_t* base, int32_t y, ptrdiff_t stride) { return base + y * stride; }
uint8_t* RowAt(uint8_t* base, int32_t y, ptrdiff_t stride) { return base + y * stride; }

// Running column sums over the rows of each output row's window: row
// y + radius enters and row y - radius - 1 leaves before row y is written.
// With `saved` the blur writes over its source: row y is kept in slot
// y mod (radius + 1) of that ring just before it is overwritten, read back
// when it leaves at step y + radius + 1 and only then replaced by the row
// of that step. Rows enter before they are overwritten and are read in place.
template <typename Update, typename WriteRow>
void SlideBoxWindow(const uint8_t* src, ptrdiff_t srcStride, int32_t height, int32_t radius,
                    uint8_t* saved, size_t rowBytes, Update update, WriteRow writeRow) {
    auto slot = [&](int32_t y) { return saved + static_cast<size_t>(y % (radius + 1)) * rowBytes; };
    for (int32_t y = 0; y < radius; ++y) update(RowAt(src, y, srcStride), nullptr);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* entering = y + radius < height ? RowAt(src, y + radius, srcStride) : nullptr;
        const uint8_t* leaving = nullptr;
        if (y > radius) leaving = saved != nullptr ? slot(y - radius - 1) : RowAt(src, y - radius - 1, srcStride);
        update(entering, leaving);
        if (saved != nullptr && y + radius + 1 < height) std::memcpy(slot(y), RowAt(src, y, srcStride), rowBytes);
        const int32_t last = y + radius < height ? y + radius : height - 1;
        const int32_t first = y > radius ? y - radius : 0;
        writeRow(y, last - first + 1);
    }
}

// An update of the window's column sums from kernels that add a row and
// take one away.
template <typename Add, typename Subtract>
auto AddThenSubtract(Add add, Subtract subtract) {
    return [add, subtract](const uint8_t* entering, const uint8_t* leaving) {
        if (entering != nullptr) add(entering);
        if (leaving != nullptr) subtract(leaving);
    };
}

// Bytes of the ring of saved rows for a blur that writes over its source.
uint64_t SavedRowBytes(bool inPlace, int32_t width, int32_t radius) {
    return inPlace ? (uint64_t{static_cast<uint32_t>(radius)} + 1) * RowBytes(width) : 0;
}

// The single-precision sums of the SSE2 box blur need 255 * area below 2^31.
constexpr int32_t kSse2BoxBlurMaxRadius = 1450;
static_assert(kLargestOpaqueArea <= kMaxFloatReciprocalCount, "the opaque quotients must stay exact");

// FloatReciprocalOf(n) at n for every count and area of those windows, 0 at
// 0; made once.
const float* OpaqueReciprocals() {
    static const std::array<float, kLargestOpaqueArea + 1> table = [] {
        std::array<float, kLargestOpaqueArea + 1> reciprocals{};
        for (uint32_t n = 1; n <= kLargestOpaqueArea; ++n) reciprocals[n] = FloatReciprocalOf(n);
        return reciprocals;
    }();
    return table.data();
}

// sigma and half-width into 15-bit weights; returns their sum. A radius
// reduced to 0 (an image 1 or 2 pixels across) has sigma 0 and one tap: the
// unit weight, so that the pixel is kept (the SSE2 kernels read it as
// -32768 in both the sums and the weights used, which cancels).
int32_t GaussianWeights(double sigma, int32_t half, int32_t* weights) {
    if (half == 0) return weights[0] = 32768;
    const double pi = 3.14159265358979323846;
    auto density = [&](int32_t i) {
        return std::exp(-double(i) * i / (2.0 * sigma * sigma)) / (sigma * std::sqrt(2.0 * pi));
    };
    double sum = 0.0;
    for (int32_t i = -half; i <= half; ++i) sum += density(i);
    int32_t total = 0;
    for (int32_t i = -half; i <= half; ++i) {
        weights[i + half] = static_cast<int32_t>(density(i) * 32768.0 / sum + 0.5);
        total += weights[i + half];
    }
    return total;
}

// Whether multiplying every sum 0 .. 255 * used by the single-precision
// reciprocal of `used` rounds to the integer that dividing by `used` rounds
// to (both in single precision, to nearest). The sums are exact, below
// 2^24; the product lies within 255 * 2^-23 of the exact quotient and, for
// used below 2^16, the correctly rounded quotient rounds like the exact
// one. So the two can only part where 2 * sum is within 4 of an odd
// multiple of `used`; those sums are tried.
bool ProductRoundsLikeQuotient(int32_t used) {
    if (used <= 0 || used >= 65536 || std::fegetround() != FE_TONEAREST) return false;
    const float divisor = static_cast<float>(used);
    const float reciprocal = 1.0f / divisor;
    for (int64_t odd = used; odd < int64_t{510} * used; odd += int64_t{2} * used) {
        for (int64_t twice = odd - 4; twice <= odd + 4; ++twice) {
            if (twice < 0 || twice % 2 != 0) continue;
            const float sum = static_cast<float>(twice / 2);
            if (std::nearbyint(sum * reciprocal) != std::nearbyint(sum / divisor)) return false;
        }
    }
    return true;
}

// Horizontal pass of each source row into a ring of 2 * radius + `batch`
// rows, vertical pass over the ring rows of each output row's window. Up to
// `batch` output rows whose windows are complete go to `vertical` at once
// (the rows after `out` by dstStride, row j reading window + j), so that it
// can reuse the ring rows they share; `window` holds 2 * radius + batch
// entries. Each source row is read before any output row at or below it
// is written.
template <typename Horizontal, typename Vertical>
void BlurThroughRing(uint8_t* dst, const uint8_t* src, int32_t height, ptrdiff_t dstStride,
                     ptrdiff_t srcStride, int32_t radius, uint8_t* ring, size_t slotBytes,
                     const uint8_t** window, Horizontal horizontal, Vertical vertical, int32_t batch = 1) {
    const int32_t slots = 2 * radius + batch;
    auto slot = [&](int32_t row) { return ring + static_cast<size_t>(row % slots) * slotBytes; };
    int32_t next = 0;  // the next source row for the horizontal pass
    for (int32_t y = 0; y < height;) {
        const bool complete = y >= radius && y + radius < height;
        const int32_t rows = complete ? std::min(batch, height - radius - y) : 1;
        for (; next <= y + rows - 1 + radius && next < height; ++next) horizontal(slot(next), RowAt(src, next, srcStride));
        const int32_t first = y > radius ? y - radius : 0;
        const int32_t last = std::min(y + rows - 1 + radius, height - 1);
        for (int32_t k = first; k <= last; ++k) window[k - first] = slot(k);
        vertical(RowAt(dst, y, dstStride), window, first - y + radius, last - first + 2 - rows, rows);
        y += rows;
    }
}

// Ring rows a whole number of 64-byte lines apart, and an odd number of
// them, so that the rows of a window do not crowd into a few cache sets
// (rows 4096 bytes apart would all meet in the same ones).
size_t RingSlotBytes(int32_t width) { return (RowBytes(width) + 127) / 128 * 128 + 64; }

// BoxBlur for 1 <= radius; `inPlace` (dst is src) reads leaving rows from
// the ring of saved rows. Nothing is written when scratch is not there
// (false).
bool BoxBlurWindow(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                   ptrdiff_t dstStride, ptrdiff_t srcStride, int32_t radius, bool sse2, bool inPlace) {
    radius = LimitBoxBlurRadius(radius, width, height);
    ScratchBlock scratch({uint64_t{RowBytes(width)} * sizeof(uint32_t), SavedRowBytes(inPlace, width, radius)});
    uint32_t* columns = scratch.Piece<uint32_t>(0);
    uint8_t* saved = inPlace ? scratch.Piece<uint8_t>(1) : nullptr;
    if (!scratch.Ok()) return false;
    std::memset(columns, 0, RowBytes(width) * sizeof(uint32_t));
    if (sse2 && radius <= kSse2BoxBlurMaxRadius) {
        const auto update = PickVectorKernel(UpdateBoxColumns_Sse2, UpdateBoxColumns_Avx2);
        const BoxBlurMiddle middle = PickVectorKernel(BoxBlurMiddle_Sse2, BoxBlurMiddle_Avx2);
        SlideBoxWindow(
            src, srcStride, height, radius, saved, RowBytes(width),
            [&](const uint8_t* entering, const uint8_t* leaving) { update(columns, entering, leaving, width); },
            [&](int32_t y, int32_t rows) {
                BoxBlurRow_Sse2(RowAt(dst, y, dstStride), columns, width, radius, rows,
                                y < height - radius, y == 0, middle);
            });
    } else {
        // Beyond kSse2BoxBlurMaxRadius the SSE2 level gives the plain bytes.
        SlideBoxWindow(
            src, srcStride, height, radius, saved, RowBytes(width),
            AddThenSubtract([&](const uint8_t* row) { AddRowToBoxColumns_Plain(columns, row, width); },
                            [&](const uint8_t* row) { SubtractRowFromBoxColumns_Plain(columns, row, width); }),
            [&](int32_t y, int32_t rows) {
                BoxBlurRow_Plain(RowAt(dst, y, dstStride), columns, width, radius, rows);
            });
    }
    return true;
}

// BoxBlurAlphaWeighted for 1 <= radius, `inPlace` as in BoxBlurWindow.
void OpaqueBoxBlurWindow(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                         ptrdiff_t dstStride, ptrdiff_t srcStride, int32_t radius, bool sse2,
                         bool inPlace) {
    radius = LimitBoxBlurRadius(radius, width, height);
    const uint64_t savedBytes = SavedRowBytes(inPlace, width, radius);
    if (sse2 && radius <= kSse2OpaqueBoxBlurMaxRadius) {
        ScratchBlock scratch({uint64_t{RowBytes(width)} * sizeof(uint16_t),
                              uint64_t{static_cast<uint32_t>(width)} * sizeof(uint32_t), savedBytes});
        uint16_t* sums = scratch.Piece<uint16_t>(0);
        uint32_t* counts = scratch.Piece<uint32_t>(1);
        uint8_t* saved = inPlace ? scratch.Piece<uint8_t>(2) : nullptr;
        if (!scratch.Ok()) return;
        std::memset(sums, 0, RowBytes(width) * sizeof(uint16_t));
        std::memset(counts, 0, static_cast<size_t>(width) * sizeof(uint32_t));
        const float* reciprocals = OpaqueReciprocals();
        const auto update = PickVectorKernel(UpdateOpaqueColumns_Sse2, UpdateOpaqueColumns_Avx2);
        const OpaqueBoxBlurMiddle middle = PickVectorKernel(OpaqueBoxBlurMiddle_Sse2, OpaqueBoxBlurMiddle_Avx2);
        SlideBoxWindow(
            src, srcStride, height, radius, saved, RowBytes(width),
            [&](const uint8_t* entering, const uint8_t* leaving) { update(sums, counts, entering, leaving, width); },
            [&](int32_t y, int32_t rows) {
                OpaqueBoxBlurRow_Sse2(RowAt(dst, y, dstStride), sums, counts, width, radius, rows, reciprocals, middle);
            });
        return;
    }
    // Past radius 63 the SSE2 level keeps the plain 32-bit column sums.
    const size_t values = static_cast<size_t>(width) * 5;
    ScratchBlock scratch({uint64_t{values} * sizeof(uint32_t), savedBytes});
    uint32_t* columns = scratch.Piece<uint32_t>(0);
    uint8_t* saved = inPlace ? scratch.Piece<uint8_t>(1) : nullptr;
    if (!scratch.Ok()) return;
    std::memset(columns, 0, values * sizeof(uint32_t));
    SlideBoxWindow(
        src, srcStride, height, radius, saved, RowBytes(width),
        AddThenSubtract([&](const uint8_t* row) { AddRowToOpaqueColumns_Plain(columns, row, width); },
                        [&](const uint8_t* row) { SubtractRowFromOpaqueColumns_Plain(columns, row, width); }),
        [&](int32_t y, int32_t rows) {
            OpaqueBoxBlurRow_Plain(RowAt(dst, y, dstStride), columns, width, radius, rows);
        });
}

}  // namespace

void CopyRows(uint8_t* dst, ptrdiff_t dstStride, const uint8_t* src, ptrdiff_t srcStride,
              size_t rowBytes, int32_t height) {
    for (int32_t y = 0; y < height; ++y) {
        std::memmove(RowAt(dst, y, dstStride), RowAt(src, y, srcStride), rowBytes);
    }
}

void CImageUtility::BoxBlur(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                            int32_t dstStride, int32_t srcStride, int32_t radius) {
    if (!AreUsableBuffers(dst, src, width, height, dstStride, srcStride)) return;
    if (width == 0 || height == 0) return;
    if (radius <= 0) {
        CopyRows(dst, dstStride, src, srcStride, RowBytes(width), height);
        return;
    }
    BoxBlurWindow(dst, src, width, height, dstStride, srcStride, radius, UseSse2(level), false);
}

void CImageUtility::BoxBlurAlphaWeighted(uint8_t* dst, const uint8_t* src, int32_t width,
                                         int32_t height, int32_t dstStride, int32_t srcStride,
                                         int32_t radius) {
    if (!AreUsableBuffers(dst, src, width, height, dstStride, srcStride)) return;
    if (width == 0 || height == 0 || radius <= 0) return;
    OpaqueBoxBlurWindow(dst, src, width, height, dstStride, srcStride, radius, UseSse2(level), false);
}

bool BoxBlurRowsInPlace(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride,
                        int32_t radius, bool sse2) {
    return BoxBlurWindow(data, data, width, height, stride, stride, radius, sse2, true);
}

void BoxBlurAlphaWeightedRowsInPlace(uint8_t* data, int32_t width, int32_t height,
                                     ptrdiff_t stride, int32_t radius, bool sse2) {
    OpaqueBoxBlurWindow(data, data, width, height, stride, stride, radius, sse2, true);
}

void CImageUtility::GaussianBlur(int32_t radius, const uint8_t* src, uint8_t* dst, int32_t width,
                                 int32_t height, int32_t srcStride, int32_t dstStride) {
    if (src == dst || !AreUsableBuffers(dst, src, width, height, dstStride, srcStride)) return;
    if (width == 0 || height == 0) return;
    if (radius <= 0) {
        CopyRows(dst, dstStride, src, srcStride, RowBytes(width), height);
        return;
    }
    GaussianBlurRows(dst, src, width, height, dstStride, srcStride, radius, UseSse2(level));
}

// Output rows of complete windows taken at once by the vector variant.
constexpr int32_t kGaussianBatch = 8;

// Each source row is read once, into the ring, before any output row at or
// below it is written: dst may be src.
void GaussianBlurRows(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height, ptrdiff_t dstStride,
                      ptrdiff_t srcStride, int32_t radius, bool sse2) {
    radius = LimitBoxBlurRadius(radius, width, height);
    const int32_t taps = 2 * radius + 1;
    const uint64_t pairEntries = sse2 ? uint64_t{static_cast<uint32_t>(width)} + 2 * uint64_t{static_cast<uint32_t>(taps)} : 0;
    const uint64_t slots = uint64_t{static_cast<uint32_t>(taps)} + (sse2 ? kGaussianBatch - 1 : 0);
    ScratchBlock scratch({uint64_t{static_cast<uint32_t>(taps)} * sizeof(int32_t), slots * sizeof(const uint8_t*),
                          slots * RingSlotBytes(width),
                          pairEntries * 16, sse2 ? (uint64_t{static_cast<uint32_t>(radius)} + 1) * 16 : 0});
    int32_t* weights = scratch.Piece<int32_t>(0);
    const uint8_t** window = scratch.Piece<const uint8_t*>(1);
    uint8_t* ring = scratch.Piece<uint8_t>(2);
    void* pairs = scratch.Piece<void>(3);
    void* weightPairs = scratch.Piece<void>(4);
    if (!scratch.Ok()) return;
    const double sigma =
        std::sqrt(double(radius) * radius / (-2.0 * double(std::log(7.64962e-5f))));
    const int32_t total = GaussianWeights(sigma, radius, weights);
    if (sse2) {
        const int32_t productUsed = ProductRoundsLikeQuotient(total) ? total : 0;
        const auto horizontal = PickVectorKernel(GaussianRowHorizontal_Sse2, GaussianRowHorizontal_Avx2);
        const auto vertical = PickVectorKernel(GaussianRowsVertical_Sse2, GaussianRowsVertical_Avx2);
        const auto verticalBatch = PickVectorKernel(GaussianRowsVerticalBatch_Sse2, GaussianRowsVerticalBatch_Avx2);
        BlurThroughRing(
            dst, src, height, dstStride, srcStride, radius, ring, RingSlotBytes(width), window,
            [&](uint8_t* out, const uint8_t* row) {
                horizontal(out, row, width, weights, radius, pairs, weightPairs, productUsed);
            },
            [&](uint8_t* out, const uint8_t* const* rows, int32_t firstTap, int32_t count, int32_t outputs) {
                if (outputs == 1) {
                    vertical(out, rows, weights + firstTap, count, width, weightPairs, productUsed);
                    return;
                }
                uint8_t* outs[kGaussianBatch];
                for (int32_t j = 0; j < outputs; ++j) outs[j] = out + j * dstStride;
                verticalBatch(outs, outputs, rows, weights, count, width, weightPairs, productUsed);
            },
            kGaussianBatch);
    } else {
        BlurThroughRing(
            dst, src, height, dstStride, srcStride, radius, ring, RingSlotBytes(width), window,
            [&](uint8_t* out, const uint8_t* row) {
                GaussianRowHorizontal_Plain(out, row, width, weights, radius);
            },
            [&](uint8_t* out, const uint8_t* const* rows, int32_t firstTap, int32_t count, int32_t) {
                GaussianRowsVertical_Plain(out, rows, weights + firstTap, count, count == taps,
                                           width);
            });
    }
}

void GaussianBlurAlphaWeightedRows(uint8_t* dst, const uint8_t* src, int32_t width,
                                   int32_t height, ptrdiff_t dstStride, ptrdiff_t srcStride,
                                   int32_t radius) {
    // The result depends on the source alone, so the copy is only kept
    // where the blur returns early.
    if (width < 1 || height < 1 || radius > width || radius > height || radius <= 0) {
        if (dst != src) CopyRows(dst, dstStride, src, srcStride, RowBytes(width), height);
        return;
    }
    const float spread = static_cast<float>(radius) + 1.0f;
    const float sigma = std::sqrt(spread * spread / 8.23272f);
    const int32_t half = LimitBoxBlurRadius(radius, width, height);
    const int32_t taps = 2 * half + 1;
    ScratchBlock scratch({uint64_t{static_cast<uint32_t>(taps)} * sizeof(int32_t),
                          uint64_t{static_cast<uint32_t>(taps)} * sizeof(const uint8_t*),
                          uint64_t{static_cast<uint32_t>(taps)} * RingSlotBytes(width)});
    int32_t* weights = scratch.Piece<int32_t>(0);
    const uint8_t** window = scratch.Piece<const uint8_t*>(1);
    uint8_t* ring = scratch.Piece<uint8_t>(2);
    if (!scratch.Ok()) {
        if (dst != src) CopyRows(dst, dstStride, src, srcStride, RowBytes(width), height);
        return;
    }
    const int32_t total = GaussianWeights(double(sigma), half, weights);
    BlurThroughRing(
        dst, src, height, dstStride, srcStride, half, ring, RingSlotBytes(width), window,
        [&](uint8_t* out, const uint8_t* row) {
            OpaqueGaussianRowHorizontal(out, row, width, weights, half, total);
        },
        [&](uint8_t* out, const uint8_t* const* rows, int32_t firstTap, int32_t count, int32_t) {
            OpaqueGaussianRowsVertical(out, rows, weights + firstTap, count, total, width);
        });
}

void CImageUtility::GaussianBlurAlphaWeighted(int32_t radius, const uint8_t* src, uint8_t* dst,
                                              int32_t width, int32_t height, int32_t, int32_t) {
    const int32_t packed = PackedStride(width, kPixelBytes);
    if (!AreUsableBuffers(dst, src, width, height, packed, packed)) return;
    GaussianBlurAlphaWeightedRows(dst, src, width, height, packed, packed, radius);
}

}  // namespace VelImageUtility
