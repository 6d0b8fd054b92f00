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

template <bool kAdd>
inline __m128i Step(__m128i sum, __m128i value) {
    return kAdd ? _mm_add_epi32(sum, value) : _mm_sub_epi32(sum, value);
}

template <bool kAdd>
void UpdateBoxColumns(uint32_t* columns, const uint8_t* row, int32_t width) {
    __m128i* sums = reinterpret_cast<__m128i*>(columns);
    int32_t x = 0;
    for (; x + 4 <= width; x += 4, sums += 4) {
        const Widened pixels =
            Widen(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x * kLanes)));
        _mm_store_si128(sums + 0, Step<kAdd>(_mm_load_si128(sums + 0), pixels.p0));
        _mm_store_si128(sums + 1, Step<kAdd>(_mm_load_si128(sums + 1), pixels.p1));
        _mm_store_si128(sums + 2, Step<kAdd>(_mm_load_si128(sums + 2), pixels.p2));
        _mm_store_si128(sums + 3, Step<kAdd>(_mm_load_si128(sums + 3), pixels.p3));
    }
    for (; x < width; ++x, ++sums) {
        const Widened pixel = Widen(LoadPixel(row + x * kLanes));
        _mm_store_si128(sums, Step<kAdd>(_mm_load_si128(sums), pixel.p0));
    }
}

inline __m128 Broadcast(float value) { return _mm_set1_ps(value); }

inline __m128i TruncatedQuotient(__m128i sums, __m128 area) {
    return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(sums), area));
}

inline __m128i TruncatedProduct(__m128i sums, __m128 reciprocal) {
    return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sums), reciprocal));
}

}  // namespace

void AddRowToBoxColumns_Sse2(uint32_t* columns, const uint8_t* row, int32_t width) {
    UpdateBoxColumns<true>(columns, row, width);
}

void SubtractRowFromBoxColumns_Sse2(uint32_t* columns, const uint8_t* row, int32_t width) {
    UpdateBoxColumns<false>(columns, row, width);
}

void BoxBlurRow_Sse2(uint8_t* out, const uint32_t* columns, int32_t width, int32_t radius,
                     int32_t windowRows, bool reciprocalRow, bool reciprocalFirst) {
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
    const __m128 fullArea = Broadcast(static_cast<float>(2 * radius + 1) * rows);
    const __m128 reciprocal = _mm_rcp_ps(fullArea);
    for (; x < width - radius; ++x) {
        running = _mm_add_epi32(running, _mm_load_si128(sums + x + radius));
        running = _mm_sub_epi32(running, _mm_load_si128(sums + x - radius - 1));
        const __m128i result = reciprocalRow ? TruncatedProduct(running, reciprocal)
                                             : TruncatedQuotient(running, fullArea);
        StorePixelNoAlpha(out + x * kLanes, result);
    }
    // Right edge: the window shrinks.
    for (; x < width; ++x) {
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
template <bool kAdd>
void UpdateOpaqueColumns(uint16_t* sums, uint32_t* counts, const uint8_t* row, int32_t width) {
    const __m128i zero = _mm_setzero_si128();
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i opaque;
        const __m128i pixels =
            KeepOpaque(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x * kLanes)), &opaque);
        __m128i* sum = reinterpret_cast<__m128i*>(sums + x * kLanes);
        const __m128i low = _mm_unpacklo_epi8(pixels, zero);
        const __m128i high = _mm_unpackhi_epi8(pixels, zero);
        __m128i* count = reinterpret_cast<__m128i*>(counts + x);
        if (kAdd) {
            _mm_store_si128(sum, _mm_add_epi16(_mm_load_si128(sum), low));
            _mm_store_si128(sum + 1, _mm_add_epi16(_mm_load_si128(sum + 1), high));
            _mm_store_si128(count, _mm_sub_epi32(_mm_load_si128(count), opaque));
        } else {
            _mm_store_si128(sum, _mm_sub_epi16(_mm_load_si128(sum), low));
            _mm_store_si128(sum + 1, _mm_sub_epi16(_mm_load_si128(sum + 1), high));
            _mm_store_si128(count, _mm_add_epi32(_mm_load_si128(count), opaque));
        }
    }
    for (; x < width; ++x) {
        const uint8_t* pixel = row + x * kLanes;
        if (pixel[3] == 0) continue;
        for (int32_t c = 0; c < kLanes; ++c) {
            sums[x * kLanes + c] = static_cast<uint16_t>(kAdd ? sums[x * kLanes + c] + pixel[c]
                                                              : sums[x * kLanes + c] - pixel[c]);
        }
        counts[x] = kAdd ? counts[x] + 1 : counts[x] - 1;
    }
}

inline __m128i ColumnSums(const uint16_t* sums, int32_t column) {
    return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums + column * kLanes)),
                              _mm_setzero_si128());
}

}  // namespace

void AddRowToOpaqueColumns_Sse2(uint16_t* sums, uint32_t* counts, const uint8_t* row,
                                int32_t width) {
    UpdateOpaqueColumns<true>(sums, counts, row, width);
}

void SubtractRowFromOpaqueColumns_Sse2(uint16_t* sums, uint32_t* counts, const uint8_t* row,
                                       int32_t width) {
    UpdateOpaqueColumns<false>(sums, counts, row, width);
}

// Sums stay below 2^22 and divisors below 2^14, so the single-precision
// quotient truncates to the exact integer quotient.
void OpaqueBoxBlurRow_Sse2(uint8_t* out, const uint16_t* sums, const uint32_t* counts,
                           int32_t width, int32_t radius, int32_t windowRows) {
    __m128i running = _mm_setzero_si128();
    int32_t opaque = 0;
    for (int32_t x = 0; x < radius; ++x) {
        running = _mm_add_epi32(running, ColumnSums(sums, x));
        opaque += static_cast<int32_t>(counts[x]);
    }
    for (int32_t x = 0; x < width; ++x, out += kLanes) {
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
        if (opaque == 0) {
            std::memset(out, 0, kLanes);
            continue;
        }
        const float count = static_cast<float>(opaque);
        const __m128 divisors =
            _mm_setr_ps(count, count, count, static_cast<float>((last - first + 1) * windowRows));
        StorePixel(out, TruncatedQuotient(running, divisors));
    }
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
