#include <immintrin.h>

#include "services/RotatedDrawing.h"

namespace VelImageUtility {

// The SSE2 inside run eight pixels at a time: register A holds pixels 0, 1
// and 4, 5, register B pixels 2, 3 and 6, 7, each on 16-bit lanes.
namespace {
// p + ((q - p) * f >> 16), as the SSE2 row takes it.
inline __m256i Lerp16(__m256i p, __m256i q, __m256i f) {
    const __m256i step = _mm256_sub_epi16(q, p);
    const __m256i high = _mm256_mulhi_epi16(step, f);
    return _mm256_add_epi16(p, _mm256_add_epi16(high, _mm256_and_si256(step, _mm256_srai_epi16(f, 15))));
}

// Two pixels' 8-byte sample pairs in the order the lanes take them.
inline __m256i SamplePairs(const uint8_t* p0, const uint8_t* p1, const uint8_t* p4, const uint8_t* p5) {
    const __m128i low = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0)),
                                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1)));
    const __m128i high = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p4)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p5)));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

template <RotatedMerge kMerge>
inline __m256i MergeQuad(const uint8_t* const* at, int32_t stride, __m256i fx, __m256i fy,
                         __m256i opacity, __m256i d) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i upper = SamplePairs(at[0], at[1], at[2], at[3]);
    const __m256i lower = SamplePairs(at[0] + stride, at[1] + stride, at[2] + stride, at[3] + stride);
    const __m256i top = Lerp16(_mm256_unpacklo_epi8(upper, zero), _mm256_unpackhi_epi8(upper, zero), fx);
    const __m256i bottom = Lerp16(_mm256_unpacklo_epi8(lower, zero), _mm256_unpackhi_epi8(lower, zero), fx);
    const __m256i k = Lerp16(top, bottom, fy);
    const __m256i weight = _mm256_srli_epi16(_mm256_mullo_epi16(k, opacity), 8);
    const __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(weight, 0xFF), 0xFF);
    if (kMerge == RotatedMerge::kMixEach) {
        const __m256i kept = _mm256_srli_epi16(_mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(255), a)), 8);
        return _mm256_add_epi16(kept, _mm256_srli_epi16(_mm256_mullo_epi16(a, k), 8));
    }
    if (kMerge == RotatedMerge::kMix) {
        const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(256), a)),
                                             _mm256_mullo_epi16(a, k));
        return _mm256_srli_epi16(sum, 8);
    }
    return _mm256_add_epi16(d, _mm256_srli_epi16(_mm256_mullo_epi16(a, k), 8));
}

// The 16-bit fractions of eight 16.16 positions: [f0 x4, f1 x4 | f4 x4, f5 x4]
// in `a`, [f2 x4, f3 x4 | f6 x4, f7 x4] in `b`.
inline void Fractions(__m256i positions, __m256i* a, __m256i* b) {
    const __m256i low = _mm256_srai_epi32(_mm256_slli_epi32(positions, 16), 16);
    const __m256i words = _mm256_packs_epi32(low, low);
    const __m256i doubled = _mm256_unpacklo_epi16(words, words);
    *a = _mm256_unpacklo_epi32(doubled, doubled);
    *b = _mm256_unpackhi_epi32(doubled, doubled);
}

// All-ones lanes where `whole` lies in 0 .. end - 1.
inline __m256i Inside(__m256i whole, __m256i end) {
    return _mm256_and_si256(_mm256_cmpgt_epi32(whole, _mm256_set1_epi32(-1)), _mm256_cmpgt_epi32(end, whole));
}

