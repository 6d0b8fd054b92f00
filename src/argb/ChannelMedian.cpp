// The channel median works column-histogram style (Perreault and Hebert):
// each image column keeps a histogram of its samples over the window's rows,
// moved down one row per image row, and the window's histogram is the sum of
// its columns' histograms, moved right one column per pixel. Both moves add
// one histogram and take away one, so the cost per pixel does not grow with
// the radius. Histograms are two-level: 16 coarse bins of 16 values each,
// and the window's fine bins are brought up to date only for the coarse bin
// that holds the median.
//
// A window reaching past the image repeats its edge pixels; since clamped
// coordinates name the same image column or row, the histograms are kept per
// image column, and a window near an edge counts its edge column (or row)
// once per position it covers.
#include "argb/ChannelMedian.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kCoarseBins = 16;
constexpr int32_t kFineBins = 16;  // per coarse bin
constexpr int32_t kValues = kCoarseBins * kFineBins;

// Calls visit(index, weight) for each index of 0..count-1 that the window
// lo..hi covers after clamping, weight being the number of its positions
// clamped to that index. The window must include an index of 0..count-1.
template <typename Visit>
void ForEachClamped(int64_t lo, int64_t hi, int32_t count, Visit visit) {
    const int64_t first = std::max<int64_t>(lo, 0);
    const int64_t last = std::min<int64_t>(hi, count - 1);
    const int64_t before = std::max<int64_t>(0, std::min<int64_t>(hi, -1) - lo + 1);
    const int64_t after = std::max<int64_t>(0, hi - std::max<int64_t>(lo, count) + 1);
    for (int64_t i = first; i <= last; ++i) {
        const int64_t weight = 1 + (i == 0 ? before : 0) + (i == count - 1 ? after : 0);
        visit(static_cast<int32_t>(i), static_cast<uint32_t>(weight));
    }
}

inline int32_t ClampIndex(int64_t i, int32_t count) {
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(i, 0), count - 1));
}

// The histograms of every image column over the window's current rows.
struct ColumnHistograms {
    std::vector<uint16_t> fine;    // width x kValues
    std::vector<uint16_t> coarse;  // width x kCoarseBins

    explicit ColumnHistograms(int32_t width)
        : fine(static_cast<size_t>(width) * kValues, 0), coarse(static_cast<size_t>(width) * kCoarseBins, 0) {}

    // Adds `weight` (modulo 2^16, so that a removal is a negative weight)
    // for each sample of an image row.
    void AddRow(const uint8_t* row, int32_t step, int32_t width, uint16_t weight) {
        uint16_t* fineColumn = fine.data();
        uint16_t* coarseColumn = coarse.data();
        for (int32_t x = 0; x < width; ++x, row += step, fineColumn += kValues, coarseColumn += kCoarseBins) {
            fineColumn[*row] = static_cast<uint16_t>(fineColumn[*row] + weight);
            coarseColumn[*row >> 4] = static_cast<uint16_t>(coarseColumn[*row >> 4] + weight);
        }
    }
};

// The sliding window of one row: coarse counts for every window position,
// fine counts per coarse bin as of the position `fineAt` names (-1: none).
struct ChannelHistogram {
    uint32_t coarse[kCoarseBins];
    uint32_t fine[kCoarseBins][kFineBins];
    int32_t fineAt[kCoarseBins];
};

class LaneMedian {
public:
    LaneMedian(int32_t width, int32_t radius) : columns_(width), width_(width), radius_(radius) {}

    ColumnHistograms& Columns() { return columns_; }

