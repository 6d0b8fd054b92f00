// The vector variant of the channel median for larger windows, written
// once over a type of sixteen 16-bit counts. `Ops` gives Counts, Zero,
// LoadCounts, StoreCounts, Plus, Minus (modulo 2^16), FirstBinPast and
// Prefetch; each vector file instantiates StripMedian with Ops of its own
// anonymous namespace, so every instantiation stays inside its file.
//
// Column-histogram style (Perreault and Hebert): each image column keeps
// the counts of its samples over the window's rows, moved down one row per
// image row; a window's counts are the sum of its columns', moved right one
// column per pixel. Counts are two-level: 16 coarse bins of 16 values; the
// window's fine counts are brought up to date only for the coarse bin that
// holds the median. Clamped coordinates name the edge column or row, so
// columns are kept per image column and a window near an edge counts its
// edge column (or row) once per position it covers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "argb/ChannelMedian.h"

namespace VelImageUtility {
namespace median_histogram {

constexpr int32_t kMedianBins = 16;  // coarse bins, and fine values per coarse bin

// The medians of an image in strips of kMedianStripWidth output columns,
// each strip with the column histograms of the columns its windows reach.
template <class Ops>
class StripMedian {
public:
    StripMedian(const uint8_t* source, int32_t sourceStride, int32_t width, int32_t height, int32_t radius,
                uint16_t* columns)
        : source_(source), sourceStride_(sourceStride), width_(width), height_(height), radius_(radius),
          columns_(columns), half_(static_cast<uint32_t>((2 * radius + 1) * (2 * radius + 1) / 2)) {}

    // The whole image, strip by strip.
    void FilterStrips(uint8_t* destination, int32_t destinationStride) {
        for (int32_t first = 0; first < width_; first += kMedianStripWidth) {
            Filter(first, width_ - first < kMedianStripWidth ? width_ : first + kMedianStripWidth, destination,
                   destinationStride);
        }
    }

private:
    static int32_t Clamp(int32_t i, int32_t count) { return i < 0 ? 0 : i >= count ? count - 1 : i; }

    void Filter(int32_t first, int32_t end, uint8_t* destination, int32_t destinationStride) {
        firstColumn_ = first - radius_ < 0 ? 0 : first - radius_;
        endColumn_ = end + radius_ > width_ ? width_ : end + radius_;
        for (int32_t i = 0; i < (endColumn_ - firstColumn_) * 3 * kMedianColumnCounts; ++i) columns_[i] = 0;
        for (int32_t x = first; x < end; ++x) {
            entering_[x - first] = Offset(Clamp(x + radius_, width_));
            leaving_[x - first] = Offset(Clamp(x - 1 - radius_, width_));
        }
        for (int32_t y = -radius_; y <= radius_; ++y) AddRow(Clamp(y, height_), 1);
        for (int32_t y = 0; y < height_; ++y) {
            if (y > 0) {
                const int32_t entering = Clamp(y + radius_, height_), leaving = Clamp(y - 1 - radius_, height_);
                if (entering != leaving) {
                    AddRow(entering, 1);
                    AddRow(leaving, 0xFFFF);
                }
            }
            // The next entering row, and the next output row, come from
            // memory while this row is filtered.
            const uint8_t* next = source_ + static_cast<ptrdiff_t>(Clamp(y + 1 + radius_, height_)) * sourceStride_;
            for (int32_t x = firstColumn_; x < endColumn_; x += 16) Ops::Prefetch(next + 4 * x);
            if (y + 1 < height_) {
                const uint8_t* nextOut = destination + static_cast<ptrdiff_t>(y + 1) * destinationStride;
                for (int32_t x = first; x < end; x += 16) Ops::Prefetch(nextOut + 4 * x);
            }
            FilterRow(first, end, destination + static_cast<ptrdiff_t>(y) * destinationStride);
        }
    }

    // The counts of image column `column`, channel `channel`: 256 fine
    // counts, then 16 coarse ones.
    uint16_t* Column(int32_t column, int32_t channel) const {
        return columns_ + Offset(column) + channel * kMedianColumnCounts;
    }

