// Whole-image conversions of ARGB images: AYUV, luma, HSL planes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "argb/ArgbColourConversionKernels.h"
#include "ayuv/AyuvConversionKernels.h"
#include "core/CImageUtility.h"
#include "services/ColourConversion.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// Opaque white, transparent black and pure red; each plane has a padding
// byte. Red comes back from its HSL planes as 253.
TEST(ArgbColourConversion, ExamplesAtBothLevels) {
    for (int32_t level : {0, 3}) {
        Frame argb = FrameOf({255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 77}, 3, 4);
        Frame ayuv = FrameOf(Bytes(12, 0xCC), 3, 4), luma = FrameOf({1, 1, 1, 1}, 3, 1);
        Frame h = luma, s = luma, l = luma;
        ImageDesc ayuvDesc = ayuv.Desc(), lumaDesc = luma.Desc();
        ImageDesc hDesc = h.Desc(), sDesc = s.Desc(), lDesc = l.Desc();
        CImageARGB image = ImageAt(level, argb);
        image.ConvertToAYUV(&ayuvDesc);
        image.ConvertToLuma(&lumaDesc);
        image.ConvertToHSLPlanes(&hDesc, &sDesc, &lDesc);
        EXPECT_EQ(ayuv.bytes, (Bytes{128, 128, 235, 255, 128, 128, 16, 0, 240, 90, 82, 77})) << level;
        EXPECT_EQ(luma.bytes, (Bytes{235, 16, 82, 1})) << level;
        EXPECT_EQ((std::vector<Bytes>{h.bytes, s.bytes, l.bytes}),
                  (std::vector<Bytes>{{170, 170, 0, 1}, {0, 0, 255, 1}, {255, 0, 127, 1}}))
            << level;
        image.ConvertFromHSLPlanes(&hDesc, &sDesc, &lDesc);
        EXPECT_EQ(argb.bytes, (Bytes{254, 254, 254, 255, 0, 0, 0, 0, 0, 0, 253, 77})) << level;
    }
}

TEST(ArgbConvertToAYUV, PaddedDestinationIsLeftAloneOnlyBySse2) {
    std::mt19937 rng(1);
    Frame argb = RandomFrame(rng, 3, 2, 4, 0);
    const Frame padded = RandomFrame(rng, 3, 2, 4, 4);
    for (int32_t level : {0, 3}) {
        Frame ayuv = padded;
        ImageDesc destination = ayuv.Desc();
        ImageAt(level, argb).ConvertToAYUV(&destination);
        EXPECT_EQ(ayuv.bytes == padded.bytes, level == 3) << level;
        EXPECT_TRUE(ayuv.PaddingEquals(padded));
    }
}

Bytes Packed(void (ICImageUtility::*op)(__m128i, __m128i*), const uint8_t* in) {
    CImageUtility utility;
    __m128i vector, result;
    std::memcpy(&vector, in, 16);
    (utility.*op)(vector, &result);
    return Bytes(reinterpret_cast<uint8_t*>(&result), reinterpret_cast<uint8_t*>(&result) + 16);
}

// Every colour, with varied alpha: the plain and SSE2 rows (AYUV to ARGB
// too, on the same bytes) agree, the luma
// byte is the scalar Y, and the packed pair forms (two pixels a call, the
// high half ignored) give the scalar results (RGB clamped).
TEST(ColourConversionSweep, VariantsAndPackedFormsAgreeOnEveryColour) {
    const int32_t width = 65536;
    Bytes argb(4 * width + 8), plain(4 * width), sse2(4 * width);
    CImageUtility utility;
    for (int32_t red = 0; red < 256; red += kRedStep) {
        for (int32_t x = 0; x < width + 2; ++x) {
            const uint8_t pixel[4] = {uint8_t(x), uint8_t(x >> 8), uint8_t(red), uint8_t(x * 31 + red)};
            std::memcpy(&argb[4 * x], pixel, 4);
        }
        ConvertToAYUVRow_Plain(argb.data(), plain.data(), width);
        ConvertToAYUVRow_Sse2(argb.data(), sse2.data(), width);
        ASSERT_EQ(plain, sse2) << "AYUV, red " << red;
        for (int32_t x = 0; x < width; x += 2) {
            Bytes yuv(16), rgb(16);
            for (int32_t p = 0; p < 2; ++p) {
                const uint8_t* in = &argb[4 * (x + p)];
                const YuvValues y = RgbToYuv(in[2], in[1], in[0]);
                const RgbValues r = YuvToRgb(in[2], in[1], in[0]);
                ASSERT_EQ(std::vector<int32_t>({plain[4 * (x + p)], plain[4 * (x + p) + 1], plain[4 * (x + p) + 2]}),
                          std::vector<int32_t>({y.v, y.u, y.y})) << red << " " << x + p;
                uint8_t luma = 0;
                utility.ConvertRGBToLuma(in[2], in[1], in[0], &luma);
                ASSERT_EQ(luma, y.y) << red << " " << x + p;
                const int32_t want[2][3] = {{y.v, y.u, y.y}, {Clamp(r.b, 0, 255), Clamp(r.g, 0, 255), Clamp(r.r, 0, 255)}};
                for (int32_t i = 0; i < 3; ++i) yuv[4 * p + i] = uint8_t(want[0][i]), rgb[4 * p + i] = uint8_t(want[1][i]);
            }
            ASSERT_EQ(Packed(&ICImageUtility::ConvertRGBToYUVPacked, &argb[4 * x]), yuv) << red << " " << x;
            ASSERT_EQ(Packed(&ICImageUtility::ConvertYUVToRGBPacked, &argb[4 * x]), rgb) << red << " " << x;
        }
        ConvertToLumaRow_Plain(argb.data(), 4, plain.data(), 1, width);
        ConvertToLumaRow_Sse2(argb.data(), sse2.data(), width);
        ASSERT_EQ(plain, sse2) << "luma, red " << red;
        ConvertToHSLPlanesRow_Plain(argb.data(), plain.data(), plain.data() + width, plain.data() + 2 * width, width);
        ConvertToHSLPlanesRow_Sse2(argb.data(), sse2.data(), sse2.data() + width, sse2.data() + 2 * width, width);
        ASSERT_EQ(plain, sse2) << "HSL, red " << red;
        ConvertToARGBRow_Plain(argb.data(), plain.data(), width);
        ConvertToARGBRow_Sse2(argb.data(), sse2.data(), width);
        ASSERT_EQ(plain, sse2) << "ARGB, Y " << red;
    }
}

}  // namespace
