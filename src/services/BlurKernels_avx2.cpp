// AVX2 kernels of the box blurs: two pixels' four lanes to a register. They
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

// 8 pixels' lanes added to (taken from) the 16-bit sums of their columns
// where alpha is not 0, and their number to (from) the counts.
template <bool kAdd>
void AccumulateOpaque8(const uint8_t* row, __m256i* low, __m256i* high, __m256i* counts) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row));
    const __m256i transparent = _mm256_cmpeq_epi32(
        _mm256_and_si256(pixels, _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u))), _mm256_setzero_si256());
    const __m256i kept = _mm256_andnot_si256(transparent, pixels);
    const __m256i first = _mm256_cvtepu8_epi16(_mm256_castsi256_si128(kept));
    const __m256i second = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(kept, 1));
    const __m256i opaque = _mm256_xor_si256(transparent, _mm256_set1_epi32(-1));
    if (kAdd) {
        *low = _mm256_add_epi16(*low, first);
        *high = _mm256_add_epi16(*high, second);
        *counts = _mm256_sub_epi32(*counts, opaque);
    } else {
        *low = _mm256_sub_epi16(*low, first);
        *high = _mm256_sub_epi16(*high, second);
        *counts = _mm256_add_epi32(*counts, opaque);
    }
}

template <bool kEnter, bool kLeave>
int32_t UpdateOpaqueGroups(uint16_t* sums, uint32_t* counts, const uint8_t* entering, const uint8_t* leaving,
                           int32_t width) {
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const int32_t offset = x * kLanes;
        if (kEnter) _mm_prefetch(reinterpret_cast<const char*>(entering + offset + kEnteringPrefetchBytes), _MM_HINT_T0);
        __m256i* sum = reinterpret_cast<__m256i*>(sums + offset);
        __m256i* count = reinterpret_cast<__m256i*>(counts + x);
        __m256i low = _mm256_loadu_si256(sum), high = _mm256_loadu_si256(sum + 1), opaque = _mm256_loadu_si256(count);
        if (kEnter) AccumulateOpaque8<true>(entering + offset, &low, &high, &opaque);
        if (kLeave) AccumulateOpaque8<false>(leaving + offset, &low, &high, &opaque);
        _mm256_storeu_si256(sum, low);
        _mm256_storeu_si256(sum + 1, high);
        _mm256_storeu_si256(count, opaque);
    }
    return x;
}

const __m256i* PixelPair(const uint32_t* columns, int32_t x) {
    return reinterpret_cast<const __m256i*>(columns + x * kLanes);
}

// Window sums of pixels x and x + 1 from their lane differences: `running`,
// the sums before x in both halves, moves past the pair with one add on its
// chain.
__m256i SumsOfPair(__m256i delta, __m256i* running) {
    const __m256i along = _mm256_add_epi32(delta, _mm256_permute2x128_si256(delta, delta, 0x08));
    const __m256i sums = _mm256_add_epi32(*running, along);
    *running = _mm256_add_epi32(*running, _mm256_permute2x128_si256(along, along, 0x11));
    return sums;
}

// The 32-bit lanes of pixel pairs 0 1, 2 3, 4 5, 6 7 as 8 pixels' bytes in
// order (the in-lane packs leave them 0 2 4 6 | 1 3 5 7).
__m256i PackPixels(__m256i q01, __m256i q23, __m256i q45, __m256i q67) {
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(q01, q23), _mm256_packs_epi32(q45, q67));
    return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// Groups of 8 pixels; returns the first pixel not done.
