// The group walk shared by the SSE2 kernels that combine a source row into a
// row of 4-byte pixels with a colour rule and keep the row's alpha bytes;
// included only by *_sse2.cpp files.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace VelImageUtility {

// The colour bytes of `blended` with the alpha bytes (byte 3 of each pixel)
// of `old`.
inline __m128i KeepAlphaBytes(__m128i blended, __m128i old) {
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    return _mm_or_si128(_mm_andnot_si128(alphaMask, blended), _mm_and_si128(alphaMask, old));
}

// Four pixels per step: `byteRule(sourceGroup, sourceBytes, rowBytes)` gets
// four pixels of each side (and the address of the source pixels) and
// returns the new bytes, which are stored with the row's alpha bytes
// restored. Returns the pixels done, width - width % 4; the caller finishes
// the row with its plain rule. Loads are unaligned and never reach past the
// row.
template <typename ByteRule>
int32_t CombinePixelBytesOfFour(uint8_t* row, const uint8_t* source, int32_t width, ByteRule byteRule) {
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const uint8_t* from = source + 4 * x;
        uint8_t* to = row + 4 * x;
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to));
        const __m128i blended = byteRule(from, _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), d);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), KeepAlphaBytes(blended, d));
    }
    return x;
}

// As above with `wordRule(sourcePair, sourceWords, rowWords)`, which gets two
// pixels of each side widened to 16-bit lanes and returns the new words,
// stored with unsigned saturation.
template <typename WordRule>
int32_t CombinePixelGroupsOfFour(uint8_t* row, const uint8_t* source, int32_t width,
                                 WordRule wordRule) {
    return CombinePixelBytesOfFour(row, source, width, [&](const uint8_t* from, __m128i s, __m128i d) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i low = wordRule(from, _mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
        const __m128i high = wordRule(from + 8, _mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
        return _mm_packus_epi16(low, high);
    });
}

}  // namespace VelImageUtility
