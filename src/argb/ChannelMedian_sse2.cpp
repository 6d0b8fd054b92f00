#include <emmintrin.h>

#include "argb/ArgbPixels_sse2.h"
#include "argb/ChannelMedian.h"
#include "argb/ChannelMedianNetwork.h"

namespace VelImageUtility {

namespace {
struct Sse2Bytes {
    using V = __m128i;
    static constexpr int32_t kPixels = 4;
    static V Load(const uint8_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }
    static void Store(uint8_t* to, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v); }
    static V Min(V a, V b) { return _mm_min_epu8(a, b); }
    static V Max(V a, V b) { return _mm_max_epu8(a, b); }
    static V WithAlpha(V colours, V old) { return WithAlphaOf(colours, old); }
};
}  // namespace

void SmallMedianRow_Sse2(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t width, uint8_t* columns,
                         uint8_t* keep) {
    median_network::SmallMedianRow<Sse2Bytes>(rows, radius, out, width, columns, keep);
}

}  // namespace VelImageUtility

namespace VelImageUtility {

namespace {
constexpr int32_t kBins = 16;  // coarse bins, and fine values per coarse bin

// Sixteen 16-bit counts.
struct Counts {
    __m128i low, high;
};
inline Counts LoadCounts(const uint16_t* from) {
    return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8))};
}
inline void StoreCounts(uint16_t* to, Counts counts) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), counts.low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), counts.high);
}
inline Counts Plus(Counts a, Counts b) { return {_mm_add_epi16(a.low, b.low), _mm_add_epi16(a.high, b.high)}; }
inline Counts Minus(Counts a, Counts b) { return {_mm_sub_epi16(a.low, b.low), _mm_sub_epi16(a.high, b.high)}; }

inline __m128i RunningTotals(__m128i c) {
    c = _mm_add_epi16(c, _mm_slli_si128(c, 2));
    c = _mm_add_epi16(c, _mm_slli_si128(c, 4));
    return _mm_add_epi16(c, _mm_slli_si128(c, 8));
}

// The first bin at which the running total of `counts` exceeds `half`
// (which the total does), and in `below` the total before it.
inline int32_t FirstBinPast(Counts counts, uint32_t half, uint32_t& below) {
    const __m128i low = RunningTotals(counts.low);
    const __m128i high = _mm_add_epi16(RunningTotals(counts.high), _mm_shuffle_epi32(_mm_shufflehi_epi16(low, 0xFF), 0xFF));
    const __m128i limit = _mm_set1_epi16(static_cast<int16_t>(half));
    const __m128i zero = _mm_setzero_si128();
    const __m128i within = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_subs_epu16(low, limit), zero),
                                           _mm_cmpeq_epi16(_mm_subs_epu16(high, limit), zero));
    const int32_t bin = __builtin_ctz(~static_cast<uint32_t>(_mm_movemask_epi8(within)));
    uint16_t totals[kBins + 1];
    totals[0] = 0;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(totals + 1), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(totals + 9), high);
    below = totals[bin];
    return bin;
}

inline int32_t Clamp(int32_t i, int32_t count) { return i < 0 ? 0 : i >= count ? count - 1 : i; }

// One strip of output columns [first, end) of every row, the column
// histograms covering the columns its windows reach.
class StripMedian {
public:
    StripMedian(const uint8_t* source, int32_t sourceStride, int32_t width, int32_t height, int32_t radius,
                uint16_t* columns)
        : source_(source), sourceStride_(sourceStride), width_(width), height_(height), radius_(radius),
          columns_(columns), half_(static_cast<uint32_t>((2 * radius + 1) * (2 * radius + 1) / 2)) {}

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
            // The next entering row comes from memory while this row is
            // filtered.
            const uint8_t* next = source_ + static_cast<ptrdiff_t>(Clamp(y + 1 + radius_, height_)) * sourceStride_;
            for (int32_t x = firstColumn_; x < endColumn_; x += 16) _mm_prefetch(reinterpret_cast<const char*>(next + 4 * x), _MM_HINT_T0);
            FilterRow(first, end, destination + static_cast<ptrdiff_t>(y) * destinationStride);
        }
    }

