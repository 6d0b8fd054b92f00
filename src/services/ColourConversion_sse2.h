// SSE2 forms of the per-colour rules of ColourConversion.h, four pixels at
// a time, for the *_sse2.cpp kernels. Each gives exactly the bytes of its
// scalar rule for 8-bit inputs (the tests run every colour through them).
//
// A pixel sits in one 32-bit lane: byte 0 | byte 1 << 8 | byte 2 << 16 |
// byte 3 << 24. _mm_madd_epi16 then works on the lane's two 16-bit halves:
// (byte 0, byte 2) from one mask, and (byte 1, a constant) from a shift, so
// that one multiply-add pair gives all three weighted bytes plus the
// rounding offset of a 12-bit fixed-point sum.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "services/ColourConversion.h"

namespace VelImageUtility {

// A 32-bit lane holding the 16-bit weights (low, high).
inline __m128i WeightPair(int32_t low, int32_t high) {
    return _mm_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(low) & 0xFFFFu) |
                                               (static_cast<uint32_t>(high) << 16)));
}

// (byte 0, byte 2) of each lane.
inline __m128i OuterBytePairs(__m128i pixels) {
    return _mm_and_si128(pixels, _mm_set1_epi32(0x00FF00FF));
}

// Offsets are brought in as kOffsetUnit x weight, a weight that fits 16 bits:
// 67584 = 32 x 2112 and 526336 = 32 x 16448.
constexpr int32_t kOffsetUnit = 32;
static_assert(kLumaOffset % kOffsetUnit == 0 && kLumaOffset / kOffsetUnit <= INT16_MAX, "");
static_assert(kChromaOffset % kOffsetUnit == 0 && kChromaOffset / kOffsetUnit <= INT16_MAX, "");

// (byte 1, kOffsetUnit) of each lane.
inline __m128i MiddleByteWithUnit(__m128i pixels) {
    const __m128i middle = _mm_and_si128(_mm_srli_epi32(pixels, 8), _mm_set1_epi32(0xFF));
    return _mm_or_si128(middle, _mm_set1_epi32(kOffsetUnit << 16));
}

struct YuvLanes {
    __m128i y, u, v;  // 32-bit lanes, one pixel each
};

// ConvertRGBToYUV of four ARGB pixels: 16..235 and 16..240, never outside.
inline YuvLanes ArgbToYuv4_Sse2(__m128i argb) {
    const __m128i blueRed = OuterBytePairs(argb);
    const __m128i greenUnit = MiddleByteWithUnit(argb);
    auto sum = [&](int32_t blue, int32_t red, int32_t green, int32_t offset) {
        const __m128i total = _mm_add_epi32(_mm_madd_epi16(blueRed, WeightPair(blue, red)),
                                            _mm_madd_epi16(greenUnit, WeightPair(green, offset / kOffsetUnit)));
        return _mm_srai_epi32(total, 12);
    };
    YuvLanes out;
    out.y = sum(401, 1053, 2064, kLumaOffset);
    out.u = sum(1798, -606, -1192, kChromaOffset);
    out.v = sum(-291, 1798, -1507, kChromaOffset);
    return out;
}

// ConvertRGBToLuma of four ARGB pixels, one per 32-bit lane (16..235).
// (green, alpha) pairs come from one 16-bit shift, alpha weighted 0.
inline __m128i ArgbToLuma4_Sse2(__m128i argb) {
    const __m128i blueRed = _mm_madd_epi16(OuterBytePairs(argb), WeightPair(401, 1053));
    const __m128i green = _mm_madd_epi16(_mm_srli_epi16(argb, 8), WeightPair(2064, 0));
    return _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(blueRed, green), _mm_set1_epi32(kLumaOffset)), 12);
}

// Four AYUV pixels (V, U, Y, alpha) from four ARGB pixels, alpha copied.
inline __m128i ArgbToAyuv4_Sse2(__m128i argb) {
    const YuvLanes yuv = ArgbToYuv4_Sse2(argb);
    const __m128i alpha = _mm_and_si128(argb, _mm_set1_epi32(static_cast<int32_t>(0xFF000000u)));
    const __m128i vu = _mm_or_si128(yuv.v, _mm_slli_epi32(yuv.u, 8));
    return _mm_or_si128(_mm_or_si128(vu, _mm_slli_epi32(yuv.y, 16)), alpha);
}

