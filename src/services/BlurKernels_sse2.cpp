// SSE2 kernels of the 32-bit blurs; see BlurKernels.h for where their
// results may differ from the plain kernels'.
#include <emmintrin.h>

#include <cstring>

#include "services/BlurKernels.h"
#include "services/ColourConversion_sse2.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kLanes = 4;

inline __m128i LoadPixel(const uint8_t* pixel) {
    int32_t value;
    std::memcpy(&value, pixel, sizeof value);
    return _mm_cvtsi32_si128(value);
}

// Packs the four 32-bit lanes of one pixel (0..255 each, or saturated) into
// its 4 bytes, alpha from `alphaMask` (0 clears it).
inline void StorePixel(uint8_t* out, __m128i lanes) {
    const __m128i words = _mm_packs_epi32(lanes, lanes);
    const int32_t value = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(out, &value, sizeof value);
}

inline void StorePixelNoAlpha(uint8_t* out, __m128i lanes) {
    StorePixel(out, _mm_and_si128(lanes, _mm_setr_epi32(-1, -1, -1, 0)));
}

// Four pixels' bytes widened into four 32-bit lanes each.
struct Widened {
    __m128i p0, p1, p2, p3;
};

inline Widened Widen(__m128i bytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    const __m128i high = _mm_unpackhi_epi8(bytes, zero);
    return {_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
            _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)};
}

// The entering row's lanes added to 4 columns, the leaving row's taken away.
template <bool kEnter, bool kLeave>
inline void UpdateFourColumns(__m128i* sums, __m128i entering, __m128i leaving) {
    const __m128i zero = _mm_setzero_si128();
    if (kEnter && kLeave) {
        // Differences of 16-bit lanes, sign-extended.
        const __m128i low = _mm_sub_epi16(_mm_unpacklo_epi8(entering, zero), _mm_unpacklo_epi8(leaving, zero));
        const __m128i high = _mm_sub_epi16(_mm_unpackhi_epi8(entering, zero), _mm_unpackhi_epi8(leaving, zero));
        const __m128i lowSign = _mm_srai_epi16(low, 15), highSign = _mm_srai_epi16(high, 15);
        const __m128i deltas[4] = {_mm_unpacklo_epi16(low, lowSign), _mm_unpackhi_epi16(low, lowSign),
                                   _mm_unpacklo_epi16(high, highSign), _mm_unpackhi_epi16(high, highSign)};
        for (int32_t k = 0; k < 4; ++k) _mm_store_si128(sums + k, _mm_add_epi32(_mm_load_si128(sums + k), deltas[k]));
    } else if (kEnter) {
        const Widened pixels = Widen(entering);
        const __m128i values[4] = {pixels.p0, pixels.p1, pixels.p2, pixels.p3};
        for (int32_t k = 0; k < 4; ++k) _mm_store_si128(sums + k, _mm_add_epi32(_mm_load_si128(sums + k), values[k]));
    } else {
        const Widened pixels = Widen(leaving);
        const __m128i values[4] = {pixels.p0, pixels.p1, pixels.p2, pixels.p3};
        for (int32_t k = 0; k < 4; ++k) _mm_store_si128(sums + k, _mm_sub_epi32(_mm_load_si128(sums + k), values[k]));
    }
}

template <bool kEnter, bool kLeave>
void UpdateBoxColumnsWith(uint32_t* columns, const uint8_t* entering, const uint8_t* leaving, int32_t width) {
    __m128i* sums = reinterpret_cast<__m128i*>(columns);
    const __m128i zero = _mm_setzero_si128();
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const int32_t offset = x * kLanes;
        if (kEnter && x % 16 == 0) _mm_prefetch(reinterpret_cast<const char*>(entering + offset + kEnteringPrefetchBytes), _MM_HINT_T0);
        UpdateFourColumns<kEnter, kLeave>(
            sums + x, kEnter ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(entering + offset)) : zero,
            kLeave ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(leaving + offset)) : zero);
    }
    for (; x < width; ++x) {
        __m128i sum = _mm_load_si128(sums + x);
        if (kEnter) sum = _mm_add_epi32(sum, Widen(LoadPixel(entering + x * kLanes)).p0);
        if (kLeave) sum = _mm_sub_epi32(sum, Widen(LoadPixel(leaving + x * kLanes)).p0);
        _mm_store_si128(sums + x, sum);
    }
}