    // Medians of one row, from the column histograms as they stand.
    void FilterRow(uint8_t* out, int32_t step) {
        const int64_t side = 2 * int64_t{radius_} + 1;
        const uint32_t half = static_cast<uint32_t>(side * side / 2);
        std::memset(window_.coarse, 0, sizeof window_.coarse);
        std::fill(std::begin(window_.fineAt), std::end(window_.fineAt), -1);
        ForEachClamped(-radius_, radius_, width_, [&](int32_t column, uint32_t weight) {
            const uint16_t* counts = &columns_.coarse[static_cast<size_t>(column) * kCoarseBins];
            for (int32_t b = 0; b < kCoarseBins; ++b) window_.coarse[b] += weight * counts[b];
        });
        for (int32_t x = 0; x < width_; ++x, out += step) {
            if (x > 0) {
                ShiftColumns(x, window_.coarse, kCoarseBins, columns_.coarse.data(), kCoarseBins, 0);
            }
            uint32_t below = 0;
            int32_t bin = 0;
            while (below + window_.coarse[bin] <= half) below += window_.coarse[bin++];
            const uint32_t* fine = FineCounts(bin, x);
            int32_t value = 0;
            while (below + fine[value] <= half) below += fine[value++];
            *out = static_cast<uint8_t>(bin * kFineBins + value);
        }
    }

private:
    // Moves counts[0..n) kept for window position x - 1 to position x: adds
    // the column entering on the right, takes away the one leaving on the left.
    void ShiftColumns(int32_t x, uint32_t* counts, int32_t n, const uint16_t* histograms, int32_t histogramSize,
                      int32_t offset) const {
        const int32_t entering = ClampIndex(int64_t{x} + radius_, width_);
        const int32_t leaving = ClampIndex(int64_t{x} - 1 - radius_, width_);
        if (entering == leaving) return;
        const uint16_t* add = histograms + static_cast<size_t>(entering) * histogramSize + offset;
        const uint16_t* remove = histograms + static_cast<size_t>(leaving) * histogramSize + offset;
        for (int32_t i = 0; i < n; ++i) counts[i] += uint32_t{add[i]} - uint32_t{remove[i]};
    }

    // The fine counts of coarse bin `bin` for window position x, moved on
    // from where they were left or summed afresh, whichever is cheaper.
    const uint32_t* FineCounts(int32_t bin, int32_t x) {
        uint32_t* fine = window_.fine[bin];
        const int32_t offset = bin * kFineBins;
        const int64_t columnsInWindow = std::min<int64_t>(int64_t{x} + radius_, width_ - 1) -
                                        std::max<int64_t>(int64_t{x} - radius_, 0) + 1;
        const int32_t from = window_.fineAt[bin];
        if (from >= 0 && 2 * int64_t{x - from} <= columnsInWindow) {
            for (int32_t at = from + 1; at <= x; ++at) {
                ShiftColumns(at, fine, kFineBins, columns_.fine.data(), kValues, offset);
            }
        } else {
            std::memset(fine, 0, sizeof window_.fine[bin]);
            ForEachClamped(int64_t{x} - radius_, int64_t{x} + radius_, width_, [&](int32_t column, uint32_t weight) {
                const uint16_t* counts = &columns_.fine[static_cast<size_t>(column) * kValues + offset];
                for (int32_t i = 0; i < kFineBins; ++i) fine[i] += weight * counts[i];
            });
        }
        window_.fineAt[bin] = x;
        return fine;
    }

    ColumnHistograms columns_;
    ChannelHistogram window_;
    int32_t width_;
    int32_t radius_;
};
}  // namespace

void MedianFilterSamples(const uint8_t* source, int32_t sourceStride, uint8_t* destination,
                         int32_t destinationStride, int32_t sampleStep, int32_t width,
                         int32_t height, int32_t radius) {
    LaneMedian median(width, radius);
    auto sourceRow = [&](int64_t y) {
        return source + static_cast<ptrdiff_t>(ClampIndex(y, height)) * sourceStride;
    };
    ForEachClamped(-radius, radius, height, [&](int32_t y, uint32_t weight) {
        median.Columns().AddRow(sourceRow(y), sampleStep, width, static_cast<uint16_t>(weight));
    });
    for (int32_t y = 0; y < height; ++y) {
        if (y > 0) {
            const uint8_t* entering = sourceRow(int64_t{y} + radius);
            const uint8_t* leaving = sourceRow(int64_t{y} - 1 - radius);
            if (entering != leaving) {
                median.Columns().AddRow(entering, sampleStep, width, 1);
                median.Columns().AddRow(leaving, sampleStep, width, static_cast<uint16_t>(0xFFFF));
            }
        }
        median.FilterRow(destination + static_cast<ptrdiff_t>(y) * destinationStride, sampleStep);
    }
}

