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