    // Adds `weight` (modulo 2^16: 0xFFFF takes away) for each pixel of a row.
    void AddRow(int32_t y, uint16_t weight) {
        const uint8_t* pixel = source_ + static_cast<ptrdiff_t>(y) * sourceStride_ + 4 * firstColumn_;
        uint16_t* counts = Column(firstColumn_, 0);
        for (int32_t x = firstColumn_; x < endColumn_; ++x, pixel += 4) {
            for (int32_t channel = 0; channel < 3; ++channel, counts += kMedianColumnCounts) {
                const int32_t value = pixel[channel];
                counts[value] = static_cast<uint16_t>(counts[value] + weight);
                counts[256 + (value >> 4)] = static_cast<uint16_t>(counts[256 + (value >> 4)] + weight);
            }
        }
    }

    void FilterRow(int32_t first, int32_t end, uint8_t* out) {
        for (int32_t channel = 0; channel < 3; ++channel) {
            typename Ops::Counts coarse = Ops::Zero();
            for (int32_t x = first - radius_; x <= first + radius_; ++x) {
                coarse = Ops::Plus(coarse, Ops::LoadCounts(Column(Clamp(x, width_), channel) + 256));
            }
            coarse_[channel] = coarse;
            for (int32_t bin = 0; bin < kMedianBins; ++bin) fineAt_[channel][bin] = first - 1 - radius_;
        }
        for (int32_t x = first; x < end; ++x) {
            for (int32_t channel = 0; channel < 3; ++channel) {
                const uint16_t* counts = columns_ + channel * kMedianColumnCounts;
                if (x > first) {
                    const ptrdiff_t move = x - first;
                    const typename Ops::Counts entering = Ops::LoadCounts(counts + entering_[move] + 256);
                    const typename Ops::Counts leaving = Ops::LoadCounts(counts + leaving_[move] + 256);
                    coarse_[channel] = Ops::Minus(Ops::Plus(coarse_[channel], entering), leaving);
                }
                uint32_t below = 0;
                const int32_t bin = Ops::FirstBinPast(coarse_[channel], half_, below);
                const typename Ops::Counts fine =
                    FineCounts(counts + bin * kMedianBins, fineAt_[channel][bin], fine_[channel][bin], x, first);
                uint32_t belowValue = 0;
                const int32_t value = Ops::FirstBinPast(fine, half_ - below, belowValue);
                out[4 * x + channel] = static_cast<uint8_t>(bin * kMedianBins + value);
            }
        }
    }

    // The window's fine counts at position x, `counts` pointing at the
    // first column's counts of one coarse bin: moved on from position `at`
    // where `kept` holds them, or summed afresh when that is nearer.
    typename Ops::Counts FineCounts(const uint16_t* counts, int32_t& at, uint16_t* kept, int32_t x, int32_t first) {
        typename Ops::Counts fine;
        if (x - at <= radius_) {
            fine = Ops::LoadCounts(kept);
            for (ptrdiff_t move = at + 1 - first; move <= x - first; ++move) {
                const typename Ops::Counts entering = Ops::LoadCounts(counts + entering_[move]);
                fine = Ops::Minus(Ops::Plus(fine, entering), Ops::LoadCounts(counts + leaving_[move]));
            }
        } else {
            fine = Ops::Zero();
            for (int32_t column = x - radius_; column <= x + radius_; ++column) {
                fine = Ops::Plus(fine, Ops::LoadCounts(counts + Offset(Clamp(column, width_))));
            }
        }
        Ops::StoreCounts(kept, fine);
        at = x;
        return fine;
    }

    ptrdiff_t Offset(int32_t column) const {
        return static_cast<ptrdiff_t>(column - firstColumn_) * 3 * kMedianColumnCounts;
    }

    const uint8_t* source_;
    int32_t sourceStride_, width_, height_, radius_;
    uint16_t* columns_;
    uint32_t half_;
    int32_t firstColumn_ = 0, endColumn_ = 0;
    typename Ops::Counts coarse_[3];
    uint16_t fine_[3][kMedianBins][kMedianBins];
    int32_t fineAt_[3][kMedianBins];
    // Per move of the window to position first + i: the offsets of the
    // columns entering and leaving it (move 0 unused).
    ptrdiff_t entering_[kMedianStripWidth], leaving_[kMedianStripWidth];
};
}  // namespace median_histogram
}  // namespace VelImageUtility