void SmallMedianPixel_Plain(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t x, int32_t width) {
    const int32_t side = 2 * radius + 1;
    for (int32_t lane = 0; lane < 3; ++lane) {
        uint8_t window[(2 * kSmallMedianRadius + 1) * (2 * kSmallMedianRadius + 1)];
        int32_t count = 0;
        for (int32_t row = 0; row < side; ++row) {
            for (int32_t dx = -radius; dx <= radius; ++dx) {
                window[count++] = rows[row][4 * ClampIndex(int64_t{x} + dx, width) + lane];
            }
        }
        std::nth_element(window, window + count / 2, window + count);
        out[4 * x + lane] = window[count / 2];
    }
}

// Each colour channel is filtered from an untouched copy of the image, so
// that no filtered sample feeds another; alpha is never written. The vector
// variant takes all three channels at once.
void CImageARGB::MedianFilterChannels(int32_t radius) {
    if (radius < 1 || radius > kMaxChannelMedianRadius || !IsUsablePixels(*this, 4) || width == 0 ||
        height == 0) {
        return;
    }
    const int32_t rowBytes = width * 4;
    if (radius <= kSmallMedianRadius && UseSse2(level)) {
        // Rows below the output row are read as they are; the rows above it
        // were written already and are read from a ring of their copies,
        // which the row kernel makes as it goes.
        const int32_t slots = radius + 1;
        std::vector<uint8_t> ring(static_cast<size_t>(slots) * static_cast<size_t>(rowBytes));
        auto ringRow = [&](int32_t y) { return &ring[static_cast<size_t>(y % slots) * static_cast<size_t>(rowBytes)]; };
        std::vector<uint8_t> columns(static_cast<size_t>(2 * radius + 1) * 4 * (static_cast<size_t>(width) + 2 * radius));
        const auto kernel = PickVectorKernel(SmallMedianRow_Sse2, SmallMedianRow_Avx2);
        const uint8_t* rows[2 * kSmallMedianRadius + 1];
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t dy = -radius; dy <= radius; ++dy) {
                const int32_t from = ClampIndex(int64_t{y} + dy, height);
                rows[dy + radius] = from < y ? ringRow(from) : data + static_cast<ptrdiff_t>(from) * stride;
            }
            kernel(rows, radius, data + static_cast<ptrdiff_t>(y) * stride, width, columns.data(), ringRow(y));
        }
        return;
    }
    std::vector<uint8_t> copy(static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(&copy[static_cast<size_t>(y) * rowBytes], data + static_cast<ptrdiff_t>(y) * stride,
                    static_cast<size_t>(rowBytes));
    }
    if (radius <= kVectorMedianRadius && UseSse2(level)) {
        const size_t columns = static_cast<size_t>(std::min(width, kMedianStripWidth + 2 * radius));
        std::vector<uint16_t> histograms(columns * 3 * kMedianColumnCounts);
        const auto kernel = PickVectorKernel(MedianFilterColours_Sse2, MedianFilterColours_Avx2);
        kernel(copy.data(), rowBytes, data, stride, width, height, radius, histograms.data());
        return;
    }
    for (int32_t lane = 0; lane < 3; ++lane) {
        MedianFilterSamples(copy.data() + lane, rowBytes, data + lane, stride, 4, width, height, radius);
    }
}

}  // namespace VelImageUtility
