#include <emmintrin.h>

#include <algorithm>

#include "argb/UnsharpMask.h"

namespace VelImageUtility {

namespace {
// Twice a difference is at most 510, so a larger threshold acts as 511.
int32_t SharpenLimit(uint32_t threshold) { return static_cast<int32_t>(std::min<uint32_t>(threshold, 511)); }
}  // namespace

// Sixteen sums at a time in four vectors of 32-bit sums; each tap's sample
// widened to single precision, times the tap and 65536, truncated: the
// product table's value, since scaling by 65536 is exact in floating point
// and so commutes with the rounding of the product.
void ProductSums_Sse2(const uint8_t* in, ptrdiff_t tapStep, const FixedPointKernel& kernel, uint8_t* out,
                      int32_t count) {
    const size_t n = kernel.scaledTaps.size();
    const __m128i zero = _mm_setzero_si128();
    auto product = [&](__m128i samples, __m128 tap) {
        return _mm_cvttps_epi32(_mm_mul_ps(tap, _mm_cvtepi32_ps(samples)));
    };
    int32_t e = 0;
    for (; e + 16 <= count; e += 16) {
        __m128i sums[4] = {zero, zero, zero, zero};
        const uint8_t* tapIn = in + e;
        for (size_t k = 0; k < n; ++k, tapIn += tapStep) {
            const __m128 tap = _mm_set1_ps(kernel.scaledTaps[k]);
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tapIn));
            const __m128i low = _mm_unpacklo_epi8(bytes, zero), high = _mm_unpackhi_epi8(bytes, zero);
            sums[0] = _mm_add_epi32(sums[0], product(_mm_unpacklo_epi16(low, zero), tap));
            sums[1] = _mm_add_epi32(sums[1], product(_mm_unpackhi_epi16(low, zero), tap));
            sums[2] = _mm_add_epi32(sums[2], product(_mm_unpacklo_epi16(high, zero), tap));
            sums[3] = _mm_add_epi32(sums[3], product(_mm_unpackhi_epi16(high, zero), tap));
        }
        // Sums are not negative; packing saturates at 255 as the plain rule cuts.
        const __m128i words = _mm_packs_epi32(_mm_srai_epi32(sums[0], 16), _mm_srai_epi32(sums[1], 16));
        const __m128i words2 = _mm_packs_epi32(_mm_srai_epi32(sums[2], 16), _mm_srai_epi32(sums[3], 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + e), _mm_packus_epi16(words, words2));
    }
    ProductSums_Plain(in + e, tapStep, kernel, out + e, count - e);
}

void RowSums_Sse2(const uint8_t* in, ptrdiff_t rowStep, const FixedPointKernel& kernel, uint8_t* out,
                  ptrdiff_t outStep, int32_t count) {
    for (int32_t r = 0; r < kRowsAtOnce; ++r) ProductSums_Sse2(in + r * rowStep, rowStep, kernel, out + r * outStep, count);
}

void RowSums_Avx2(const uint8_t* in, ptrdiff_t rowStep, const FixedPointKernel& kernel, uint8_t* out,
                  ptrdiff_t outStep, int32_t count) {
    const int32_t done = RowSumGroups_Avx2(in, rowStep, kernel.scaledTaps.data(),
                                           static_cast<int32_t>(kernel.scaledTaps.size()), out, outStep, count);
    for (int32_t r = 0; r < kRowsAtOnce; ++r) {
        ProductSums_Sse2(in + r * rowStep + done, rowStep, kernel, out + r * outStep + done, count - done);
    }
}

void ProductSums_Avx2(const uint8_t* in, ptrdiff_t tapStep, const FixedPointKernel& kernel, uint8_t* out,
                      int32_t count) {
    const int32_t done = ProductSumGroups_Avx2(in, tapStep, kernel.scaledTaps.data(),
                                               static_cast<int32_t>(kernel.scaledTaps.size()), out, count);
    ProductSums_Sse2(in + done, tapStep, kernel, out + done, count - done);
}

void SharpenRow_Avx2(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, uint32_t threshold) {
    const size_t done = SharpenGroups_Avx2(row, blurred, count, amount, SharpenLimit(threshold));
    SharpenRow_Sse2(row + done, blurred + done, count - done, amount, threshold);
}

// In 16-bit lanes: the amount split as high x 65536 + low (low taken as a
// signed word, corrected by adding diff where it is 32768 or more), so that
// diff x amount >> 16 = diff x high + (diff x low >> 16). The words wrap,
// and the result is right wherever it fits 16 bits, which it does for
// every permitted amount; the add saturates and the pack cuts to 0..255.
void SharpenRow_Sse2(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, uint32_t threshold) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i high = _mm_set1_epi16(static_cast<int16_t>(amount >> 16));
    const __m128i low = _mm_set1_epi16(static_cast<int16_t>(amount & 0xFFFF));
    const __m128i lowIsLarge = _mm_set1_epi16((amount & 0x8000) ? -1 : 0);
    const __m128i limit = _mm_set1_epi16(static_cast<int16_t>(SharpenLimit(threshold)));
    auto sharpen = [&](__m128i original, __m128i smooth) {
        __m128i diff = _mm_sub_epi16(original, smooth);
        const __m128i twice = _mm_slli_epi16(_mm_max_epi16(diff, _mm_sub_epi16(zero, diff)), 1);
        diff = _mm_andnot_si128(_mm_cmpgt_epi16(limit, twice), diff);
        const __m128i lowPart = _mm_add_epi16(_mm_mulhi_epi16(diff, low), _mm_and_si128(diff, lowIsLarge));
        return _mm_adds_epi16(original, _mm_add_epi16(_mm_mullo_epi16(diff, high), lowPart));
    };
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i original = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i smooth = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blurred + i));
        const __m128i first = sharpen(_mm_unpacklo_epi8(original, zero), _mm_unpacklo_epi8(smooth, zero));
        const __m128i second = sharpen(_mm_unpackhi_epi8(original, zero), _mm_unpackhi_epi8(smooth, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_packus_epi16(first, second));
    }
    SharpenRow_Plain(row + i, blurred + i, count - i, amount, threshold);
}

}  // namespace VelImageUtility
