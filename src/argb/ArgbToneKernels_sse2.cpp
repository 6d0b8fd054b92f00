#include <emmintrin.h>

#include "argb/ArgbPixels_sse2.h"
#include "argb/ArgbToneKernels.h"
#include "byte/ByteGroups_sse2.h"
#include "services/ColourConversion_sse2.h"
#include "services/ToneCurves_sse2.h"

namespace VelImageUtility {

namespace {
// Runs a byte-wise transform over the row's bytes, 4 pixels per step and
// then a pair, the transform's colour bytes merged with the old alpha.
// Returns the pixels done; an odd last pixel is left to the caller.
template <typename Transform>
int32_t TransformPixelPairs(uint8_t* row, int32_t width, Transform transform) {
    const size_t bytes = static_cast<size_t>(width) * 4;
    const size_t done = TransformByteGroups(
        row, bytes, [&](__m128i pixels) { return WithAlphaOf(transform(pixels), pixels); }, row);
    return static_cast<int32_t>(done / 4);
}

inline __m128i Load(const uint8_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }

// (max + min + 1) >> 1 of blue, green and red in each lane, 0..255.
// Shifting each lane right by 8 and 16 brings green and red to byte 0;
// alpha never reaches it.
inline __m128i Lightness4(__m128i pixels) {
    const __m128i green = _mm_srli_epi32(pixels, 8);
    const __m128i red = _mm_srli_epi32(pixels, 16);
    const __m128i high = _mm_max_epu8(_mm_max_epu8(pixels, green), red);
    const __m128i low = _mm_min_epu8(_mm_min_epu8(pixels, green), red);
    return _mm_and_si128(_mm_avg_epu8(high, low), _mm_set1_epi32(0xFF));
}

// Eight pixels per step become grey by `value4` (four lanes of values).
template <typename Value4>
size_t SetGreyGroupsOf8(uint8_t* pixels, size_t count, Value4 value4) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint8_t* group = pixels + 4 * i;
        const __m128i first = Load(group), second = Load(group + 16);
        StoreGreyPixels8(group, value4(first), value4(second), first, second);
    }
    return i;
}
}  // namespace

void ConvertToGrayRow_Sse2(uint8_t* row, int32_t width) {
    const int32_t done = static_cast<int32_t>(SetGreyGroupsOf8(
        row, static_cast<size_t>(width), [](__m128i pixels) { return ArgbToLuma4_Sse2(pixels); }));
    ConvertToGrayRow_Plain(row + 4 * done, width - done);
}

void GrayLightnessRun_Sse2(uint8_t* pixels, size_t count) {
    const size_t done = SetGreyGroupsOf8(pixels, count, [](__m128i group) { return Lightness4(group); });
    GrayLightnessRun_Plain(pixels + 4 * done, count - done);
}

// 255 - c is c with every bit flipped.
void InvertRow_Sse2(uint8_t* row, int32_t width) {
    const __m128i colourBits = _mm_set1_epi32(0x00FFFFFF);
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128i* pixels = reinterpret_cast<__m128i*>(row + 4 * x);
        _mm_storeu_si128(pixels, _mm_xor_si128(_mm_loadu_si128(pixels), colourBits));
    }
    InvertRow_Plain(row + 4 * x, width - x);
}

void PosterizeRow_Sse2(uint8_t* row, int32_t width, const PosterizeDivision& division) {
    const PosterizeLanes lanes = PosterizeLanesOf(division);
    const int32_t done = TransformPixelPairs(
        row, width, [&](__m128i pixels) { return PosterizeBytes_Sse2(pixels, lanes); });
    PosterizeRow_Plain(row + 4 * done, width - done, division.step);
}

void MapLevelsRow_Sse2(uint8_t* row, int32_t width, const LevelsLine& line) {
    const LevelsLanes lanes = LevelsLanesOf(line);
    const int32_t done = TransformPixelPairs(row, width, [&](__m128i pixels) { return LevelsBytes_Sse2(pixels, lanes); });
    for (uint8_t* pixel = row + 4 * done; pixel < row + 4 * width; pixel += 4) {
        for (int32_t lane = 0; lane < 3; ++lane) pixel[lane] = ApplyLevelsLine(pixel[lane], line);
    }
}

void AdjustContrastRow_Sse2(uint8_t* row, int32_t width, int32_t factor) {
    const __m128i factor16 = _mm_set1_epi16(static_cast<int16_t>(factor));
    const int32_t done = TransformPixelPairs(
        row, width, [&](__m128i pixels) { return ContrastBytes_Sse2(pixels, factor16); });
    AdjustContrastRow_Plain(row + 4 * done, width - done, factor);
}

// Saturating byte arithmetic is the clamp to 0..255; a delta beyond +-255
// saturates every byte exactly as the limited one does.
void AdjustBrightnessRow_Sse2(uint8_t* row, int32_t width, int32_t delta) {
    const int32_t limited = delta < -255 ? -255 : (delta > 255 ? 255 : delta);
    const __m128i amount = _mm_set1_epi8(static_cast<char>(limited < 0 ? -limited : limited));
    int32_t done;
    if (limited >= 0) {
        done = TransformPixelPairs(row, width, [&](__m128i pixels) { return _mm_adds_epu8(pixels, amount); });
    } else {
        done = TransformPixelPairs(row, width, [&](__m128i pixels) { return _mm_subs_epu8(pixels, amount); });
    }
    AdjustBrightnessRow_Plain(row + 4 * done, width - done, delta);
}

// Unsigned saturating subtraction of the plane byte; alpha subtracts 0.
void SubtractPlaneRow_Sse2(uint8_t* row, const uint8_t* plane, int32_t width) {
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    const int32_t x = CombineWithPlaneBytes16(plane, row, width, [&](__m128i pixels, __m128i repeated) {
        return _mm_subs_epu8(pixels, _mm_and_si128(repeated, colourMask));
    });
    SubtractPlaneRow_Plain(row + 4 * x, plane + x, 1, width - x);
}

}  // namespace VelImageUtility
