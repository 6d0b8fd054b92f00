#include <emmintrin.h>

#include "argb/ArgbPixels_sse2.h"
#include "argb/ChannelMedian.h"
#include "argb/ChannelMedianHistogram.h"
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
constexpr int32_t kBins = median_histogram::kMedianBins;

// Sixteen 16-bit counts, eight to a register.
struct Sse2Counts {
    struct Counts {
        __m128i low, high;
    };
    static Counts Zero() { return {_mm_setzero_si128(), _mm_setzero_si128()}; }
    static Counts LoadCounts(const uint16_t* from) {
        return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8))};
    }
    static void StoreCounts(uint16_t* to, Counts counts) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), counts.low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), counts.high);
    }
    static Counts Plus(Counts a, Counts b) { return {_mm_add_epi16(a.low, b.low), _mm_add_epi16(a.high, b.high)}; }
    static Counts Minus(Counts a, Counts b) { return {_mm_sub_epi16(a.low, b.low), _mm_sub_epi16(a.high, b.high)}; }
    static void Prefetch(const uint8_t* at) { _mm_prefetch(reinterpret_cast<const char*>(at), _MM_HINT_T0); }

    static __m128i RunningTotals(__m128i c) {
        c = _mm_add_epi16(c, _mm_slli_si128(c, 2));
        c = _mm_add_epi16(c, _mm_slli_si128(c, 4));
        return _mm_add_epi16(c, _mm_slli_si128(c, 8));
    }

    // The first bin at which the running total of `counts` exceeds `half`
    // (which the total does), and in `below` the total before it.
    static int32_t FirstBinPast(Counts counts, uint32_t half, uint32_t& below) {
        const __m128i low = RunningTotals(counts.low);
        const __m128i lowTotal = _mm_shuffle_epi32(_mm_shufflehi_epi16(low, 0xFF), 0xFF);
        const __m128i high = _mm_add_epi16(RunningTotals(counts.high), lowTotal);
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
};
}  // namespace

void MedianFilterColours_Sse2(const uint8_t* source, int32_t sourceStride, uint8_t* destination,
                              int32_t destinationStride, int32_t width, int32_t height, int32_t radius,
                              uint16_t* columns) {
    median_histogram::StripMedian<Sse2Counts>(source, sourceStride, width, height, radius, columns)
        .FilterStrips(destination, destinationStride);
}

}  // namespace VelImageUtility