inline __m128 Broadcast(float value) { return _mm_set1_ps(value); }

inline __m128i TruncatedQuotient(__m128i sums, __m128 area) {
    return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(sums), area));
}

inline __m128i TruncatedProduct(__m128i sums, __m128 reciprocal) {
    return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sums), reciprocal));
}

template <bool kDivide>
void BoxBlurMiddleWith(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end,
                       int32_t radius, uint32_t* window, float factor) {
    const __m128i* sums = reinterpret_cast<const __m128i*>(columns);
    const __m128 factors = Broadcast(factor);
    __m128i running = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
    auto delta = [&](int32_t x) {
        return _mm_sub_epi32(_mm_load_si128(sums + x + radius), _mm_load_si128(sums + x - radius - 1));
    };
    auto quotients = [&](__m128i window) {
        return kDivide ? TruncatedQuotient(window, factors) : TruncatedProduct(window, factors);
    };
    const __m128i colours = _mm_set1_epi32(0x00FFFFFF);
    int32_t x = first;
    // Window sums wrap alike in any order: the 4 pixels' differences are
    // summed apart, so the running chain waits on one add per group.
    for (; x + 4 <= end; x += 4) {
        const __m128i d0 = delta(x), d01 = _mm_add_epi32(d0, delta(x + 1));
        const __m128i d012 = _mm_add_epi32(d01, delta(x + 2)), d0123 = _mm_add_epi32(d012, delta(x + 3));
        const __m128i q0 = quotients(_mm_add_epi32(running, d0)), q1 = quotients(_mm_add_epi32(running, d01));
        const __m128i q2 = quotients(_mm_add_epi32(running, d012)), q3 = quotients(_mm_add_epi32(running, d0123));
        running = _mm_add_epi32(running, d0123);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(q0, q1), _mm_packs_epi32(q2, q3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * kLanes), _mm_and_si128(bytes, colours));
    }
    auto next = [&](int32_t at) {
        running = _mm_add_epi32(running, delta(at));
        return quotients(running);
    };
    for (; x < end; ++x) StorePixelNoAlpha(out + x * kLanes, next(x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(window), running);
}

}  // namespace

void UpdateBoxColumns_Sse2(uint32_t* columns, const uint8_t* entering, const uint8_t* leaving, int32_t width) {
    if (entering != nullptr && leaving != nullptr) {
        UpdateBoxColumnsWith<true, true>(columns, entering, leaving, width);
    } else if (entering != nullptr) {
        UpdateBoxColumnsWith<true, false>(columns, entering, leaving, width);
    } else if (leaving != nullptr) {
        UpdateBoxColumnsWith<false, true>(columns, entering, leaving, width);
    }
}

void BoxBlurMiddle_Sse2(uint8_t* out, const uint32_t* columns, int32_t first, int32_t end,
                        int32_t radius, uint32_t* window, float factor, bool divide) {
    if (divide) {
        BoxBlurMiddleWith<true>(out, columns, first, end, radius, window, factor);
    } else {
        BoxBlurMiddleWith<false>(out, columns, first, end, radius, window, factor);
    }
}

