// AVX2 kernels of the box blur: two pixels' four lanes to a register. They
// give the SSE2 kernels' bytes and leave them the last pixels of a row.
#include <immintrin.h>

#include "services/BlurKernels.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kLanes = 4;

// The four lanes of pixels `x` and x + 1 widened to 32 bits.
__m256i WidenPair(const uint8_t* row, int32_t x) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x * kLanes)));
}

template <bool kEnter, bool kLeave>
int32_t UpdateColumnGroups(uint32_t* columns, const uint8_t* entering, const uint8_t* leaving, int32_t width) {
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        if (kEnter) _mm_prefetch(reinterpret_cast<const char*>(entering + x * kLanes + kEnteringPrefetchBytes), _MM_HINT_T0);
        for (int32_t pair = x; pair < x + 8; pair += 2) {
            __m256i* at = reinterpret_cast<__m256i*>(columns + pair * kLanes);
            __m256i sum = _mm256_loadu_si256(at);
            if (kEnter) sum = _mm256_add_epi32(sum, WidenPair(entering, pair));
            if (kLeave) sum = _mm256_sub_epi32(sum, WidenPair(leaving, pair));
            _mm256_storeu_si256(at, sum);
        }
    }
    return x;
}

const __m256i* PixelPair(const uint32_t* columns, int32_t x) {
    return reinterpret_cast<const __m256i*>(columns + x * kLanes);
}

// Groups of 8 pixels; returns the first pixel not done.
template <bool kDivide>
int32_t MiddleGroups(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end, int32_t radius,
                     uint32_t* window, float factor) {
    __m256i running = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(window)));
    const __m256 factors = _mm256_set1_ps(factor);
    // Window sums of pixels x and x + 1: the differences of the entering
    // and leaving columns summed along the pair, the carry off the chain.
    auto pair = [&](int32_t x) {
        const __m256i delta = _mm256_sub_epi32(_mm256_loadu_si256(PixelPair(columns, x + radius)),
                                               _mm256_loadu_si256(PixelPair(columns, x - radius - 1)));
        const __m256i along = _mm256_add_epi32(delta, _mm256_permute2x128_si256(delta, delta, 0x08));
        const __m256i sums = _mm256_add_epi32(running, along);
        running = _mm256_add_epi32(running, _mm256_permute2x128_si256(along, along, 0x11));
        const __m256 values = _mm256_cvtepi32_ps(sums);
        return _mm256_cvttps_epi32(kDivide ? _mm256_div_ps(values, factors) : _mm256_mul_ps(values, factors));
    };
    // The in-lane packs leave pixels 0 2 4 6 | 1 3 5 7.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m256i colours = _mm256_set1_epi32(0x00FFFFFF);
    int32_t x = first;
    for (; x + 8 <= end; x += 8) {
        const __m256i q0 = pair(x), q1 = pair(x + 2), q2 = pair(x + 4), q3 = pair(x + 6);
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(q0, q1), _mm256_packs_epi32(q2, q3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x * kLanes),
                            _mm256_and_si256(_mm256_permutevar8x32_epi32(bytes, order), colours));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(window), _mm256_castsi256_si128(running));
    return x;
}

}  // namespace

void UpdateBoxColumns_Avx2(uint32_t* columns, const uint8_t* entering, const uint8_t* leaving, int32_t width) {
    int32_t done = 0;
    if (entering != nullptr && leaving != nullptr) {
        done = UpdateColumnGroups<true, true>(columns, entering, leaving, width);
    } else if (entering != nullptr) {
        done = UpdateColumnGroups<true, false>(columns, entering, leaving, width);
    } else if (leaving != nullptr) {
        done = UpdateColumnGroups<false, true>(columns, entering, leaving, width);
    }
    const int32_t offset = done * kLanes;
    UpdateBoxColumns_Sse2(columns + offset, entering != nullptr ? entering + offset : nullptr,
                          leaving != nullptr ? leaving + offset : nullptr, width - done);
}

void BoxBlurMiddle_Avx2(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end,
                        int32_t radius, uint32_t* window, float factor, bool divide) {
    const int32_t done = divide ? MiddleGroups<true>(out, columns, first, end, radius, window, factor)
                                : MiddleGroups<false>(out, columns, first, end, radius, window, factor);
    BoxBlurMiddle_Sse2(out, columns, done, end, radius, window, factor, divide);
}

}  // namespace VelImageUtility
