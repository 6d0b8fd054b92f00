// AVX2 forms of the vector tone rules of ToneCurves_sse2.h, 32 bytes at a
// time with the same lane arithmetic; included only by *_avx2.cpp files.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "services/ToneCurves.h"  // the parameter structures only: no inline function of it is used here

namespace VelImageUtility {

inline __m256i Words(int32_t value) { return _mm256_set1_epi16(static_cast<int16_t>(value)); }
inline __m256i Bytes(int32_t value) { return _mm256_set1_epi8(static_cast<char>(value)); }

// ContrastBytes_Sse2 on 32 bytes.
inline __m256i ContrastBytes32(__m256i bytes, __m256i factor16) {
    const __m256i topBit = Bytes(0x80);
    const __m256i zero = _mm256_setzero_si256();
    auto scale = [&](__m256i centredHigh) {
        const __m256i a = _mm256_srai_epi16(centredHigh, 4);
        return _mm256_add_epi16(_mm256_mulhi_epi16(a, factor16), _mm256_srli_epi16(_mm256_mullo_epi16(a, factor16), 15));
    };
    const __m256i centred = _mm256_xor_si256(bytes, topBit);
    const __m256i low = scale(_mm256_unpacklo_epi8(zero, centred));
    const __m256i high = scale(_mm256_unpackhi_epi8(zero, centred));
    return _mm256_xor_si256(_mm256_packs_epi16(low, high), topBit);
}

struct PosterizeLanes32 {
    __m256i step, offset, scaledDivisor, magic;
    __m128i shift;
};
inline PosterizeLanes32 PosterizeLanes32Of(const PosterizeDivision& division) {
    return {Words(division.multiplier), Words(division.offset), Words(division.scaledDivisor), Words(division.magic),
            _mm_cvtsi32_si128(division.shift)};
}

inline __m256i PosterizeBytes32(__m256i bytes, const PosterizeLanes32& lanes) {
    const __m256i zero = _mm256_setzero_si256();
    auto multiples = [&](__m256i shiftedValues) {
        const __m256i numerators = _mm256_add_epi16(_mm256_srli_epi16(shiftedValues, 1), lanes.offset);
        __m256i q = _mm256_srl_epi16(_mm256_mulhi_epu16(numerators, lanes.magic), lanes.shift);
        const __m256i tie = _mm256_cmpeq_epi16(_mm256_mullo_epi16(q, lanes.scaledDivisor), numerators);
        q = _mm256_sub_epi16(q, _mm256_and_si256(tie, _mm256_and_si256(q, Words(1))));
        return _mm256_mullo_epi16(q, lanes.step);
    };
    return _mm256_packus_epi16(multiples(_mm256_unpacklo_epi8(zero, bytes)), multiples(_mm256_unpackhi_epi8(zero, bytes)));
}

struct LevelsLanes32 {
    __m256i inLow, span, negate, base, whole, fraction;
};
inline LevelsLanes32 LevelsLanes32Of(const LevelsLine& line) {
    return {Bytes(line.inLow), Bytes(line.span), Bytes(line.negate), Bytes(line.base), Words(line.whole), Words(line.fraction)};
}

inline __m256i LevelsBytes32(__m256i bytes, const LevelsLanes32& lanes) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i t = _mm256_min_epu8(_mm256_subs_epu8(bytes, lanes.inLow), lanes.span);
    auto rise = [&](__m256i words) {
        return _mm256_add_epi16(_mm256_mullo_epi16(words, lanes.whole), _mm256_mulhi_epu16(words, lanes.fraction));
    };
    const __m256i q = _mm256_packus_epi16(rise(_mm256_unpacklo_epi8(t, zero)), rise(_mm256_unpackhi_epi8(t, zero)));
    return _mm256_add_epi8(_mm256_xor_si256(q, lanes.negate), lanes.base);
}

}  // namespace VelImageUtility