// Bytes first0, second0, third0, 0, first1, second1, third1, 0 and eight
// zero bytes, each value of lanes 0 and 1 saturated to 0..255.
inline __m128i TwoPixelsFromLanes(__m128i first, __m128i second, __m128i third) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i firstSecond = _mm_packs_epi32(first, second);  // f0 f1 f2 f3 s0 s1 s2 s3
    const __m128i thirdZero = _mm_packs_epi32(third, zero);       // t0 t1 t2 t3 0 0 0 0
    const __m128i interleaved = _mm_unpacklo_epi16(firstSecond, _mm_srli_si128(firstSecond, 8));
    const __m128i words = _mm_unpacklo_epi32(interleaved, _mm_unpacklo_epi16(thirdZero, zero));
    return _mm_packus_epi16(words, zero);
}

// ConvertRGBToYUVPacked: two ARGB pixels in the low 8 bytes become two AYUV
// pixels with alpha 0; the high 8 bytes of the result are zero.
inline __m128i ArgbPairToAyuvPacked_Sse2(__m128i argb) {
    const YuvLanes yuv = ArgbToYuv4_Sse2(argb);
    return TwoPixelsFromLanes(yuv.v, yuv.u, yuv.y);
}

struct RgbLanes {
    __m128i r, g, b;  // 32-bit lanes, one pixel each
};

// ConvertYUVToRGB of four AYUV pixels (V, U, Y, alpha), not clamped.
inline RgbLanes AyuvToRgb4_Sse2(__m128i ayuv) {
    // (V - 128, Y - 16) and (U - 128, 1): the 1 carries the rounding 2048.
    const __m128i redLuma = _mm_sub_epi16(OuterBytePairs(ayuv), WeightPair(128, 16));
    const __m128i blueUnit = _mm_sub_epi16(_mm_and_si128(_mm_srli_epi32(ayuv, 8), _mm_set1_epi32(0xFF)),
                                           WeightPair(128, -1));
    auto sum = [&](int32_t red, int32_t blue) {
        const __m128i total = _mm_add_epi32(_mm_madd_epi16(redLuma, WeightPair(red, 4768)),
                                            _mm_madd_epi16(blueUnit, WeightPair(blue, kRounding)));
        return _mm_srai_epi32(total, 12);
    };
    RgbLanes out;
    // Red has no U term: its rounding comes as an addition, one multiply fewer.
    out.r = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(redLuma, WeightPair(6537, 4768)),
                                         _mm_set1_epi32(kRounding)), 12);
    out.g = sum(-3330, -1602);
    out.b = sum(0, 8266);
    return out;
}

// ConvertYUVToRGBPacked: two AYUV pixels in the low 8 bytes become two ARGB
// pixels with alpha 0, each colour clamped to 0..255.
inline __m128i AyuvPairToArgbPacked_Sse2(__m128i ayuv) {
    const RgbLanes rgb = AyuvToRgb4_Sse2(ayuv);
    return TwoPixelsFromLanes(rgb.b, rgb.g, rgb.r);
}

// Eight ARGB pixels from eight AYUV pixels (`first` and `second`), each
// colour clamped to 0..255, alpha copied. Packing eight at once takes fewer
// shuffles per pixel than four.
inline void AyuvToArgb8_Sse2(__m128i first, __m128i second, __m128i* out) {
    const RgbLanes one = AyuvToRgb4_Sse2(first), two = AyuvToRgb4_Sse2(second);
    // b0..b7 r0..r7 and g0..g7 a0..a7, then two interleaves make it per pixel.
    const __m128i blueRed = _mm_packus_epi16(_mm_packs_epi32(one.b, two.b), _mm_packs_epi32(one.r, two.r));
    const __m128i greenAlpha = _mm_packus_epi16(
        _mm_packs_epi32(one.g, two.g), _mm_packs_epi32(_mm_srli_epi32(first, 24), _mm_srli_epi32(second, 24)));
    const __m128i blueGreen = _mm_unpacklo_epi8(blueRed, greenAlpha);
    const __m128i redAlpha = _mm_unpackhi_epi8(blueRed, greenAlpha);
    out[0] = _mm_unpacklo_epi16(blueGreen, redAlpha);
    out[1] = _mm_unpackhi_epi16(blueGreen, redAlpha);
}

struct HslLanes {
    __m128i h, s, l;  // full scale 0..65532, 32-bit lanes
};

