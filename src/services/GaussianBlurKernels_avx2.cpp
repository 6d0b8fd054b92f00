// AVX2 rows of the Gaussian blur. They give the SSE2 rows' bytes: each
// channel's weighted sum is the same exact integer (symmetric weights let
// the two pixels of a weight be added first, in 16 bits) and is divided by
// the weights used with the same single-precision division and rounding,
// or multiplied by their reciprocal where the caller found it rounds alike.
#include "services/BlurKernels.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kLanes = 4;
constexpr int32_t kGroup = 8;  // pixels per step

bool IsSymmetric(const int32_t* weights, int32_t count) {
    if (count % 2 == 0) return false;
    for (int32_t i = 0; i < count / 2; ++i) {
        if (weights[i] != weights[count - 1 - i]) return false;
    }
    return true;
}

// The folded taps are t = 0 .. half: tap t < half weighs rows t and
// 2 * half - t with weights[t], tap half the centre row alone. Entry p holds
// taps 2p and 2p + 1 as 16-bit weights (a missing last tap weighs 0).
void FoldedWeightPairs(const int32_t* weights, int32_t half, int32_t* pairs) {
    for (int32_t t = 0; t <= half; t += 2) {
        const uint32_t low = static_cast<uint32_t>(weights[t]) & 0xFFFFu;
        const uint32_t high = t + 1 <= half ? static_cast<uint32_t>(weights[t + 1]) << 16 : 0u;
        pairs[t / 2] = static_cast<int32_t>(low | high);
    }
}

// Eight pixels' bytes as two vectors of 16-bit lanes, in one of two orders.
struct Lanes {
    __m256i a, b;
};

// Weighted sums over 32-bit lanes divided by the weights used (lane 3 of
// each pixel), rounded to nearest.
inline __m256i Normalise(__m256i sums) {
    const __m256 values = _mm256_cvtepi32_ps(sums);
    const __m256 used = _mm256_shuffle_ps(values, values, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm256_cvtps_epi32(_mm256_div_ps(values, used));
}

// Pixels 0..3 in `a` and 4..7 in `b`, each pixel's four lanes together;
// every pixel may use other weights.
struct PixelOrder {
    static Lanes Widen(const uint8_t* pixels) {
        return {_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels))),
                _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 16)))};
    }
    static Lanes Fold(const uint8_t* x, const uint8_t* y) {
        const Lanes a = Widen(x), b = Widen(y);
        return {_mm256_add_epi16(a.a, b.a), _mm256_add_epi16(a.b, b.b)};
    }
    // Sums of pixels 0|2, 1|3, 4|6 and 5|7 (low|high half).
    void Store(uint8_t* out, __m256i s0, __m256i s1, __m256i s2, __m256i s3) const {
        const __m256i low = _mm256_packs_epi32(Normalise(s0), Normalise(s1));   // 0 1 | 2 3
        const __m256i high = _mm256_packs_epi32(Normalise(s2), Normalise(s3));  // 4 5 | 6 7
        const __m256i bytes = _mm256_packus_epi16(low, high);                   // 0 1 4 5 | 2 3 6 7
        Store32(out, _mm256_permute4x64_epi64(bytes, _MM_SHUFFLE(3, 1, 2, 0)));
    }
};

// Pixels 0, 1 | 4, 5 in `a` and 2, 3 | 6, 7 in `b`, which the stores put
// back in order without a lane crossing; every pixel uses the same
// weights. The sums are multiplied by `factor` (kProduct: the reciprocal of
// the weights used) or divided by it (the weights used). With kUnitAlpha
// the alpha sums are dropped and alpha written as 1.
template <bool kProduct, bool kUnitAlpha>
struct UniformOrder {
    __m256 factor;

    static Lanes Widen(const uint8_t* pixels) {
        const __m256i bytes = Load32(pixels), zero = _mm256_setzero_si256();
        return {_mm256_unpacklo_epi8(bytes, zero), _mm256_unpackhi_epi8(bytes, zero)};
    }
    // The two rows' bytes side by side, each pair added by one multiply-add.
    static Lanes Fold(const uint8_t* x, const uint8_t* y) {
        const __m256i a = Load32(x), b = Load32(y), ones = _mm256_set1_epi8(1);
        return {_mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), ones),
                _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), ones)};
    }
    __m256i Divided(__m256i sums) const {
        const __m256 values = _mm256_cvtepi32_ps(sums);
        return _mm256_cvtps_epi32(kProduct ? _mm256_mul_ps(values, factor) : _mm256_div_ps(values, factor));
    }
    // Sums of pixels 0|4, 1|5, 2|6 and 3|7 (low|high half).
    void Store(uint8_t* out, __m256i s0, __m256i s1, __m256i s2, __m256i s3) const {
        const __m256i low = _mm256_packs_epi32(Divided(s0), Divided(s1));
        const __m256i high = _mm256_packs_epi32(Divided(s2), Divided(s3));
        __m256i bytes = _mm256_packus_epi16(low, high);
        if (kUnitAlpha) {
            bytes = _mm256_or_si256(_mm256_and_si256(bytes, _mm256_set1_epi32(0x00FFFFFF)),
                                    _mm256_set1_epi32(0x01000000));
        }
        Store32(out, bytes);
    }
};

