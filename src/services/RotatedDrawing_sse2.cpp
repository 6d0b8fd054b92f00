#include <emmintrin.h>

#include <cstring>

#include "services/RotatedDrawing.h"
#include "services/RotatedSampling.h"

namespace VelImageUtility {

// One pixel per step with its four bytes in single-precision lanes. Every
// product stays below 2^24, so the lanes hold the integer arithmetic
// exactly; only the rim mean and the composite division round to nearest.
namespace {
inline __m128 Lanes(const uint8_t* bytes) {
    int32_t word;
    std::memcpy(&word, bytes, sizeof word);
    const __m128i zero = _mm_setzero_si128();
    const __m128i wide = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero);
    return _mm_cvtepi32_ps(wide);
}

inline __m128 Floor(__m128 x) {
    const __m128 truncated = _mm_cvtepi32_ps(_mm_cvttps_epi32(x));
    return _mm_sub_ps(truncated, _mm_and_ps(_mm_cmplt_ps(x, truncated), _mm_set1_ps(1.0f)));
}

// Non-negative lanes: truncation is the floor.
inline __m128 Truncate(__m128 x) { return _mm_cvtepi32_ps(_mm_cvttps_epi32(x)); }

// p + floor((q - p) * f / 65536).
inline __m128 Lerp16(__m128 p, __m128 q, __m128 f) {
    return _mm_add_ps(p, Floor(_mm_mul_ps(_mm_mul_ps(_mm_sub_ps(q, p), f), _mm_set1_ps(1.0f / 65536.0f))));
}

inline int32_t LaneThree(__m128 x) {
    return _mm_cvtsi128_si32(_mm_shuffle_epi32(_mm_cvttps_epi32(x), _MM_SHUFFLE(3, 3, 3, 3)));
}

// Colour bytes of `colour` (whole numbers 0..255) and the given alpha byte.
inline void Store(uint8_t* d, __m128 colour, uint8_t alpha) {
    const __m128i words = _mm_cvttps_epi32(colour);
    const int32_t packed = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(words, words), words));
    std::memcpy(d, &packed, 3);
    d[3] = alpha;
}
}  // namespace

void DrawRotatedRow_Sse2(const RotatedSource& source, uint32_t u, uint32_t v, int32_t dudx,
                         int32_t dvdx, uint8_t* row, int32_t count, RotatedMerge merge,
                         uint8_t opacity) {
    const __m128 scale = _mm_set1_ps(1.0f / 256.0f);
    const __m128 limit = _mm_set1_ps(255.0f);
    RotatedTaps taps;
    for (int32_t x = 0; x < count; ++x, u += static_cast<uint32_t>(dudx),
                 v += static_cast<uint32_t>(dvdx)) {
        if (!GatherRotatedTaps(source, u, v, &taps)) continue;
        uint8_t* d = row + 4 * x;
        if (merge == RotatedMerge::kBlack) {
            d[0] = d[1] = d[2] = 0;
            d[3] = 255;
            continue;
        }
        const __m128 p00 = Lanes(taps.p[0]), p10 = Lanes(taps.p[1]);
        const __m128 p01 = Lanes(taps.p[2]), p11 = Lanes(taps.p[3]);
        const __m128 fx = _mm_set1_ps(static_cast<float>(taps.fx));
        const __m128 bilinear = Lerp16(Lerp16(p00, p10, fx), Lerp16(p01, p11, fx),
                                       _mm_set1_ps(static_cast<float>(taps.fy)));
        const int32_t weight = ((opacity + 1) * LaneThree(bilinear)) >> 8;
        __m128 k = bilinear;
        if (taps.inside != 4) {
            const __m128 sum = _mm_add_ps(_mm_add_ps(p00, p10), _mm_add_ps(p01, p11));
            k = _mm_cvtepi32_ps(_mm_cvtps_epi32(_mm_div_ps(sum, _mm_set1_ps(static_cast<float>(taps.inside)))));
        }
        const __m128 a = _mm_set1_ps(static_cast<float>(weight));
        const __m128 dest = Lanes(d);
        const __m128 added = Truncate(_mm_mul_ps(_mm_mul_ps(a, k), scale));
        switch (merge) {
            case RotatedMerge::kMixEach: {
                const __m128 kept = Truncate(_mm_mul_ps(_mm_mul_ps(dest, _mm_set1_ps(static_cast<float>(255 - weight))), scale));
                Store(d, _mm_min_ps(limit, _mm_add_ps(kept, added)), d[3]);
                break;
            }
            case RotatedMerge::kMix: {
                const __m128 sum = _mm_add_ps(_mm_mul_ps(dest, _mm_set1_ps(static_cast<float>(256 - weight))),
                                              _mm_mul_ps(a, k));
                Store(d, _mm_min_ps(limit, Truncate(_mm_mul_ps(sum, scale))), d[3]);
                break;
            }
            case RotatedMerge::kAdd:
            case RotatedMerge::kAddOpaque:
                Store(d, _mm_min_ps(limit, _mm_add_ps(dest, added)),
                      merge == RotatedMerge::kAdd ? d[3] : uint8_t{255});
                break;
            case RotatedMerge::kComposite: {
                const int32_t destinationAlpha = d[3];
                const int32_t merged = destinationAlpha + weight - (destinationAlpha * weight) / 255;
                if (merged == 0) {
                    d[3] = 0;
                    break;
                }
                const __m128 kept = Truncate(_mm_mul_ps(
                    _mm_mul_ps(dest, _mm_set1_ps(static_cast<float>((256 - weight) * destinationAlpha))), scale));
                const __m128 quotient = _mm_div_ps(_mm_add_ps(_mm_mul_ps(a, k), kept),
                                                   _mm_set1_ps(static_cast<float>(merged)));
                Store(d, _mm_min_ps(limit, _mm_cvtepi32_ps(_mm_cvtps_epi32(quotient))),
                      static_cast<uint8_t>(merged));
                break;
            }
            case RotatedMerge::kBlack:
                break;
        }
    }
}

}  // namespace VelImageUtility