// RgbToHslFullScale of four ARGB pixels. The integer divisions are done in
// single precision, which is exact here: every numerator and product is an
// integer below 2^24, and a true quotient that is not whole lies at least
// 1/510 from the next whole number, more than half a unit in the last place
// of any quotient below 2^16, so truncating the rounded quotient gives the
// truncated integer quotient.
inline HslLanes ArgbToHsl4_Sse2(__m128i argb) {
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    const __m128i blue = _mm_and_si128(argb, byteMask);
    const __m128i green = _mm_and_si128(_mm_srli_epi32(argb, 8), byteMask);
    const __m128i red = _mm_and_si128(_mm_srli_epi32(argb, 16), byteMask);
    // The high halves of the lanes are 0, so 16-bit max and min act on 32 bits.
    const __m128i cMax = _mm_max_epi16(_mm_max_epi16(red, green), blue);
    const __m128i cMin = _mm_min_epi16(_mm_min_epi16(red, green), blue);
    const __m128i sum = _mm_add_epi32(cMax, cMin);
    const __m128i d = _mm_sub_epi32(cMax, cMin);
    const __m128i one = _mm_set1_epi32(1);
    const __m128i isGrey = _mm_cmpeq_epi32(d, _mm_setzero_si128());

    // (sum x 65532 + 255) / 510 = 128 x sum + (252 x sum + 255) / 510, which
    // keeps the numerator small.
    const __m128 sumF = _mm_cvtepi32_ps(sum);
    const __m128i lightnessRest = _mm_cvttps_epi32(
        _mm_div_ps(_mm_add_ps(_mm_mul_ps(sumF, _mm_set1_ps(252.0f)), _mm_set1_ps(255.0f)),
                   _mm_set1_ps(static_cast<float>(kRgbMaxTwice))));
    const __m128i lightness = _mm_add_epi32(_mm_slli_epi32(sum, 7), lightnessRest);

    // Greys divide by 1 instead of 0; their results are replaced below.
    const __m128i bright = _mm_cmpgt_epi32(lightness, _mm_set1_epi32(kHlsHalf));
    const __m128i saturationBase = _mm_max_epi16(
        _mm_or_si128(_mm_andnot_si128(bright, sum),
                     _mm_and_si128(bright, _mm_sub_epi32(_mm_set1_epi32(kRgbMaxTwice), sum))),
        one);
    const __m128 dF = _mm_cvtepi32_ps(d);
    const __m128i saturation = _mm_andnot_si128(
        isGrey, _mm_cvttps_epi32(_mm_div_ps(
                    _mm_add_ps(_mm_mul_ps(dF, _mm_set1_ps(static_cast<float>(kHlsMax))),
                               _mm_cvtepi32_ps(_mm_srai_epi32(saturationBase, 1))),
                    _mm_cvtepi32_ps(saturationBase))));

    const __m128i redIsMax = _mm_cmpeq_epi32(red, cMax);
    const __m128i greenIsMax = _mm_andnot_si128(redIsMax, _mm_cmpeq_epi32(green, cMax));
    const __m128i blueIsMax = _mm_andnot_si128(_mm_or_si128(redIsMax, greenIsMax), _mm_set1_epi32(-1));
    const __m128i difference =
        _mm_or_si128(_mm_or_si128(_mm_and_si128(redIsMax, _mm_sub_epi32(green, blue)),
                                  _mm_and_si128(greenIsMax, _mm_sub_epi32(blue, red))),
                     _mm_and_si128(blueIsMax, _mm_sub_epi32(red, green)));
    const __m128i sector = _mm_or_si128(_mm_and_si128(greenIsMax, _mm_set1_epi32(kHueThird)),
                                        _mm_and_si128(blueIsMax, _mm_set1_epi32(kHueTwoThirds)));
    const __m128i dSafe = _mm_max_epi16(d, one);
    const __m128i hueInSector = _mm_cvttps_epi32(_mm_div_ps(
        _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(difference), _mm_set1_ps(static_cast<float>(kHueSixth))),
                   _mm_cvtepi32_ps(_mm_srai_epi32(dSafe, 1))),
        _mm_cvtepi32_ps(dSafe)));
    __m128i hue = _mm_add_epi32(hueInSector, sector);
    const __m128i fullTurn = _mm_set1_epi32(kHlsMax);
    hue = _mm_add_epi32(hue, _mm_and_si128(_mm_cmplt_epi32(hue, _mm_setzero_si128()), fullTurn));
    hue = _mm_sub_epi32(hue, _mm_and_si128(_mm_cmpgt_epi32(hue, fullTurn), fullTurn));
    hue = _mm_or_si128(_mm_andnot_si128(isGrey, hue),
                       _mm_and_si128(isGrey, _mm_set1_epi32(kHueTwoThirds)));

    HslLanes out;
    out.h = hue;
    out.s = saturation;
    out.l = lightness;
    return out;
}

}  // namespace VelImageUtility