// `body(order, half)` with the UniformOrder for weights adding up to `used`,
// and with `half` a constant where it is small, so that the taps' loop is
// unrolled.
template <int32_t N>
struct Fixed {
    static constexpr int32_t value = N;
};
struct Varying {
    int32_t value;
};
template <bool kUnitAlpha, typename Body>
void WithUniformOrder(float used, int32_t productUsed, int32_t half, Body body) {
    auto withHalf = [&](auto order) {
        switch (half) {
            case 1: return body(order, Fixed<1>{});
            case 2: return body(order, Fixed<2>{});
            case 3: return body(order, Fixed<3>{});
            case 4: return body(order, Fixed<4>{});
            case 5: return body(order, Fixed<5>{});
            default: return body(order, Varying{half});
        }
    };
    if (productUsed != 0 && used == static_cast<float>(productUsed)) {
        withHalf(UniformOrder<true, kUnitAlpha>{_mm256_set1_ps(1.0f / used)});
    } else {
        withHalf(UniformOrder<false, kUnitAlpha>{_mm256_set1_ps(used)});
    }
}

// Eight output pixels at byte `offset` of `out` from rows rowAt(0 ..
// 2 * half), each read at `offset`; `pairs` from FoldedWeightPairs.
template <typename Order, typename RowAt>
inline void FoldedGroup(uint8_t* out, RowAt rowAt, int32_t half, const int32_t* pairs, int32_t offset,
                        const Order& order) {
    __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0, s3 = s0;
    auto add = [&](Lanes x, Lanes y, int32_t pair) {
        const __m256i weight = _mm256_set1_epi32(pairs[pair]);
        s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(_mm256_unpacklo_epi16(x.a, y.a), weight));
        s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(_mm256_unpackhi_epi16(x.a, y.a), weight));
        s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(_mm256_unpacklo_epi16(x.b, y.b), weight));
        s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(_mm256_unpackhi_epi16(x.b, y.b), weight));
    };
    const int32_t last = 2 * half;
    auto folded = [&](int32_t t) { return Order::Fold(rowAt(t) + offset, rowAt(last - t) + offset); };
    int32_t t = 0;
    for (; t + 1 < half; t += 2) add(folded(t), folded(t + 1), t / 2);
    const Lanes centre = Order::Widen(rowAt(half) + offset);
    if (t < half) {
        add(folded(t), centre, t / 2);
    } else {
        const __m256i zero = _mm256_setzero_si256();
        add(centre, {zero, zero}, t / 2);
    }
    order.Store(out + offset, s0, s1, s2, s3);
}

// The weights used as the 16-bit multiply-add reads them (32768 as -32768).
float UsedWeights(const int32_t* weights, int32_t count) {
    int32_t used = 0;
    for (int32_t i = 0; i < count; ++i) used += static_cast<int16_t>(weights[i] & 0xFFFF);
    return static_cast<float>(used);
}

// The groups of 8 pixels of a row of `width` (at least kGroup) pixels, the
// last one overlapping the one before where width is not a multiple of 8.
template <typename Group>
void ForEachGroup(int32_t width, Group group) {
    for (int32_t x = 0;; x += kGroup) {
        if (x > width - kGroup) x = width - kGroup;
        group(x);
        if (x == width - kGroup) break;
    }
}

}  // namespace

