// The small-window median rows of the vector variants, written once over a
// byte-vector type. `Ops` gives the vector type V, kPixels (4-byte pixels
// per vector), Load, Store, Min, Max (unsigned bytes) and WithAlpha (the
// colours of one vector, the alpha of another). Each vector file
// instantiates these templates with Ops of its own anonymous namespace, so
// every instantiation stays inside its file and none of them is shared with
// code built for another instruction set.
//
// A row first sorts every image column of the window's rows, byte by byte,
// into one plane per rank; the planes hold `radius` copies of the edge
// columns on either side, which is what clamping the columns gives. Each
// window's median is then selected from its 2 radius + 1 sorted columns,
// which neighbouring windows share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "argb/ChannelMedian.h"

namespace VelImageUtility {
namespace median_network {

enum Keep : uint8_t { kLow = 1, kHigh = 2, kBoth = 3 };
// A compare-exchange: the minimum goes to w[low], the maximum to w[high];
// `keep` names the results that are used later.
struct Step {
    uint8_t low, high, keep;
};

constexpr Step kSort3[] = {{0, 1, kBoth}, {1, 2, kBoth}, {0, 1, kBoth}};
constexpr Step kSort5[] = {{0, 1, kBoth}, {3, 4, kBoth}, {2, 4, kBoth}, {2, 3, kBoth}, {0, 3, kBoth},
                           {0, 2, kBoth}, {1, 4, kBoth}, {1, 3, kBoth}, {1, 2, kBoth}};
// The median of 25 samples given as five sorted columns, w[5 column + rank],
// left in w[12]: the ranks are sorted across the columns as far as the
// median needs, then the 13 samples that may still be it are narrowed down.
// Found by pruning those sorts against every 0/1 input with sorted columns,
// which decides a min/max network for all inputs.
constexpr Step kMedian25[] = {
    {0, 5, kBoth},    {15, 20, kBoth}, {10, 20, kBoth}, {10, 15, kHigh}, {0, 15, kHigh},  {5, 20, kBoth},  {5, 15, kHigh},
    {1, 6, kBoth},    {16, 21, kBoth}, {11, 21, kBoth}, {11, 16, kBoth}, {1, 16, kHigh},  {6, 21, kBoth},  {6, 16, kBoth},
    {6, 11, kHigh},   {2, 7, kBoth},   {17, 22, kBoth}, {12, 22, kBoth}, {12, 17, kBoth}, {2, 17, kBoth},  {2, 12, kHigh},
    {7, 22, kLow},    {7, 17, kBoth},  {7, 12, kBoth},  {3, 8, kBoth},   {18, 23, kBoth}, {13, 18, kBoth}, {3, 18, kBoth},
    {3, 13, kBoth},   {8, 23, kLow},   {8, 18, kLow},   {8, 13, kBoth},  {4, 9, kBoth},   {19, 24, kBoth}, {14, 24, kLow},
    {14, 19, kBoth},  {4, 19, kLow},   {4, 14, kBoth},  {9, 14, kLow},   {21, 7, kBoth},  {13, 4, kBoth},  {15, 11, kHigh},
    {20, 16, kBoth},  {7, 17, kLow},   {20, 11, kBoth}, {7, 12, kBoth},  {8, 13, kBoth},  {20, 7, kBoth},  {11, 21, kHigh},
    {16, 7, kBoth},   {16, 21, kBoth}, {7, 12, kBoth},  {4, 9, kLow},    {20, 8, kHigh},  {16, 4, kLow},   {21, 3, kHigh},
    {7, 8, kLow},     {12, 13, kLow},  {16, 7, kHigh},  {12, 3, kLow},   {7, 12, kHigh}};

// Runs steps[i..] on w, unrolled so that w can live in registers.
template <class Ops, const auto& steps, size_t i = 0>
inline void Apply(typename Ops::V* w) {
    if constexpr (i < sizeof(steps) / sizeof(steps[0])) {
        constexpr Step step = steps[i];
        const typename Ops::V a = w[step.low], b = w[step.high];
        if constexpr ((step.keep & kLow) != 0) w[step.low] = Ops::Min(a, b);
        if constexpr ((step.keep & kHigh) != 0) w[step.high] = Ops::Max(a, b);
        Apply<Ops, steps, i + 1>(w);
    }
}

// The median of nine from three sorted columns (w[3 column + rank]): the
// middle of the largest minimum, the middle middle and the smallest maximum.
template <class Ops>
inline typename Ops::V Middle(typename Ops::V a, typename Ops::V b, typename Ops::V c) {
    return Ops::Max(Ops::Min(a, b), Ops::Min(Ops::Max(a, b), c));
}
template <class Ops>
inline typename Ops::V Median9(const typename Ops::V* w) {
    const typename Ops::V lows = Ops::Max(Ops::Max(w[0], w[3]), w[6]);
    const typename Ops::V highs = Ops::Min(Ops::Min(w[2], w[5]), w[8]);
    return Middle<Ops>(lows, Middle<Ops>(w[1], w[4], w[7]), highs);
}

// Groups of kPixels from `begin` on, the last one ending at `end`
// (overlapping the one before); end >= kPixels.
template <class Ops, class Visit>
inline void ForEachGroup(int32_t begin, int32_t end, Visit visit) {
    for (int32_t x = begin; x < end; x += Ops::kPixels) visit(x > end - Ops::kPixels ? end - Ops::kPixels : x);
}

// The row for radius kRadius; width >= Ops::kPixels. `columns` holds
// 2 kRadius + 1 planes of width + 2 kRadius pixels. The row goes in chunks
// that keep the planes in the nearest cache: the columns of a chunk are
// sorted, then the medians up to one group before its end are written, so
// that no later sorting (the last group may reach back) reads a written
// pixel.
template <class Ops, int32_t kRadius>
void SmallMedianRowWith(const uint8_t* const* rows, uint8_t* out, int32_t width, uint8_t* columns, uint8_t* keep) {
    using V = typename Ops::V;
    constexpr int32_t kSide = 2 * kRadius + 1;
    constexpr int32_t kChunk = 16 * Ops::kPixels;
    constexpr int32_t kReadAhead = 1024;
    const ptrdiff_t planeBytes = 4 * (static_cast<ptrdiff_t>(width) + 2 * kRadius);
    // Pixel `from` of each plane repeated into the kRadius pixels `step` of
    // it: the clamped columns.
    auto repeatEdge = [&](int32_t from, int32_t step) {
        for (int32_t rank = 0; rank < kSide; ++rank) {
            uint8_t* pixel = columns + rank * planeBytes + 4 * from;
            for (int32_t k = 1; k <= kRadius; ++k) {
                for (int32_t b = 0; b < 4; ++b) pixel[4 * step * k + b] = pixel[b];
            }
        }
    };
    const uint8_t* row[kSide];  // a copy the stores below cannot alias
    for (int32_t i = 0; i < kSide; ++i) row[i] = rows[i];
    int32_t written = 0;
    for (int32_t sorted = 0; sorted < width;) {
        const int32_t end = width - sorted <= kChunk ? width : sorted + kChunk;
        ForEachGroup<Ops>(sorted, end, [&](int32_t x) {
            V w[kSide];
            for (int32_t i = 0; i < kSide; ++i) w[i] = Ops::Load(row[i] + 4 * x);
            Ops::Store(keep + 4 * x, w[kRadius]);
            // The lowest row comes from memory, further ahead than the
            // processor would fetch it of itself.
            __builtin_prefetch(row[kSide - 1] + 4 * x + kReadAhead);
            if constexpr (kRadius == 1) {
                Apply<Ops, kSort3>(w);
            } else {
                Apply<Ops, kSort5>(w);
            }
            for (int32_t rank = 0; rank < kSide; ++rank) {
                Ops::Store(columns + rank * planeBytes + 4 * (x + kRadius), w[rank]);
            }
        });
        if (sorted == 0) repeatEdge(kRadius, -1);
        if (end == width) repeatEdge(kRadius + width - 1, 1);
        const int32_t ready = end == width ? width : end - Ops::kPixels;
        ForEachGroup<Ops>(written, ready, [&](int32_t x) {
            V w[kSide * kSide];
            for (int32_t column = 0; column < kSide; ++column) {
                for (int32_t rank = 0; rank < kSide; ++rank) {
                    w[kSide * column + rank] = Ops::Load(columns + rank * planeBytes + 4 * (x + column));
                }
            }
            V median;
            if constexpr (kRadius == 1) {
                median = Median9<Ops>(w);
            } else {
                Apply<Ops, kMedian25>(w);
                median = w[12];
            }
            Ops::Store(out + 4 * x, Ops::WithAlpha(median, Ops::Load(out + 4 * x)));
        });
        written = ready;
        sorted = end;
    }
}

// The vector row: the plain rule below kPixels pixels, from `keep` where a
// row is `out` itself.
template <class Ops>
void SmallMedianRow(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t width, uint8_t* columns,
                    uint8_t* keep) {
    if (width < Ops::kPixels) {
        const uint8_t* kept[2 * kSmallMedianRadius + 1];
        for (int32_t i = 0; i < 4 * width; ++i) keep[i] = out[i];
        for (int32_t row = 0; row <= 2 * radius; ++row) kept[row] = rows[row] == out ? keep : rows[row];
        for (int32_t x = 0; x < width; ++x) SmallMedianPixel_Plain(kept, radius, out, x, width);
    } else if (radius == 1) {
        SmallMedianRowWith<Ops, 1>(rows, out, width, columns, keep);
    } else {
        SmallMedianRowWith<Ops, 2>(rows, out, width, columns, keep);
    }
}

}  // namespace median_network
}  // namespace VelImageUtility