void BoxBlurRow_Sse2(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                     int32_t windowRows, bool reciprocalRow, bool reciprocalFirst,
                     BoxBlurMiddle middle) {
    const __m128i* sums = reinterpret_cast<const __m128i*>(columns);
    __m128i running = _mm_setzero_si128();
    for (int32_t x = 0; x < radius; ++x) running = _mm_add_epi32(running, _mm_load_si128(sums + x));
    const float rows = static_cast<float>(windowRows);
    // Left edge: the window grows, nothing leaves it.
    int32_t x = 0;
    for (; x <= radius; ++x) {
        running = _mm_add_epi32(running, _mm_load_si128(sums + x + radius));
        const __m128 area = Broadcast(static_cast<float>(x + radius + 1) * rows);
        const __m128i result = x == 0 && reciprocalFirst ? TruncatedProduct(running, _mm_rcp_ps(area))
                                                         : TruncatedQuotient(running, area);
        StorePixelNoAlpha(out + x * kLanes, result);
    }
    // Complete windows.
    const float fullArea = static_cast<float>(2 * radius + 1) * rows;
    const float factor = reciprocalRow ? _mm_cvtss_f32(_mm_rcp_ps(Broadcast(fullArea))) : fullArea;
    alignas(16) uint32_t window[kLanes];
    _mm_store_si128(reinterpret_cast<__m128i*>(window), running);
    middle(out, columns, x, width - radius, radius, window, factor, !reciprocalRow);
    running = _mm_load_si128(reinterpret_cast<const __m128i*>(window));
    // Right edge: the window shrinks.
    for (x = width - radius; x < width; ++x) {
        running = _mm_sub_epi32(running, _mm_load_si128(sums + x - radius - 1));
        const __m128 area = Broadcast(static_cast<float>(width - x + radius) * rows);
        StorePixelNoAlpha(out + x * kLanes, TruncatedQuotient(running, area));
    }
}

namespace {

// Lanes of pixels whose alpha is not 0 kept, the others cleared; `opaque`
// gets -1 in the lanes of opaque pixels.
inline __m128i KeepOpaque(__m128i pixels, __m128i* opaque) {
    const __m128i alpha = _mm_and_si128(pixels, _mm_set1_epi32(static_cast<int32_t>(0xFF000000u)));
    *opaque = _mm_xor_si128(_mm_cmpeq_epi32(alpha, _mm_setzero_si128()), _mm_set1_epi32(-1));
    return _mm_and_si128(pixels, *opaque);
}

// 16-bit sums cannot wrap while the window is at most 127 rows tall (255 *
// 127 = 32385), so plain additions give the saturating ones' results.
// 4 pixels' opaque lanes added to (taken from) the 16-bit sums `low` and
// `high`, their number to (from) the 4 counts.
template <bool kAdd>
inline void AccumulateOpaque(const uint8_t* pixels, __m128i* low, __m128i* high, __m128i* counts) {
    const __m128i zero = _mm_setzero_si128();
    __m128i opaque;
    const __m128i kept = KeepOpaque(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels)), &opaque);
    if (kAdd) {
        *low = _mm_add_epi16(*low, _mm_unpacklo_epi8(kept, zero));
        *high = _mm_add_epi16(*high, _mm_unpackhi_epi8(kept, zero));
        *counts = _mm_sub_epi32(*counts, opaque);
    } else {
        *low = _mm_sub_epi16(*low, _mm_unpacklo_epi8(kept, zero));
        *high = _mm_sub_epi16(*high, _mm_unpackhi_epi8(kept, zero));
        *counts = _mm_add_epi32(*counts, opaque);
    }
}

// One pixel of `row` (none when null) added to column `x` with `sign`.
inline void AccumulateOpaquePixel(uint16_t* sums, uint32_t* counts, const uint8_t* row, int32_t x, int32_t sign) {
    if (row == nullptr || row[x * kLanes + 3] == 0) return;
    for (int32_t c = 0; c < kLanes; ++c) {
        sums[x * kLanes + c] = static_cast<uint16_t>(sums[x * kLanes + c] + sign * row[x * kLanes + c]);
    }
    counts[x] += static_cast<uint32_t>(sign);
}

template <bool kEnter, bool kLeave>
void UpdateOpaqueColumnsWith(uint16_t* sums, uint32_t* counts, const uint8_t* entering,
                             const uint8_t* leaving, int32_t width) {
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const int32_t offset = x * kLanes;
        if (kEnter && x % 16 == 0) _mm_prefetch(reinterpret_cast<const char*>(entering + offset + kEnteringPrefetchBytes), _MM_HINT_T0);
        __m128i* sum = reinterpret_cast<__m128i*>(sums + offset);
        __m128i* count = reinterpret_cast<__m128i*>(counts + x);
        __m128i low = _mm_load_si128(sum), high = _mm_load_si128(sum + 1), opaqueCount = _mm_load_si128(count);
        if (kEnter) AccumulateOpaque<true>(entering + offset, &low, &high, &opaqueCount);
        if (kLeave) AccumulateOpaque<false>(leaving + offset, &low, &high, &opaqueCount);
        _mm_store_si128(sum, low);
        _mm_store_si128(sum + 1, high);
        _mm_store_si128(count, opaqueCount);
    }
    for (; x < width; ++x) {
        AccumulateOpaquePixel(sums, counts, entering, x, 1);
        AccumulateOpaquePixel(sums, counts, leaving, x, -1);
    }
}