void GaussianRowHorizontal_Avx2(uint8_t* out, const uint8_t* row, int32_t width,
                                const int32_t* weights, int32_t radius, void* pairs,
                                void* weightPairs, int32_t productUsed) {
    if (width < kGroup || !IsSymmetric(weights, 2 * radius + 1)) {
        GaussianRowHorizontal_Sse2(out, row, width, weights, radius, pairs, weightPairs, productUsed);
        return;
    }
    // The row between `radius` zero pixels on each side, alpha replaced by
    // 1, so that clipped taps add nothing to the sums nor to the weights
    // used. Only the groups near the ends read it: the pixels up to
    // 2 * radius + kGroup from each end are copied.
    uint8_t* padded = static_cast<uint8_t*>(pairs);
    const __m128i zero = _mm_setzero_si128();
    for (int32_t x = 0; x < radius; ++x) {
        _mm_storeu_si32(padded + x * kLanes, zero);
        _mm_storeu_si32(padded + (radius + width + x) * kLanes, zero);
    }
    uint8_t* middle = padded + radius * kLanes;
    const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF), unitAlpha = _mm256_set1_epi32(0x01000000);
    auto copy = [&](int32_t first, int32_t count) {
        ForEachGroup(count, [&](int32_t x) {
            const int32_t at = (first + x) * kLanes;
            Store32(middle + at, _mm256_or_si256(_mm256_and_si256(Load32(row + at), colourMask), unitAlpha));
        });
    };
    const int32_t end = 2 * radius + kGroup;
    if (2 * end >= width) {
        copy(0, width);
    } else {
        copy(0, end);
        copy(width - end, end);
    }
    int32_t* tapPairs = static_cast<int32_t*>(weightPairs);
    FoldedWeightPairs(weights, radius, tapPairs);
    // Groups whose windows are all complete read the row itself.
    const PixelOrder clipped;
    // Values, not references, so that the stores leave them in registers.
    const int32_t* taps = tapPairs;
    WithUniformOrder<true>(UsedWeights(weights, 2 * radius + 1), productUsed, radius, [=](auto order, auto half) {
        ForEachGroup(width, [=](int32_t x) {
            if (x >= radius && x + kGroup + radius <= width) {
                FoldedGroup(out, [row, radius](int32_t t) { return row + (t - radius) * kLanes; }, half.value, taps,
                            x * kLanes, order);
            } else {
                FoldedGroup(out, [padded](int32_t t) { return padded + t * kLanes; }, radius, taps, x * kLanes,
                            clipped);
            }
        });
    });
}

void GaussianRowsVertical_Avx2(uint8_t* out, const uint8_t* const* rows, const int32_t* weights,
                               int32_t count, int32_t width, void* weightPairs, int32_t productUsed) {
    if (width < kGroup || !IsSymmetric(weights, count)) {
        GaussianRowsVertical_Sse2(out, rows, weights, count, width, weightPairs, productUsed);
        return;
    }
    int32_t* rowPairs = static_cast<int32_t*>(weightPairs);
    const int32_t half = count / 2;
    FoldedWeightPairs(weights, half, rowPairs);
    const int32_t* taps = rowPairs;
    WithUniformOrder<false>(UsedWeights(weights, count), productUsed, half, [=](auto order, auto fixed) {
        ForEachGroup(width, [=](int32_t x) {
            FoldedGroup(out, [rows](int32_t t) { return rows[t]; }, fixed.value, taps, x * kLanes, order);
        });
    });
}

// The outputs in strips of columns, so that the ring rows they share are
// read from the cache nearest the core.
void GaussianRowsVerticalBatch_Avx2(uint8_t* const* out, int32_t outputs, const uint8_t* const* rows,
                                    const int32_t* weights, int32_t count, int32_t width, void* weightPairs,
                                    int32_t productUsed) {
    if (width < kGroup || !IsSymmetric(weights, count)) {
        GaussianRowsVerticalBatch_Sse2(out, outputs, rows, weights, count, width, weightPairs, productUsed);
        return;
    }
    constexpr int32_t kStrip = 32 * kGroup;
    int32_t* rowPairs = static_cast<int32_t*>(weightPairs);
    const int32_t half = count / 2;
    FoldedWeightPairs(weights, half, rowPairs);
    const int32_t* taps = rowPairs;
    WithUniformOrder<false>(UsedWeights(weights, count), productUsed, half, [=](auto order, auto fixed) {
        for (int32_t strip = 0; strip < width; strip += kStrip) {
            const int32_t end = strip + kStrip < width ? strip + kStrip : width;
            for (int32_t j = 0; j < outputs; ++j) {
                const uint8_t* const* window = rows + j;
                for (int32_t x = strip; x < end; x += kGroup) {
                    const int32_t at = x + kGroup <= width ? x : width - kGroup;
                    FoldedGroup(out[j], [window](int32_t t) { return window[t]; }, fixed.value, taps, at * kLanes,
                                order);
                }
            }
        }
    });
}

}  // namespace VelImageUtility
