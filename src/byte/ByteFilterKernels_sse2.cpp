#include <emmintrin.h>

#include <cstring>

#include "byte/ByteKernels.h"

namespace VelImageUtility {

namespace {

inline __m128i Load(const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); }
inline void Store(void* at, __m128i value) { _mm_storeu_si128(static_cast<__m128i*>(at), value); }

// Adds the signed 16-bit lanes of `delta` to 8 column sums.
inline void AddToSums(uint32_t* sums, __m128i delta) {
    const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(delta, delta), 16);
    const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(delta, delta), 16);
    Store(sums, _mm_add_epi32(Load(sums), low));
    Store(sums + 4, _mm_add_epi32(Load(sums + 4), high));
}

// The window sum of one pixel divided by its count, as the vector lanes do it.
inline uint8_t DivideByFloat(uint32_t sum, float reciprocal) {
    return static_cast<uint8_t>(static_cast<int32_t>(static_cast<float>(static_cast<int32_t>(sum)) * reciprocal));
}

}  // namespace

void UpdateColumnSums_Sse2(uint32_t* columnSums, const uint8_t* entering, const uint8_t* leaving,
                           int32_t width) {
    // entering - leaving in 16-bit lanes; an absent row reads as zeros.
    const __m128i zero = _mm_setzero_si128();
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i in = entering != nullptr ? Load(entering + x) : zero;
        const __m128i out = leaving != nullptr ? Load(leaving + x) : zero;
        AddToSums(columnSums + x, _mm_sub_epi16(_mm_unpacklo_epi8(in, zero), _mm_unpacklo_epi8(out, zero)));
        AddToSums(columnSums + x + 8, _mm_sub_epi16(_mm_unpackhi_epi8(in, zero), _mm_unpackhi_epi8(out, zero)));
    }
    UpdateColumnSums_Plain(columnSums + x, entering != nullptr ? entering + x : nullptr,
                           leaving != nullptr ? leaving + x : nullptr, width - x);
}

void BoxBlurRow_Sse2(uint8_t* destination, const uint32_t* columnSums, int32_t width, int32_t radius,
                     const float* reciprocals) {
    uint32_t sum = 0;
    for (int32_t x = 0; x <= radius; ++x) sum += columnSums[x];
    destination[0] = DivideByFloat(sum, reciprocals[0]);
    int32_t x = 1;
    for (; x <= radius; ++x) {
        sum += columnSums[x + radius];
        destination[x] = DivideByFloat(sum, reciprocals[x]);
    }
    // In the middle the window sums of 4 pixels are the running sum plus the
    // prefix sums of their column differences; sums stay below 2^24, so the
    // signed conversion to float is exact.
    const float full = reciprocals[radius];
    const __m128 fullVector = _mm_set1_ps(full);
    __m128i running = _mm_set1_epi32(static_cast<int32_t>(sum));
    auto quotients = [&](int32_t at) {
        __m128i sums = _mm_sub_epi32(Load(columnSums + at + radius), Load(columnSums + at - radius - 1));
        sums = _mm_add_epi32(sums, _mm_slli_si128(sums, 4));
        sums = _mm_add_epi32(sums, _mm_slli_si128(sums, 8));
        // The carry waits on one add per group, not on the shuffle too.
        const __m128i total = _mm_shuffle_epi32(sums, _MM_SHUFFLE(3, 3, 3, 3));
        sums = _mm_add_epi32(sums, running);
        running = _mm_add_epi32(running, total);
        return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sums), fullVector));
    };
    const int32_t middleEnd = width - radius;
    for (; x + 16 <= middleEnd; x += 16) {
        const __m128i q0 = quotients(x), q1 = quotients(x + 4), q2 = quotients(x + 8), q3 = quotients(x + 12);
        Store(destination + x, _mm_packus_epi16(_mm_packs_epi32(q0, q1), _mm_packs_epi32(q2, q3)));
    }
    for (; x + 4 <= middleEnd; x += 4) {
        const __m128i q = quotients(x);
        const int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), q));
        std::memcpy(destination + x, &bytes, 4);
    }
    sum = static_cast<uint32_t>(_mm_cvtsi128_si32(running));
    for (; x < middleEnd; ++x) {
        sum += columnSums[x + radius] - columnSums[x - radius - 1];
        destination[x] = DivideByFloat(sum, full);
    }
    for (; x < width; ++x) {
        sum -= columnSums[x - radius - 1];
        destination[x] = DivideByFloat(sum, reciprocals[width - 1 - x]);
    }
}

void DetectEdgesRow_Sse2(uint8_t* destination, const uint8_t* above, const uint8_t* row,
                         const uint8_t* below, int32_t width, int32_t limit, uint8_t edgeValue) {
    // gx and gy in 16-bit lanes (-765..765); madd of the interleaved pair
    // gives gx^2 + gy^2 in 32 bits. Groups of 16 interior pixels read from
    // one left of the first to one right of the last.
    const __m128i zero = _mm_setzero_si128();
    const __m128i limits = _mm_set1_epi32(limit);
    const __m128i marks = _mm_set1_epi8(static_cast<char>(edgeValue));
    const int32_t interior = width - 2;
    int32_t done = 0;
    for (; done + 16 <= interior; done += 16) {
        const int32_t x = done + 1;
        const __m128i a0 = Load(above + x - 1), a1 = Load(above + x), a2 = Load(above + x + 1);
        const __m128i r0 = Load(row + x - 1), r2 = Load(row + x + 1);
        const __m128i b0 = Load(below + x - 1), b1 = Load(below + x), b2 = Load(below + x + 1);
        __m128i masks[2];
        for (int32_t half = 0; half < 2; ++half) {
            const auto widen = [&](__m128i v) {
                return half == 0 ? _mm_unpacklo_epi8(v, zero) : _mm_unpackhi_epi8(v, zero);
            };
            const __m128i gy = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(widen(b0), widen(b1)), widen(b2)),
                                             _mm_add_epi16(_mm_add_epi16(widen(a0), widen(a1)), widen(a2)));
            const __m128i gx = _mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(widen(a2), widen(r2)), widen(b2)),
                                             _mm_add_epi16(_mm_add_epi16(widen(a0), widen(r0)), widen(b0)));
            const __m128i low = _mm_unpacklo_epi16(gx, gy), high = _mm_unpackhi_epi16(gx, gy);
            masks[half] = _mm_packs_epi32(_mm_cmpgt_epi32(_mm_madd_epi16(low, low), limits),
                                          _mm_cmpgt_epi32(_mm_madd_epi16(high, high), limits));
        }
        Store(destination + x, _mm_and_si128(_mm_packs_epi16(masks[0], masks[1]), marks));
    }
    DetectEdgesRow_Plain(destination + done, above + done, row + done, below + done, width - done, limit,
                         edgeValue);
}

}  // namespace VelImageUtility