template <bool kDivide>
int32_t MiddleGroups(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end, int32_t radius,
                     uint32_t* window, float factor) {
    __m256i running = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(window)));
    const __m256 factors = _mm256_set1_ps(factor);
    auto pair = [&](int32_t x) {
        const __m256i delta = _mm256_sub_epi32(_mm256_loadu_si256(PixelPair(columns, x + radius)),
                                               _mm256_loadu_si256(PixelPair(columns, x - radius - 1)));
        const __m256 values = _mm256_cvtepi32_ps(SumsOfPair(delta, &running));
        return _mm256_cvttps_epi32(kDivide ? _mm256_div_ps(values, factors) : _mm256_mul_ps(values, factors));
    };
    const __m256i colours = _mm256_set1_epi32(0x00FFFFFF);
    int32_t x = first;
    for (; x + 8 <= end; x += 8) {
        const __m256i q01 = pair(x), q23 = pair(x + 2), q45 = pair(x + 4), q67 = pair(x + 6);
        const __m256i bytes = PackPixels(q01, q23, q45, q67);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x * kLanes), _mm256_and_si256(bytes, colours));
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

void UpdateOpaqueColumns_Avx2(uint16_t* sums, uint32_t* counts, const uint8_t* entering,
                              const uint8_t* leaving, int32_t width) {
    int32_t done = 0;
    if (entering != nullptr && leaving != nullptr) {
        done = UpdateOpaqueGroups<true, true>(sums, counts, entering, leaving, width);
    } else if (entering != nullptr) {
        done = UpdateOpaqueGroups<true, false>(sums, counts, entering, leaving, width);
    } else if (leaving != nullptr) {
        done = UpdateOpaqueGroups<false, true>(sums, counts, entering, leaving, width);
    }
    const int32_t offset = done * kLanes;
    UpdateOpaqueColumns_Sse2(sums + offset, counts + done, entering != nullptr ? entering + offset : nullptr,
                             leaving != nullptr ? leaving + offset : nullptr, width - done);
}

void BoxBlurMiddle_Avx2(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end,
                        int32_t radius, uint32_t* window, float factor, bool divide) {
    const int32_t done = divide ? MiddleGroups<true>(out, columns, first, end, radius, window, factor)
                                : MiddleGroups<false>(out, columns, first, end, radius, window, factor);
    BoxBlurMiddle_Sse2(out, columns, done, end, radius, window, factor, divide);
}

int32_t OpaqueBoxBlurMiddle_Avx2(uint8_t* out, const uint16_t* sums, const uint32_t* counts,
                                 int32_t first, int32_t end, int32_t radius, uint32_t* window,
                                 const float* reciprocals, float alphaReciprocal) {
    __m256i running = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(window)));
    int32_t opaque = static_cast<int32_t>(window[kLanes]);
    const __m256 alphaFactor = _mm256_set1_ps(alphaReciprocal);
    auto quotients = [&](__m256i pair, int32_t x) {
        int32_t counted[2];
        for (int32_t k = 0; k < 2; ++k) {
            opaque += static_cast<int32_t>(counts[x + k + radius] - counts[x + k - radius - 1]);
            counted[k] = opaque;
        }
        const __m256 colours = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_set1_ps(OpaqueReciprocal(reciprocals, counted[0]))),
                                                    _mm_set1_ps(OpaqueReciprocal(reciprocals, counted[1])), 1);
        const __m256 factors = _mm256_blend_ps(colours, alphaFactor, 0x88);
        return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(pair), factors));
    };
    int32_t x = first;
    for (; x + 8 <= end; x += 8) {
        __m256i q[4];
        for (int32_t half = 0; half < 2; ++half) {
            const int32_t at = x + 4 * half;
            // 16-bit differences of 4 columns (within +-32385), widened.
            const __m256i delta = _mm256_sub_epi16(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + (at + radius) * kLanes)),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + (at - radius - 1) * kLanes)));
            const __m256i low = SumsOfPair(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(delta)), &running);
            const __m256i high = SumsOfPair(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(delta, 1)), &running);
            q[2 * half] = quotients(low, at);
            q[2 * half + 1] = quotients(high, at + 2);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x * kLanes), PackPixels(q[0], q[1], q[2], q[3]));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(window), _mm256_castsi256_si128(running));
    window[kLanes] = static_cast<uint32_t>(opaque);
    return x;
}

}  // namespace VelImageUtility