inline __m128i ColumnSums(const uint16_t* sums, int32_t column) {
    return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums + column * kLanes)),
                              _mm_setzero_si128());
}

}  // namespace

void UpdateOpaqueColumns_Sse2(uint16_t* sums, uint32_t* counts, const uint8_t* entering,
                              const uint8_t* leaving, int32_t width) {
    if (entering != nullptr && leaving != nullptr) {
        UpdateOpaqueColumnsWith<true, true>(sums, counts, entering, leaving, width);
    } else if (entering != nullptr) {
        UpdateOpaqueColumnsWith<true, false>(sums, counts, entering, leaving, width);
    } else if (leaving != nullptr) {
        UpdateOpaqueColumnsWith<false, true>(sums, counts, entering, leaving, width);
    }
}

int32_t OpaqueBoxBlurMiddle_Sse2(uint8_t* out, const uint16_t* sums, const uint32_t* counts,
                                 int32_t first, int32_t end, int32_t radius, uint32_t* window,
                                 const float* reciprocals, float alphaReciprocal) {
    const __m128 colourLanes = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    const __m128 alphaFactor = _mm_setr_ps(0.0f, 0.0f, 0.0f, alphaReciprocal);
    auto factors = [&](int32_t count) {
        return _mm_or_ps(_mm_and_ps(_mm_set1_ps(OpaqueReciprocal(reciprocals, count)), colourLanes), alphaFactor);
    };
    // The 16-bit column differences (within +-32385) widened, summed along
    // the group apart from the running chain.
    auto differences = [&](int32_t x) {
        return _mm_sub_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + (x + radius) * kLanes)),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + (x - radius - 1) * kLanes)));
    };
    __m128i running = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
    int32_t opaque = static_cast<int32_t>(window[kLanes]);
    int32_t x = first;
    for (; x + 4 <= end; x += 4) {
        const __m128i d01 = differences(x), d23 = differences(x + 2);
        const __m128i s01 = _mm_srai_epi16(d01, 15), s23 = _mm_srai_epi16(d23, 15);
        const __m128i p0 = _mm_unpacklo_epi16(d01, s01);
        const __m128i p1 = _mm_add_epi32(p0, _mm_unpackhi_epi16(d01, s01));
        const __m128i p2 = _mm_add_epi32(p1, _mm_unpacklo_epi16(d23, s23));
        const __m128i p3 = _mm_add_epi32(p2, _mm_unpackhi_epi16(d23, s23));
        int32_t o[4];
        for (int32_t k = 0; k < 4; ++k) {
            opaque += static_cast<int32_t>(counts[x + k + radius] - counts[x + k - radius - 1]);
            o[k] = opaque;
        }
        const __m128i q0 = TruncatedProduct(_mm_add_epi32(running, p0), factors(o[0]));
        const __m128i q1 = TruncatedProduct(_mm_add_epi32(running, p1), factors(o[1]));
        const __m128i q2 = TruncatedProduct(_mm_add_epi32(running, p2), factors(o[2]));
        const __m128i q3 = TruncatedProduct(_mm_add_epi32(running, p3), factors(o[3]));
        running = _mm_add_epi32(running, p3);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(q0, q1), _mm_packs_epi32(q2, q3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * kLanes), bytes);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(window), running);
    window[kLanes] = static_cast<uint32_t>(opaque);
    return x;
}

