#include <emmintrin.h>

#include "byte/ByteGroups_sse2.h"
#include "byte/ByteKernels.h"

namespace VelImageUtility {

void EmbossRow_Sse2(uint8_t* destination, const uint8_t* toward, const uint8_t* away, int32_t count) {
    // toward - away + 128 in 16-bit lanes (-127..383), then the unsigned
    // pack clamps to 0..255.
    const __m128i zero = _mm_setzero_si128();
    const __m128i mid = _mm_set1_epi16(128);
    auto relief = [&](__m128i towardPixels, __m128i awayPixels) {
        const __m128i low = _mm_add_epi16(
            _mm_sub_epi16(_mm_unpacklo_epi8(towardPixels, zero), _mm_unpacklo_epi8(awayPixels, zero)), mid);
        const __m128i high = _mm_add_epi16(
            _mm_sub_epi16(_mm_unpackhi_epi8(towardPixels, zero), _mm_unpackhi_epi8(awayPixels, zero)), mid);
        return _mm_packus_epi16(low, high);
    };
    const size_t total = count > 0 ? static_cast<size_t>(count) : 0;
    const size_t done = TransformByteGroups(destination, total, relief, toward, away);
    EmbossRow_Plain(destination + done, toward + done, away + done, static_cast<int32_t>(total - done));
}

}  // namespace VelImageUtility
