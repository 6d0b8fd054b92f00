#include <immintrin.h>

#include "byte/ByteKernels.h"

namespace VelImageUtility {

namespace {
inline __m256i Load(const uint8_t* at) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)); }
}  // namespace

// The SSE2 row's lane arithmetic on 32 interior pixels at a time. The
// unpacks and packs both work within 128-bit halves, so the pixels come
// back in their order.
void DetectEdgesRow_Avx2(uint8_t* destination, const uint8_t* above, const uint8_t* row,
                         const uint8_t* below, int32_t width, int32_t limit, uint8_t edgeValue) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i limits = _mm256_set1_epi32(limit);
    const __m256i marks = _mm256_set1_epi8(static_cast<char>(edgeValue));
    const int32_t interior = width - 2;
    int32_t done = 0;
    for (; done + 32 <= interior; done += 32) {
        const int32_t x = done + 1;
        const __m256i a0 = Load(above + x - 1), a1 = Load(above + x), a2 = Load(above + x + 1);
        const __m256i r0 = Load(row + x - 1), r2 = Load(row + x + 1);
        const __m256i b0 = Load(below + x - 1), b1 = Load(below + x), b2 = Load(below + x + 1);
        __m256i masks[2];
        for (int32_t half = 0; half < 2; ++half) {
            const auto widen = [&](__m256i v) {
                return half == 0 ? _mm256_unpacklo_epi8(v, zero) : _mm256_unpackhi_epi8(v, zero);
            };
            const __m256i gy = _mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(widen(b0), widen(b1)), widen(b2)),
                                                _mm256_add_epi16(_mm256_add_epi16(widen(a0), widen(a1)), widen(a2)));
            const __m256i gx = _mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(widen(a2), widen(r2)), widen(b2)),
                                                _mm256_add_epi16(_mm256_add_epi16(widen(a0), widen(r0)), widen(b0)));
            const __m256i low = _mm256_unpacklo_epi16(gx, gy), high = _mm256_unpackhi_epi16(gx, gy);
            masks[half] = _mm256_packs_epi32(_mm256_cmpgt_epi32(_mm256_madd_epi16(low, low), limits),
                                             _mm256_cmpgt_epi32(_mm256_madd_epi16(high, high), limits));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + x),
                            _mm256_and_si256(_mm256_packs_epi16(masks[0], masks[1]), marks));
    }
    DetectEdgesRow_Sse2(destination + done, above + done, row + done, below + done, width - done, limit,
                        edgeValue);
}

}  // namespace VelImageUtility
