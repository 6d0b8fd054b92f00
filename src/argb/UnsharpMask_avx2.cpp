// The AVX2 groups of the unsharp mask: the SSE2 rows' steps in wider registers.
#include "argb/UnsharpMaskGroups.h"
#include "services/ByteGroups_avx2.h"

namespace VelImageUtility {

namespace {

// Eight samples widened to single precision.
inline __m256 Samples8(const uint8_t* in) {
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in))));
}

// Sums of 32 products, the eight-sample groups read through `samples`.
template <typename Samples>
inline __m256i SumsOf32(const float* scaledTaps, int32_t taps, Samples samples) {
    __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0, s3 = s0;
    for (int32_t k = 0; k < taps; ++k) {
        const __m256 tap = _mm256_set1_ps(scaledTaps[k]);
        s0 = _mm256_add_epi32(s0, _mm256_cvttps_epi32(_mm256_mul_ps(tap, samples(k, 0))));
        s1 = _mm256_add_epi32(s1, _mm256_cvttps_epi32(_mm256_mul_ps(tap, samples(k, 8))));
        s2 = _mm256_add_epi32(s2, _mm256_cvttps_epi32(_mm256_mul_ps(tap, samples(k, 16))));
        s3 = _mm256_add_epi32(s3, _mm256_cvttps_epi32(_mm256_mul_ps(tap, samples(k, 24))));
    }
    // Sums are not negative; packing saturates at 255 as the plain rule cuts.
    const __m256i low = _mm256_packs_epi32(_mm256_srai_epi32(s0, 16), _mm256_srai_epi32(s1, 16));
    const __m256i high = _mm256_packs_epi32(_mm256_srai_epi32(s2, 16), _mm256_srai_epi32(s3, 16));
    const __m256i bytes = _mm256_packus_epi16(low, high);  // 0-3 8-11 16-19 24-27 | 4-7 12-15 20-23 28-31
    return _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// A short kernel's samples are widened once into a block of floats rather
// than once per tap; a kernel reaching further widens them per tap.
constexpr int32_t kBlockSums = 1024;
constexpr ptrdiff_t kMaxBlockReach = 1024;

}  // namespace

// Each tap's sample times the tap and 65536 in single precision, truncated,
// as in the SSE2 row; 32 sums at a time.
int32_t ProductSumGroups_Avx2(const uint8_t* in, ptrdiff_t tapStep, const float* scaledTaps, int32_t taps,
                              uint8_t* out, int32_t count) {
    const int32_t groups = count - count % 32;
    const ptrdiff_t reach = tapStep * (taps - 1);
    if (reach < 0 || reach > kMaxBlockReach) {
        for (int32_t e = 0; e < groups; e += 32) {
            const uint8_t* at = in + e;
            Store32(out + e, SumsOf32(scaledTaps, taps, [&](int32_t k, int32_t i) { return Samples8(at + k * tapStep + i); }));
        }
        return groups;
    }
    alignas(32) float widened[kBlockSums + kMaxBlockReach];
    for (int32_t start = 0; start < groups; start += kBlockSums) {
        const int32_t sums = groups - start < kBlockSums ? groups - start : kBlockSums;
        const int32_t samples = sums + static_cast<int32_t>(reach);
        const uint8_t* from = in + start;
        int32_t i = 0;
        for (; i + 8 <= samples; i += 8) _mm256_store_ps(widened + i, Samples8(from + i));
        for (; i < samples; ++i) widened[i] = static_cast<float>(from[i]);
        for (int32_t e = 0; e < sums; e += 32) {
            const float* at = widened + e;
            Store32(out + start + e,
                    SumsOf32(scaledTaps, taps, [&](int32_t k, int32_t j) { return _mm256_loadu_ps(at + k * tapStep + j); }));
        }
    }
    return groups;
}

