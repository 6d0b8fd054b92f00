#include <emmintrin.h>

#include <cstdint>

#include "services/RotatedDrawing.h"
#include "services/RotatedSampling.h"

namespace VelImageUtility {

// The plain row's integer steps on 16-bit lanes, two pixels to a register.
// Every intermediate of the plain row fits 16 bits here: the lerp products
// (q - p) * f >> 16 come from the signed high half, and the merges' sums
// stay below 65536.
namespace {
// p + ((q - p) * f >> 16) with f in 0..65535: the signed high half takes f
// as f - 65536 when its top bit is set, so q - p is added back there.
inline __m128i Lerp16(__m128i p, __m128i q, __m128i f) {
    const __m128i step = _mm_sub_epi16(q, p);
    const __m128i high = _mm_mulhi_epi16(step, f);
    return _mm_add_epi16(p, _mm_add_epi16(high, _mm_and_si128(step, _mm_srai_epi16(f, 15))));
}

// [f0 x4, f1 x4] as 16-bit lanes.
inline __m128i PairFraction(uint32_t first, uint32_t second) {
    const __m128i both = _mm_cvtsi32_si128(static_cast<int32_t>((first & 0xFFFFu) | (second << 16)));
    const __m128i doubled = _mm_unpacklo_epi16(both, both);
    return _mm_unpacklo_epi32(doubled, doubled);
}

inline const uint8_t* TopLeft(const RotatedSource& source, uint32_t u, uint32_t v) {
    return source.data + static_cast<intptr_t>(WholeSourcePixel(v)) * source.stride +
           4 * static_cast<intptr_t>(WholeSourcePixel(u));
}

// Two pixels whose four samples lie inside: their colour and weight merged
// into the two destination pixels `d` (16-bit lanes).
template <RotatedMerge kMerge>
inline __m128i MergePair(const uint8_t* first, const uint8_t* second, int32_t stride,
                         __m128i fx, __m128i fy, __m128i opacity, __m128i d) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i upper = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first)),
                                             _mm_loadl_epi64(reinterpret_cast<const __m128i*>(second)));
    const __m128i lower =
        _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first + stride)),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(second + stride)));
    const __m128i top = Lerp16(_mm_unpacklo_epi8(upper, zero), _mm_unpackhi_epi8(upper, zero), fx);
    const __m128i bottom = Lerp16(_mm_unpacklo_epi8(lower, zero), _mm_unpackhi_epi8(lower, zero), fx);
    const __m128i k = Lerp16(top, bottom, fy);
    // (opacity + 1) * alpha is at most 256 * 255.
    const __m128i weight = _mm_srli_epi16(_mm_mullo_epi16(k, opacity), 8);
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(weight, 0xFF), 0xFF);
    if (kMerge == RotatedMerge::kMixEach) {
        const __m128i kept = _mm_srli_epi16(_mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), a)), 8);
        return _mm_add_epi16(kept, _mm_srli_epi16(_mm_mullo_epi16(a, k), 8));
    }
    if (kMerge == RotatedMerge::kMix) {
        const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(256), a)),
                                          _mm_mullo_epi16(a, k));
        return _mm_srli_epi16(sum, 8);
    }
    return _mm_add_epi16(d, _mm_srli_epi16(_mm_mullo_epi16(a, k), 8));
}

// True when every sample of the pixel at (u, v) lies inside the source.
inline bool AllInside(const RotatedSource& source, uint32_t u, uint32_t v) {
    return static_cast<uint32_t>(WholeSourcePixel(u)) < static_cast<uint32_t>(source.width - 1) &&
           static_cast<uint32_t>(WholeSourcePixel(v)) < static_cast<uint32_t>(source.height - 1);
}

// True when some sample of the pixel at (u, v) lies inside the source: its
// whole parts lie in -1 .. size - 1.
inline bool Touches(const RotatedSource& source, uint32_t u, uint32_t v) {
    return static_cast<uint32_t>(WholeSourcePixel(u) + 1) < static_cast<uint32_t>(source.width) + 1 &&
           static_cast<uint32_t>(WholeSourcePixel(v) + 1) < static_cast<uint32_t>(source.height) + 1;
}

// Groups of four pixels with all sixteen samples inside run in vector
// steps; any other group, and the row's tail, take the plain row. The
// colour saturates at 255 in the pack as the plain row's min does; the
// alpha byte is kept, or set to 255 for kAddOpaque.
template <RotatedMerge kMerge>
void DrawRow(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx, int32_t dvdx,
             uint8_t* row, int32_t count, uint8_t opacity) {
    const __m128i opacityLanes = _mm_set1_epi16(static_cast<int16_t>(opacity + 1));
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const uint32_t du = static_cast<uint32_t>(dudx), dv = static_cast<uint32_t>(dvdx);
    const __m128i zero = _mm_setzero_si128();
    int32_t x = 0;
    for (; x + 4 <= count; x += 4, u += 4 * du, v += 4 * dv) {
        const uint32_t u1 = u + du, u2 = u1 + du, u3 = u2 + du;
        const uint32_t v1 = v + dv, v2 = v1 + dv, v3 = v2 + dv;
        uint8_t* d = row + 4 * x;
        if (!(AllInside(source, u, v) && AllInside(source, u1, v1) && AllInside(source, u2, v2) &&
              AllInside(source, u3, v3))) {
            // Four pixels with no sample inside stay as they are.
            if (Touches(source, u, v) || Touches(source, u1, v1) || Touches(source, u2, v2) ||
                Touches(source, u3, v3)) {
                DrawRotatedRow_Plain(source, u, v, dudx, dvdx, d, 4, kMerge, opacity);
            }
            continue;
        }
        const __m128i destination = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
        const __m128i low = MergePair<kMerge>(TopLeft(source, u, v), TopLeft(source, u1, v1), source.stride,
                                              PairFraction(u, u1), PairFraction(v, v1), opacityLanes,
                                              _mm_unpacklo_epi8(destination, zero));
        const __m128i high = MergePair<kMerge>(TopLeft(source, u2, v2), TopLeft(source, u3, v3), source.stride,
                                               PairFraction(u2, u3), PairFraction(v2, v3), opacityLanes,
                                               _mm_unpackhi_epi8(destination, zero));
        const __m128i colour = _mm_andnot_si128(alphaMask, _mm_packus_epi16(low, high));
        const __m128i alpha = kMerge == RotatedMerge::kAddOpaque ? alphaMask : _mm_and_si128(destination, alphaMask);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(colour, alpha));
    }
    if (x < count) DrawRotatedRow_Plain(source, u, v, dudx, dvdx, row + 4 * x, count - x, kMerge, opacity);
}

}  // namespace

void DrawRotatedRowExact_Sse2(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx,
                              int32_t dvdx, uint8_t* row, int32_t count, RotatedMerge merge,
                              uint8_t opacity) {
    using Row = void (*)(const RotatedSource&, uint32_t, uint32_t, int32_t, int32_t, uint8_t*, int32_t, uint8_t);
    static constexpr Row kRows[] = {DrawRow<RotatedMerge::kMixEach>, DrawRow<RotatedMerge::kMix>,
                                    DrawRow<RotatedMerge::kAdd>, DrawRow<RotatedMerge::kAddOpaque>};
    kRows[static_cast<int32_t>(merge)](source, u, v, dudx, dvdx, row, count, opacity);
}

}  // namespace VelImageUtility
