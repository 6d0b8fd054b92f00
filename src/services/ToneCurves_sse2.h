// SSE2 forms of the tone rules of ToneCurves.h on 16 bytes at a time, for
// the *_sse2.cpp kernels; each gives exactly the bytes of its scalar rule.
#pragma once

#include <emmintrin.h>

#include <cstdint>

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

// The vector posterize rule for every byte: round(v / step) * step with
// v / step in single precision rounded to nearest (ties to even), clamped
// to 0..255. `step` >= 1 is given as a float in `stepFloat` and its low 16
// bits in each 16-bit lane of `step16`: a quotient other than 0 needs
// step <= 510, and its product then stays within 510.
inline __m128i PosterizeBytes_Sse2(__m128i bytes, __m128 stepFloat, __m128i step16) {
    const __m128i zero = _mm_setzero_si128();
    auto quotients = [&](__m128i words) {
        const __m128 low = _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero));
        const __m128 high = _mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero));
        return _mm_packs_epi32(_mm_cvtps_epi32(_mm_div_ps(low, stepFloat)),
                               _mm_cvtps_epi32(_mm_div_ps(high, stepFloat)));
    };
    const __m128i low = _mm_mullo_epi16(quotients(_mm_unpacklo_epi8(bytes, zero)), step16);
    const __m128i high = _mm_mullo_epi16(quotients(_mm_unpackhi_epi8(bytes, zero)), step16);
    return _mm_packus_epi16(low, high);
}

}  // namespace VelImageUtility