// Each sample line is widened once and multiplied by the tap it is for in
// each of the kRowsAtOnce lines of sums it reaches.
int32_t RowSumGroups_Avx2(const uint8_t* in, ptrdiff_t rowStep, const float* scaledTaps, int32_t taps, uint8_t* out,
                          ptrdiff_t outStep, int32_t count) {
    static_assert(kRowsAtOnce == 4, "four lines of sums in registers");
    const int32_t groups = count - count % 16;
    for (int32_t e = 0; e < groups; e += 16) {
        __m256i sums[4][2];
        for (auto& line : sums) line[0] = line[1] = _mm256_setzero_si256();
        const uint8_t* at = in + e;
        // Sample line i serves line r through tap i - r: every line for
        // 3 <= i < taps, only some at either end.
        auto add = [&](int32_t i, int32_t r, __m256 first, __m256 second) {
            const __m256 tap = _mm256_set1_ps(scaledTaps[i - r]);
            sums[r][0] = _mm256_add_epi32(sums[r][0], _mm256_cvttps_epi32(_mm256_mul_ps(tap, first)));
            sums[r][1] = _mm256_add_epi32(sums[r][1], _mm256_cvttps_epi32(_mm256_mul_ps(tap, second)));
        };
        auto addSome = [&](int32_t i) {
            const __m256 first = Samples8(at + i * rowStep), second = Samples8(at + i * rowStep + 8);
            for (int32_t r = 0; r < 4; ++r) {
                if (i - r >= 0 && i - r < taps) add(i, r, first, second);
            }
        };
        int32_t i = 0;
        for (; i < 3 && i < taps + 3; ++i) addSome(i);
        for (; i < taps; ++i) {
            const __m256 first = Samples8(at + i * rowStep), second = Samples8(at + i * rowStep + 8);
            add(i, 0, first, second);
            add(i, 1, first, second);
            add(i, 2, first, second);
            add(i, 3, first, second);
        }
        for (; i < taps + 3; ++i) addSome(i);
        for (int32_t r = 0; r < 4; ++r) {
            // Sums are not negative; packing saturates at 255 as the plain rule cuts.
            const __m256i words = _mm256_permute4x64_epi64(
                _mm256_packs_epi32(_mm256_srai_epi32(sums[r][0], 16), _mm256_srai_epi32(sums[r][1], 16)), 0xD8);
            const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r * outStep + e), bytes);
        }
    }
    return groups;
}

// The SSE2 row's 16-bit steps on sixteen bytes per lane half: the
// unpacks and the pack keep the bytes in place.
size_t SharpenGroups_Avx2(uint8_t* row, const uint8_t* blurred, size_t count, int32_t amount, int32_t limit) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(amount >> 16));
    const __m256i low = _mm256_set1_epi16(static_cast<int16_t>(amount & 0xFFFF));
    const __m256i lowIsLarge = _mm256_set1_epi16((amount & 0x8000) ? -1 : 0);
    const __m256i limits = _mm256_set1_epi16(static_cast<int16_t>(limit));
    auto sharpen = [&](__m256i original, __m256i smooth) {
        __m256i diff = _mm256_sub_epi16(original, smooth);
        const __m256i twice = _mm256_slli_epi16(_mm256_max_epi16(diff, _mm256_sub_epi16(zero, diff)), 1);
        diff = _mm256_andnot_si256(_mm256_cmpgt_epi16(limits, twice), diff);
        const __m256i lowPart = _mm256_add_epi16(_mm256_mulhi_epi16(diff, low), _mm256_and_si256(diff, lowIsLarge));
        return _mm256_adds_epi16(original, _mm256_add_epi16(_mm256_mullo_epi16(diff, high), lowPart));
    };
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i original = Load32(row + i), smooth = Load32(blurred + i);
        const __m256i first = sharpen(_mm256_unpacklo_epi8(original, zero), _mm256_unpacklo_epi8(smooth, zero));
        const __m256i second = sharpen(_mm256_unpackhi_epi8(original, zero), _mm256_unpackhi_epi8(smooth, zero));
        Store32(row + i, _mm256_packus_epi16(first, second));
    }
    return i;
}

}  // namespace VelImageUtility