// The quotients are exact: every count and area is within the reach of
// the table's reciprocals, and 0 takes a colour to 0.
void OpaqueBoxBlurRow_Sse2(uint8_t* out, const uint16_t* sums, const uint32_t* counts,
                           int32_t width, int32_t radius, int32_t windowRows,
                           const float* reciprocals, OpaqueBoxBlurMiddle middle) {
    __m128i running = _mm_setzero_si128();
    int32_t opaque = 0;
    for (int32_t x = 0; x < radius; ++x) {
        running = _mm_add_epi32(running, ColumnSums(sums, x));
        opaque += static_cast<int32_t>(counts[x]);
    }
    const __m128 colourLanes = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    // Pixels whose window is clipped, and the last of the complete ones.
    auto oneByOne = [&](int32_t from, int32_t to) {
        for (int32_t x = from; x < to; ++x) {
            int32_t first = 0;
            int32_t last = width - 1;
            if (x + radius < width) {
                running = _mm_add_epi32(running, ColumnSums(sums, x + radius));
                opaque += static_cast<int32_t>(counts[x + radius]);
                last = x + radius;
            }
            if (x > radius) {
                running = _mm_sub_epi32(running, ColumnSums(sums, x - radius - 1));
                opaque -= static_cast<int32_t>(counts[x - radius - 1]);
                first = x - radius;
            }
            const __m128 alphaFactor = _mm_setr_ps(0.0f, 0.0f, 0.0f, reciprocals[(last - first + 1) * windowRows]);
            const __m128 factors = _mm_or_ps(_mm_and_ps(_mm_set1_ps(OpaqueReciprocal(reciprocals, opaque)), colourLanes), alphaFactor);
            StorePixel(out + x * kLanes, TruncatedProduct(running, factors));
        }
    };
    oneByOne(0, radius + 1);
    uint32_t window[kLanes + 1];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(window), running);
    window[kLanes] = static_cast<uint32_t>(opaque);
    const int32_t done = middle(out, sums, counts, radius + 1, width - radius, radius, window, reciprocals,
                               reciprocals[(2 * radius + 1) * windowRows]);
    running = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
    opaque = static_cast<int32_t>(window[kLanes]);
    oneByOne(done, width);
}

namespace {

// A pixel's lanes as 16-bit values with alpha replaced by 1, in the low half.
inline __m128i WidenWithUnitAlpha(const uint8_t* pixel) {
    const __m128i colour = _mm_and_si128(LoadPixel(pixel), _mm_cvtsi32_si128(0x00FFFFFF));
    return _mm_unpacklo_epi8(_mm_or_si128(colour, _mm_cvtsi32_si128(0x01000000)),
                             _mm_setzero_si128());
}

// Weighted sums divided by the weights used (lane 3), rounded to nearest.
inline __m128i Normalise(__m128i sums) {
    const __m128 values = _mm_cvtepi32_ps(sums);
    const __m128 used = _mm_shuffle_ps(values, values, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm_cvtps_epi32(_mm_div_ps(values, used));
}

}  // namespace

namespace {

// (weights[i], weights[i + 1]) for i = 0, 2, 4 ..., a missing last weight 0.
const __m128i* PairWeights(const int32_t* weights, int32_t count, void* scratch) {
    __m128i* pairs = static_cast<__m128i*>(scratch);
    for (int32_t i = 0; i < count; i += 2) {
        _mm_store_si128(pairs + i / 2, WeightPair(weights[i], i + 1 < count ? weights[i + 1] : 0));
    }
    return pairs;
}

}  // namespace

void GaussianRowHorizontal_Sse2(uint8_t* out, const uint8_t* row, int32_t width,
                                const int32_t* weights, int32_t radius, void* pairs,
                                void* weightPairs, int32_t) {
    // pairs[j] interleaves padded pixels j and j + 1, where padded pixel j is
    // source pixel j - radius and the pixels beyond the row are all 0, so
    // that clipped taps add nothing to the sums nor to the weights used.
    __m128i* interleaved = static_cast<__m128i*>(pairs);
    const int32_t padded = width + 2 * radius + 1;
    auto widened = [&](int32_t j) {
        const int32_t x = j - radius;
        return x >= 0 && x < width ? WidenWithUnitAlpha(row + x * kLanes) : _mm_setzero_si128();
    };
    int32_t j = 0;
    for (; j < radius; ++j) _mm_store_si128(interleaved + j, _mm_unpacklo_epi16(widened(j), widened(j + 1)));
    // Four entries from five whole pixels at a time.
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF), unitAlpha = _mm_set1_epi32(0x01000000);
    for (; j - radius + 4 < width; j += 4) {
        const uint8_t* pixel = row + (j - radius) * kLanes;
        const __m128i four = _mm_or_si128(_mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixel)), colourMask), unitAlpha);
        const __m128i p01 = _mm_unpacklo_epi8(four, zero), p23 = _mm_unpackhi_epi8(four, zero);
        const __m128i p1 = _mm_srli_si128(p01, 8), p3 = _mm_srli_si128(p23, 8);
        const __m128i p4 = WidenWithUnitAlpha(pixel + 4 * kLanes);
        _mm_store_si128(interleaved + j, _mm_unpacklo_epi16(p01, p1));
        _mm_store_si128(interleaved + j + 1, _mm_unpacklo_epi16(p1, p23));
        _mm_store_si128(interleaved + j + 2, _mm_unpacklo_epi16(p23, p3));
        _mm_store_si128(interleaved + j + 3, _mm_unpacklo_epi16(p3, p4));
    }
    for (; j + 1 < padded; ++j) _mm_store_si128(interleaved + j, _mm_unpacklo_epi16(widened(j), widened(j + 1)));
    const int32_t taps = 2 * radius + 1;
    const __m128i* tapPairs = PairWeights(weights, taps, weightPairs);
    auto weighted = [&](int32_t x) {
        __m128i sums = _mm_setzero_si128();
        const __m128i* source = interleaved + x;
        for (int32_t p = 0; p <= radius; ++p) {
            sums = _mm_add_epi32(sums, _mm_madd_epi16(_mm_load_si128(source + 2 * p), tapPairs[p]));
        }
        return Normalise(sums);
    };
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i n01 = _mm_packs_epi32(weighted(x), weighted(x + 1));
        const __m128i n23 = _mm_packs_epi32(weighted(x + 2), weighted(x + 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * kLanes), _mm_packus_epi16(n01, n23));
    }
    for (; x < width; ++x) StorePixel(out + x * kLanes, weighted(x));
}

