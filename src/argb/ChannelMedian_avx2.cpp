#include <immintrin.h>

#include "argb/ChannelMedian.h"
#include "argb/ChannelMedianHistogram.h"
#include "argb/ChannelMedianNetwork.h"

namespace VelImageUtility {

namespace {
struct Avx2Bytes {
    using V = __m256i;
    static constexpr int32_t kPixels = 8;
    static V Load(const uint8_t* from) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)); }
    static void Store(uint8_t* to, V v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), v); }
    static V Min(V a, V b) { return _mm256_min_epu8(a, b); }
    static V Max(V a, V b) { return _mm256_max_epu8(a, b); }
    static V WithAlpha(V colours, V old) { return _mm256_blendv_epi8(colours, old, _mm256_set1_epi32(~0x00FFFFFF)); }
};

// Sixteen 16-bit counts in one register.
struct Avx2Counts {
    using Counts = __m256i;
    static Counts Zero() { return _mm256_setzero_si256(); }
    static Counts LoadCounts(const uint16_t* from) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)); }
    static void StoreCounts(uint16_t* to, Counts counts) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), counts); }
    static Counts Plus(Counts a, Counts b) { return _mm256_add_epi16(a, b); }
    static Counts Minus(Counts a, Counts b) { return _mm256_sub_epi16(a, b); }
    static void Prefetch(const uint8_t* at) { _mm_prefetch(reinterpret_cast<const char*>(at), _MM_HINT_T0); }

    // The first bin at which the running total of `counts` exceeds `half`
    // (which the total does), and in `below` the total before it. Each
    // 128-bit lane is summed up on its own, then the low lane's total is
    // added to the high lane.
    static int32_t FirstBinPast(Counts counts, uint32_t half, uint32_t& below) {
        __m256i totals = _mm256_add_epi16(counts, _mm256_slli_si256(counts, 2));
        totals = _mm256_add_epi16(totals, _mm256_slli_si256(totals, 4));
        totals = _mm256_add_epi16(totals, _mm256_slli_si256(totals, 8));
        const __m256i lowLaneAbove = _mm256_permute2x128_si256(totals, totals, 0x08);
        totals = _mm256_add_epi16(totals, _mm256_shuffle_epi32(_mm256_shufflehi_epi16(lowLaneAbove, 0xFF), 0xFF));
        const __m256i limit = _mm256_set1_epi16(static_cast<int16_t>(half));
        const __m256i within = _mm256_cmpeq_epi16(_mm256_subs_epu16(totals, limit), _mm256_setzero_si256());
        const int32_t bin = __builtin_ctz(~static_cast<uint32_t>(_mm256_movemask_epi8(within))) / 2;
        uint16_t running[median_histogram::kMedianBins + 1];
        running[0] = 0;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(running + 1), totals);
        below = running[bin];
        return bin;
    }
};
}  // namespace

void SmallMedianRow_Avx2(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t width, uint8_t* columns,
                         uint8_t* keep) {
    if (width < Avx2Bytes::kPixels) {
        SmallMedianRow_Sse2(rows, radius, out, width, columns, keep);
    } else {
        median_network::SmallMedianRow<Avx2Bytes>(rows, radius, out, width, columns, keep);
    }
}

void MedianFilterColours_Avx2(const uint8_t* source, int32_t sourceStride, uint8_t* destination,
                              int32_t destinationStride, int32_t width, int32_t height, int32_t radius,
                              uint16_t* columns) {
    median_histogram::StripMedian<Avx2Counts>(source, sourceStride, width, height, radius, columns)
        .FilterStrips(destination, destinationStride);
}

}  // namespace VelImageUtility
