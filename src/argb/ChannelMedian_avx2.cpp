#include <immintrin.h>

#include "argb/ChannelMedian.h"
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
}  // namespace

void SmallMedianRow_Avx2(const uint8_t* const* rows, int32_t radius, uint8_t* out, int32_t width, uint8_t* columns,
                         uint8_t* keep) {
    if (width < Avx2Bytes::kPixels) {
        SmallMedianRow_Sse2(rows, radius, out, width, columns, keep);
    } else {
        median_network::SmallMedianRow<Avx2Bytes>(rows, radius, out, width, columns, keep);
    }
}

}  // namespace VelImageUtility