private:
    // The counts of image column `column`, channel `channel`: 256 fine
    // counts, then 16 coarse ones.
    uint16_t* Column(int32_t column, int32_t channel) const { return columns_ + Offset(column) + channel * kMedianColumnCounts; }

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
            Counts coarse = {_mm_setzero_si128(), _mm_setzero_si128()};
            for (int32_t x = first - radius_; x <= first + radius_; ++x) {
                coarse = Plus(coarse, LoadCounts(Column(Clamp(x, width_), channel) + 256));
            }
            coarse_[channel] = coarse;
            for (int32_t bin = 0; bin < kBins; ++bin) fineAt_[channel][bin] = first - 1 - radius_;
        }
        for (int32_t x = first; x < end; ++x) {
            for (int32_t channel = 0; channel < 3; ++channel) {
                const uint16_t* counts = columns_ + channel * kMedianColumnCounts;
                if (x > first) {
                    const ptrdiff_t move = x - first;
                    coarse_[channel] = Minus(Plus(coarse_[channel], LoadCounts(counts + entering_[move] + 256)),
                                             LoadCounts(counts + leaving_[move] + 256));
                }
                uint32_t below = 0;
                const int32_t bin = FirstBinPast(coarse_[channel], half_, below);
                const Counts fine = FineCounts(counts + bin * kBins, fineAt_[channel][bin], fine_[channel][bin], x, first);
                uint32_t belowValue = 0;
                const int32_t value = FirstBinPast(fine, half_ - below, belowValue);
                out[4 * x + channel] = static_cast<uint8_t>(bin * kBins + value);
            }
        }
    }

    // The window's fine counts at position x, `counts` pointing at the
    // first column's counts of one coarse bin: moved on from position `at`
    // where `kept` holds them, or summed afresh when that is nearer.
    Counts FineCounts(const uint16_t* counts, int32_t& at, uint16_t* kept, int32_t x, int32_t first) {
        Counts fine;
        if (x - at <= radius_) {
            fine = LoadCounts(kept);
            for (ptrdiff_t move = at + 1 - first; move <= x - first; ++move) {
                fine = Minus(Plus(fine, LoadCounts(counts + entering_[move])), LoadCounts(counts + leaving_[move]));
            }
        } else {
            fine = {_mm_setzero_si128(), _mm_setzero_si128()};
            for (int32_t column = x - radius_; column <= x + radius_; ++column) {
                fine = Plus(fine, LoadCounts(counts + Offset(Clamp(column, width_))));
            }
        }
        StoreCounts(kept, fine);
        at = x;
        return fine;
    }

    ptrdiff_t Offset(int32_t column) const { return static_cast<ptrdiff_t>(column - firstColumn_) * 3 * kMedianColumnCounts; }

    const uint8_t* source_;
    int32_t sourceStride_, width_, height_, radius_;
    uint16_t* columns_;
    uint32_t half_;
    int32_t firstColumn_ = 0, endColumn_ = 0;
    Counts coarse_[3];
    uint16_t fine_[3][kBins][kBins];
    int32_t fineAt_[3][kBins];
    // Per move of the window to position first + i: the offsets of the
    // columns entering and leaving it (move 0 unused).
    ptrdiff_t entering_[kMedianStripWidth], leaving_[kMedianStripWidth];
};
}  // namespace

void MedianFilterColours_Sse2(const uint8_t* source, int32_t sourceStride, uint8_t* destination,
                              int32_t destinationStride, int32_t width, int32_t height, int32_t radius,
                              uint16_t* columns) {
    StripMedian strip(source, sourceStride, width, height, radius, columns);
    for (int32_t first = 0; first < width; first += kMedianStripWidth) {
        strip.Filter(first, width - first < kMedianStripWidth ? width : first + kMedianStripWidth, destination,
                     destinationStride);
    }
}

}  // namespace VelImageUtility
