// SSE2 forms of the tone rules of ToneCurves.h on 16 bytes at a time, for
// the *_sse2.cpp kernels; each gives exactly the bytes of its scalar rule.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "services/ToneCurves.h"

namespace VelImageUtility {

// ApplyContrast of every byte, `factor16` holding the factor (0..8192) in
// each 16-bit lane.
//
// p - 128 is p with its top bit flipped, read as a signed byte; unpacked
// into the high half of a 16-bit lane and shifted down by 4 it is
// a = 16 (p - 128). Then (a * factor + 32768) >> 16 equals
// ((p - 128) * factor + 2048) >> 12: the high half of the product plus
// the top bit of its low half. factor <= 8192 fits a signed lane.
// Packing with signed saturation clamps to -128..127, and flipping the
// top bit again adds 128: the clamp to 0..255 of the plain rule.
inline __m128i ContrastBytes_Sse2(__m128i bytes, __m128i factor16) {
    const __m128i topBit = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i zero = _mm_setzero_si128();
    auto scale = [&](__m128i centredHigh) {
        const __m128i a = _mm_srai_epi16(centredHigh, 4);
        return _mm_add_epi16(_mm_mulhi_epi16(a, factor16), _mm_srli_epi16(_mm_mullo_epi16(a, factor16), 15));
    };
    const __m128i centred = _mm_xor_si128(bytes, topBit);
    const __m128i low = scale(_mm_unpacklo_epi8(zero, centred));
    const __m128i high = scale(_mm_unpackhi_epi8(zero, centred));
    return _mm_xor_si128(_mm_packs_epi16(low, high), topBit);
}

// PosterizeDivision in 16-bit lanes.
struct PosterizeLanes {
    __m128i step, offset, scaledDivisor, magic, shift;
};
inline PosterizeLanes PosterizeLanesOf(const PosterizeDivision& division) {
    const auto words = [](uint16_t value) { return _mm_set1_epi16(static_cast<int16_t>(value)); };
    return {words(division.multiplier), words(division.offset), words(division.scaledDivisor), words(division.magic),
            _mm_cvtsi32_si128(division.shift)};
}

// The vector posterize rule for every byte (PosterizeDivision).
inline __m128i PosterizeBytes_Sse2(__m128i bytes, const PosterizeLanes& lanes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    // Each byte unpacked above a zero byte is v << 8.
    auto multiples = [&](__m128i shiftedValues) {
        const __m128i numerators = _mm_add_epi16(_mm_srli_epi16(shiftedValues, 1), lanes.offset);
        __m128i q = _mm_srl_epi16(_mm_mulhi_epu16(numerators, lanes.magic), lanes.shift);
        const __m128i tie = _mm_cmpeq_epi16(_mm_mullo_epi16(q, lanes.scaledDivisor), numerators);
        q = _mm_sub_epi16(q, _mm_and_si128(tie, _mm_and_si128(q, one)));
        return _mm_mullo_epi16(q, lanes.step);
    };
    return _mm_packus_epi16(multiples(_mm_unpacklo_epi8(zero, bytes)), multiples(_mm_unpackhi_epi8(zero, bytes)));
}

// LevelsLine in lanes: bytes for the clamp and the sign, 16-bit words for
// the products.
struct LevelsLanes {
    __m128i inLow, span, negate, base, whole, fraction;
};
inline LevelsLanes LevelsLanesOf(const LevelsLine& line) {
    return {_mm_set1_epi8(static_cast<char>(line.inLow)),         _mm_set1_epi8(static_cast<char>(line.span)),
            _mm_set1_epi8(static_cast<char>(line.negate)),        _mm_set1_epi8(static_cast<char>(line.base)),
            _mm_set1_epi16(static_cast<int16_t>(line.whole)), _mm_set1_epi16(static_cast<int16_t>(line.fraction))};
}

// The levels table entry of every byte, as ApplyLevelsLine computes it.
inline __m128i LevelsBytes_Sse2(__m128i bytes, const LevelsLanes& lanes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i t = _mm_min_epu8(_mm_subs_epu8(bytes, lanes.inLow), lanes.span);
    auto rise = [&](__m128i words) {
        return _mm_add_epi16(_mm_mullo_epi16(words, lanes.whole), _mm_mulhi_epu16(words, lanes.fraction));
    };
    const __m128i q = _mm_packus_epi16(rise(_mm_unpacklo_epi8(t, zero)), rise(_mm_unpackhi_epi8(t, zero)));
    return _mm_add_epi8(_mm_xor_si128(q, lanes.negate), lanes.base);
}

}  // namespace VelImageUtility