void GaussianRowsVertical_Sse2(uint8_t* out, const uint8_t* const* rows, const int32_t* weights,
                               int32_t count, int32_t width, void* weightPairs, int32_t) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i* rowPairs = PairWeights(weights, count, weightPairs);
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
        const int32_t offset = x * kLanes;
        for (int32_t i = 0; i < count; i += 2) {
            // An odd last row pairs with itself at weight 0.
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[i] + offset));
            const __m128i b = _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(rows[i + 1 < count ? i + 1 : i] + offset));
            const __m128i pair = rowPairs[i / 2];
            const __m128i low = _mm_unpacklo_epi8(a, b);
            const __m128i high = _mm_unpackhi_epi8(a, b);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), pair));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), pair));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), pair));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), pair));
        }
        const __m128i n01 = _mm_packs_epi32(Normalise(s0), Normalise(s1));
        const __m128i n23 = _mm_packs_epi32(Normalise(s2), Normalise(s3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + offset), _mm_packus_epi16(n01, n23));
    }
    for (; x < width; ++x) {
        __m128i sums = zero;
        const int32_t offset = x * kLanes;
        for (int32_t i = 0; i < count; i += 2) {
            const __m128i a = LoadPixel(rows[i] + offset);
            const __m128i b = LoadPixel(rows[i + 1 < count ? i + 1 : i] + offset);
            const __m128i pair = rowPairs[i / 2];
            sums = _mm_add_epi32(sums, _mm_madd_epi16(_mm_unpacklo_epi8(_mm_unpacklo_epi8(a, b), zero), pair));
        }
        StorePixel(out + offset, Normalise(sums));
    }
}

void GaussianRowsVerticalBatch_Sse2(uint8_t* const* out, int32_t outputs, const uint8_t* const* rows,
                                    const int32_t* weights, int32_t count, int32_t width, void* weightPairs,
                                    int32_t productUsed) {
    for (int32_t j = 0; j < outputs; ++j) {
        GaussianRowsVertical_Sse2(out[j], rows + j, weights, count, width, weightPairs, productUsed);
    }
}

}  // namespace VelImageUtility
