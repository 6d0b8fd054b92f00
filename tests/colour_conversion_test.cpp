// Colour conversions: single colours, Clamp, packed pairs, and whole ARGB
// and AYUV images.

#include <array>
#include <tuple>

#include "services/ColourConversion.h"
#include "test_support.h"

using namespace VelImageUtility;
using ::testing::PrintToString;
using namespace VelImageUtility::test;

namespace {

using Triple = std::array<int32_t, 3>;

// One of the three-in, three-out conversions, on bytes or on 32-bit values.
template <class T>
Triple Call(void (ICImageUtility::*op)(T, T, T, T*, T*, T*), const Triple& in) {
    CImageUtility utility;
    T out[3] = {};
    (utility.*op)(T(in[0]), T(in[1]), T(in[2]), &out[0], &out[1], &out[2]);
    return {out[0], out[1], out[2]};
}

TEST(ColourConversion, Examples) {
    const auto toHsl = &ICImageUtility::ConvertRGBToHSL, fromHsl = &ICImageUtility::ConvertHSLToRGB;
    const std::tuple<decltype(toHsl), Triple, Triple> hslCases[] = {
        {toHsl, {255, 0, 0}, {0, 255, 127}},        {toHsl, {0, 255, 0}, {85, 255, 127}},
        {toHsl, {0, 0, 255}, {170, 255, 127}},      {toHsl, {255, 255, 255}, {170, 0, 255}},
        {toHsl, {255, 0, 255}, {213, 255, 127}},    {toHsl, {200, 100, 50}, {14, 153, 125}},
        {toHsl, {10, 20, 30}, {149, 127, 20}},      {toHsl, {1, 0, 0}, {0, 255, 0}},
        {toHsl, {254, 255, 255}, {127, 255, 255}},  {fromHsl, {0, 255, 127}, {253, 0, 0}},
        {fromHsl, {85, 255, 127}, {2, 253, 0}},     {fromHsl, {170, 255, 127}, {0, 4, 253}},
        {fromHsl, {0, 0, 255}, {254, 254, 254}},    {fromHsl, {42, 128, 200}, {227, 226, 171}},
        {fromHsl, {200, 50, 60}, {64, 48, 71}},     {fromHsl, {255, 255, 127}, {253, 0, 6}},
    };
    for (const auto& [op, in, out] : hslCases) EXPECT_EQ(Call(op, in), out) << PrintToString(in);

    // None of the YUV conversions clamps.
    const auto toYuv = &ICImageUtility::ConvertRGBToYUV, fromYuv = &ICImageUtility::ConvertYUVToRGB;
    const auto noOffset = &ICImageUtility::ConvertRGBToYUVNoOffset;
    const std::tuple<decltype(toYuv), Triple, Triple> yuvCases[] = {
        {toYuv, {0, 0, 0}, {16, 128, 128}},          {toYuv, {255, 255, 255}, {235, 128, 128}},
        {toYuv, {255, 0, 0}, {82, 90, 240}},         {toYuv, {0, 255, 0}, {144, 54, 34}},
        {toYuv, {0, 0, 255}, {41, 240, 110}},        {toYuv, {1000, -5, 3}, {271, -17, 569}},
        {noOffset, {255, 255, 255}, {219, 0, 0}},    {noOffset, {255, 0, 0}, {66, -38, 112}},
        {noOffset, {1000, -5, 3}, {255, -145, 441}}, {fromYuv, {16, 128, 128}, {0, 0, 0}},
        {fromYuv, {235, 128, 128}, {255, 255, 255}}, {fromYuv, {255, 128, 255}, {481, 175, 278}},
        {fromYuv, {0, 0, 0}, {-223, 136, -277}},     {fromYuv, {81, 90, 240}, {254, -1, -1}},
    };
    for (const auto& [op, in, out] : yuvCases) EXPECT_EQ(Call(op, in), out) << PrintToString(in);

    // Clamp: bounds, and an inverted range gives its lower bound.
    const int32_t cases[][4] = {{40, 0, 30, 30}, {-5, 0, 30, 0}, {7, 10, 5, 10}, {12, 10, 5, 10}, {12, 0, 30, 12},
                                {INT32_MIN, INT32_MIN, 0, INT32_MIN}, {INT32_MAX, 0, INT32_MAX, INT32_MAX}};
    for (const auto& c : cases) EXPECT_EQ(Clamp(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1];
}

// Opaque white, transparent black and pure red; each plane has a padding
// byte. Red comes back from its HSL planes as 253. A padded AYUV destination
// is converted only by the plain level (the vector one takes packed rows).
TEST(ArgbColourConversion, ExamplesAtBothLevels) {
    const Bytes converted = {128, 128, 235, 255, 128, 128, 16, 0, 240, 90, 82, 77};
    for (int32_t level : {0, 3}) {
        Frame argb = FrameOf({255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 77}, 3, 4);
        Frame ayuv = FrameOf(Bytes(12, 0xCC), 3, 4), padded = FrameOf(Bytes(16, 0xCC), 3, 4);
        Frame luma = FrameOf({1, 1, 1, 1}, 3, 1), h = luma, s = luma, l = luma;
        ImageDesc ayuvDesc = ayuv.Desc(), paddedDesc = padded.Desc(), lumaDesc = luma.Desc(), hDesc = h.Desc(),
                  sDesc = s.Desc(), lDesc = l.Desc();
        CImageARGB image = ImageAt(level, argb);
        image.ConvertToAYUV(&ayuvDesc);
        image.ConvertToAYUV(&paddedDesc);
        image.ConvertToLuma(&lumaDesc);
        image.ConvertToHSLPlanes(&hDesc, &sDesc, &lDesc);
        EXPECT_EQ(ayuv.bytes, converted) << level;
        Bytes paddedAfter = level == 3 ? Bytes(12, 0xCC) : converted;
        paddedAfter.resize(16, 0xCC);
        EXPECT_EQ(padded.bytes, paddedAfter) << level;
        EXPECT_EQ(luma.bytes, (Bytes{235, 16, 82, 1})) << level;
        EXPECT_EQ((std::vector<Bytes>{h.bytes, s.bytes, l.bytes}), (std::vector<Bytes>{{170, 170, 0, 1}, {0, 0, 255, 1}, {255, 0, 127, 1}})) << level;
        image.ConvertFromHSLPlanes(&hDesc, &sDesc, &lDesc);
        EXPECT_EQ(argb.bytes, (Bytes{254, 254, 254, 255, 0, 0, 0, 0, 0, 0, 253, 77})) << level;
    }
}

Bytes Packed(void (ICImageUtility::*op)(__m128i, __m128i*), const uint8_t* in) {
    CImageUtility utility;
    __m128i vector, result;
    std::memcpy(&vector, in, 16);
    (utility.*op)(vector, &result);
    return Bytes(reinterpret_cast<uint8_t*>(&result), reinterpret_cast<uint8_t*>(&result) + 16);
}

// Every colour, with varied alpha: the luma and the packed pair forms (two
// pixels a call, the high half ignored) give the scalar results (RGB clamped).
TEST(ColourConversionSweep, PackedFormsAgreeOnEveryColour) {
    CImageUtility utility;
    for (int32_t colour = 0; colour < (1 << 24); colour += 2 * kRedStep) {
        uint8_t argb[16] = {};
        Bytes yuv(16), rgb(16);
        for (int32_t p = 0; p < 2; ++p) {
            uint8_t* in = &argb[4 * p];
            const int32_t c = colour + p * kRedStep;
            in[0] = uint8_t(c), in[1] = uint8_t(c >> 8), in[2] = uint8_t(c >> 16), in[3] = uint8_t(c * 31);
            const YuvValues y = RgbToYuv(in[2], in[1], in[0]);
            const RgbValues r = YuvToRgb(in[2], in[1], in[0]);
            uint8_t luma = 0;
            utility.ConvertRGBToLuma(in[2], in[1], in[0], &luma);
            ASSERT_EQ(luma, y.y) << c;
            const int32_t want[2][3] = {{y.v, y.u, y.y}, {Clamp(r.b, 0, 255), Clamp(r.g, 0, 255), Clamp(r.r, 0, 255)}};
            for (int32_t i = 0; i < 3; ++i) yuv[4 * p + i] = uint8_t(want[0][i]), rgb[4 * p + i] = uint8_t(want[1][i]);
        }
        ASSERT_EQ(Packed(&ICImageUtility::ConvertRGBToYUVPacked, argb), yuv) << colour;
        ASSERT_EQ(Packed(&ICImageUtility::ConvertYUVToRGBPacked, argb), rgb) << colour;
    }
}

// Every colour with varied alpha, a slab of 2^20 at a time: the whole-image
// conversions give the plain bytes at the SSE2 and at the AVX2 tier.
TEST(ColourConversionSweep, ImageConversionsAgreeOnEveryColourAtEachTier) {
    const std::pair<int32_t, VectorTier> settings[] = {{0, VectorTier::Sse2}, {3, VectorTier::Sse2}, {3, VectorTier::Avx2}};
    Frame source = Uniform(1024, 1024, 0), argb[3] = {source, source, source}, ayuv[3] = {source, source, source};
    Frame luma[3] = {{Bytes(1 << 20), 1024, 1024, 1, 1024}, luma[0], luma[0]};
    for (uint32_t slab = 0; slab < 16; ++slab) {
        for (uint32_t i = 0; i < (1u << 20); ++i) {
            const uint32_t pixel = (slab << 20 | i) | (i * 37u) << 24;
            std::memcpy(&source.bytes[4 * i], &pixel, 4);
        }
        for (int32_t s = 0; s < 3; ++s) {
            ScopedVectorTier scoped(settings[s].second);
            ImageDesc argbDesc = argb[s].Desc(), ayuvDesc = ayuv[s].Desc(), lumaDesc = luma[s].Desc();
            ImageAt<CImageAYUV>(settings[s].first, source).ConvertToARGB(&argbDesc);
            ImageAt(settings[s].first, source).ConvertToAYUV(&ayuvDesc);
            ImageAt(settings[s].first, source).ConvertToLuma(&lumaDesc);
            ASSERT_TRUE(argb[s].bytes == argb[0].bytes && ayuv[s].bytes == ayuv[0].bytes && luma[s].bytes == luma[0].bytes)
                << "slab " << slab << ", setting " << s;
        }
    }
}

// Black with alpha 200, white, white beyond 235 (clamped), a colour whose
// blue falls below 0 (B 0, G 70, R 213 by hand), and extreme chroma. The
// destination rows are wider than the image's; their padding stays. Y
// goes to the luma plane.
TEST(AyuvConvertToARGB, StudioRangeExamplesAtBothLevels) {
    const Bytes ayuv = {128, 128, 16, 200, 128, 128, 235, 255, 128, 128, 255, 9,
                        200, 50, 100, 7,   0,   0,   16,  1,   255, 255, 255, 2};
    const Bytes expected = {0, 0,  0,   200, 255, 255, 255, 255, 255, 255, 255, 9, 0xEE, 0xEE,
                            0, 70, 213, 7,   0,   154, 0,   1,   255, 125, 255, 2, 0xEE, 0xEE};
    for (int32_t level : {0, 3}) {
        Frame source{ayuv, 3, 2, 4, 12};
        Frame destination{Bytes(28, 0xEE), 3, 2, 4, 14}, luma{Bytes(7, 0xEE), 3, 2, 1, 4};
        ImageDesc desc = destination.Desc(), lumaDesc = luma.Desc();
        ImageAt<CImageAYUV>(level, source).ConvertToARGB(&desc);
        ImageAt<CImageAYUV>(level, source).ConvertToLuma(&lumaDesc);
        EXPECT_EQ(destination.bytes, expected) << level;
        EXPECT_EQ(luma.bytes, (Bytes{16, 235, 255, 0xEE, 100, 16, 255})) << level;
    }
}

}  // namespace