template <RotatedMerge kMerge>
void DrawRow(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx, int32_t dvdx,
             uint8_t* row, int32_t count, uint8_t opacity) {
    const __m256i opacityLanes = _mm256_set1_epi16(static_cast<int16_t>(opacity + 1));
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m256i lastColumn = _mm256_set1_epi32(source.width - 1);
    const __m256i lastRow = _mm256_set1_epi32(source.height - 1);
    // A pixel has a sample inside when its whole part lies in -1 .. width - 1.
    const __m256i columnsTouched = _mm256_set1_epi32(source.width + 1);
    const __m256i rowsTouched = _mm256_set1_epi32(source.height + 1);
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i stride = _mm256_set1_epi32(source.stride);
    const __m256i steps = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const uint32_t du = static_cast<uint32_t>(dudx), dv = static_cast<uint32_t>(dvdx);
    __m256i us = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(u)), _mm256_mullo_epi32(steps, _mm256_set1_epi32(dudx)));
    __m256i vs = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(v)), _mm256_mullo_epi32(steps, _mm256_set1_epi32(dvdx)));
    const __m256i uStep = _mm256_set1_epi32(static_cast<int32_t>(8 * du));
    const __m256i vStep = _mm256_set1_epi32(static_cast<int32_t>(8 * dv));
    const __m256i zero = _mm256_setzero_si256();
    alignas(32) int32_t offsets[8];
    int32_t x = 0;
    for (; x + 8 <= count; x += 8, u += 8 * du, v += 8 * dv, us = _mm256_add_epi32(us, uStep),
                           vs = _mm256_add_epi32(vs, vStep)) {
        uint8_t* d = row + 4 * x;
        const __m256i sx = _mm256_srai_epi32(us, 16), sy = _mm256_srai_epi32(vs, 16);
        if (_mm256_movemask_epi8(_mm256_and_si256(Inside(sx, lastColumn), Inside(sy, lastRow))) != -1) {
            // Eight pixels with no sample inside stay as they are.
            if (_mm256_movemask_epi8(_mm256_and_si256(Inside(_mm256_add_epi32(sx, one), columnsTouched),
                                                      Inside(_mm256_add_epi32(sy, one), rowsTouched))) != 0) {
                DrawRotatedRow_Plain(source, u, v, dudx, dvdx, d, 8, kMerge, opacity);
            }
            continue;
        }
        // Inside, sy * stride + 4 * sx is below height * stride, a 32-bit number.
        _mm256_store_si256(reinterpret_cast<__m256i*>(offsets),
                           _mm256_add_epi32(_mm256_mullo_epi32(sy, stride), _mm256_slli_epi32(sx, 2)));
        const uint8_t* const at[8] = {source.data + offsets[0], source.data + offsets[1], source.data + offsets[4],
                                      source.data + offsets[5], source.data + offsets[2], source.data + offsets[3],
                                      source.data + offsets[6], source.data + offsets[7]};
        __m256i fxA, fxB, fyA, fyB;
        Fractions(us, &fxA, &fxB);
        Fractions(vs, &fyA, &fyB);
        const __m256i destination = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
        const __m256i a = MergeQuad<kMerge>(at, source.stride, fxA, fyA, opacityLanes, _mm256_unpacklo_epi8(destination, zero));
        const __m256i b = MergeQuad<kMerge>(at + 4, source.stride, fxB, fyB, opacityLanes, _mm256_unpackhi_epi8(destination, zero));
        const __m256i colour = _mm256_andnot_si256(alphaMask, _mm256_packus_epi16(a, b));
        const __m256i alpha = kMerge == RotatedMerge::kAddOpaque ? alphaMask : _mm256_and_si256(destination, alphaMask);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_or_si256(colour, alpha));
    }
    if (x < count) DrawRotatedRowExact_Sse2(source, u, v, dudx, dvdx, row + 4 * x, count - x, kMerge, opacity);
}
}  // namespace

void DrawRotatedRowExact_Avx2(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx,
                              int32_t dvdx, uint8_t* row, int32_t count, RotatedMerge merge,
                              uint8_t opacity) {
    using Row = void (*)(const RotatedSource&, uint32_t, uint32_t, int32_t, int32_t, uint8_t*, int32_t, uint8_t);
    static constexpr Row kRows[] = {DrawRow<RotatedMerge::kMixEach>, DrawRow<RotatedMerge::kMix>,
                                    DrawRow<RotatedMerge::kAdd>, DrawRow<RotatedMerge::kAddOpaque>};
    kRows[static_cast<int32_t>(merge)](source, u, v, dudx, dvdx, row, count, opacity);
}

}  // namespace VelImageUtility
