// Whole-image conversions of ARGB images: AYUV, luma, HSL planes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "argb/ArgbColourConversionKernels.h"
#include "colour_test_support.h"

using namespace VelImageUtility;
using namespace colour_test;

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ArgbColourConversion, ExamplesAtBothLevels) {
    for (int32_t level : {0, 3}) {
        // Opaque white and transparent black; the luma plane has a padding byte.
        Frame argb = FrameOf({255, 255, 255, 255, 0, 0, 0, 0}, 2, 4);
        Frame ayuv = FrameOf(Bytes(8, 0xCC), 2, 4), luma = FrameOf({1, 1, 1}, 2, 1);
        CImageARGB image = ImageAt(level, argb);
        ImageDesc ayuvDesc = ayuv.Desc(), lumaDesc = luma.Desc();
        image.ConvertToAYUV(&ayuvDesc);
        image.ConvertToLuma(&lumaDesc);
        EXPECT_EQ(ayuv.bytes, (Bytes{128, 128, 235, 255, 128, 128, 16, 0})) << level;
        EXPECT_EQ(luma.bytes, (Bytes{235, 16, 1})) << level;

        // Pure red through HSL planes and back comes out as 253.
        Frame red = FrameOf({0, 0, 255, 77}, 1, 4), h = FrameOf({9}, 1, 1), s = h, l = h;
        CImageARGB redImage = ImageAt(level, red);
        ImageDesc hDesc = h.Desc(), sDesc = s.Desc(), lDesc = l.Desc();
        redImage.ConvertToHSLPlanes(&hDesc, &sDesc, &lDesc);
        EXPECT_EQ((Bytes{h.bytes[0], s.bytes[0], l.bytes[0]}), (Bytes{0, 255, 127})) << level;
        redImage.ConvertFromHSLPlanes(&hDesc, &sDesc, &lDesc);
        EXPECT_EQ(red.bytes, (Bytes{0, 0, 253, 77})) << level;
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

TEST(ArgbColourConversion, VariantsAgree) {
    std::mt19937 rng(2);
    ForEachShape([&](int32_t width, int32_t height, int32_t padding) {
        const Frame argb = RandomFrame(rng, width, height, 4, padding);
        // The vector AYUV rows need a packed destination.
        ExpectVariantsAgree({argb, RandomFrame(rng, width, height, 4, 0)},
                            [](auto& image, auto& d) { image.ConvertToAYUV(&d[0]); });
        ExpectVariantsAgree({argb, RandomFrame(rng, width, height, 1, padding),
                             RandomFrame(rng, width, height, 1, 0), RandomFrame(rng, width, height, 1, 3)},
                            [](auto& image, auto& d) { image.ConvertToHSLPlanes(&d[0], &d[1], &d[2]); });
    });
}

// The variants agree on every pixel; the vector one also leaves the zeros of
// its last four-pixel group in the plane padding of every row but the last.
TEST(ArgbConvertToLuma, VariantsAgreeButForTheGroupSpill) {
    std::mt19937 rng(3);
    ForEachShape([&](int32_t width, int32_t height, int32_t padding) {
        Frame argb = RandomFrame(rng, width, height, 4, padding);
        const Frame original = RandomFrame(rng, width, height, 1, padding);
        Frame plain = original, sse2 = original;
        for (auto [level, frame] : {std::pair{0, &plain}, std::pair{3, &sse2}}) {
            ImageDesc plane = frame->Desc();
            ImageAt(level, argb).ConvertToLuma(&plane);
        }
        Frame expected = plain;
        for (int32_t y = 0; width >= 4 && y + 1 < height; ++y) {
            for (int32_t x = width; x < 4 * (width / 4) + 4 && x < expected.stride; ++x) {
                expected.bytes[y * expected.stride + x] = 0;
            }
        }
        ASSERT_TRUE(plain.PaddingEquals(original)) << width << "x" << height;
        ASSERT_EQ(sse2.bytes, expected.bytes) << width << "x" << height << " padding " << padding;
    });
}

// Every colour, with varied alpha, through the plain and the SSE2 rows.
TEST(ArgbColourConversionRows, VariantsAgreeOnEveryColour) {
    const int32_t width = 65536;
    Bytes argb(4 * width), plain(4 * width), sse2(4 * width);
    for (int32_t red = 0; red < 256; red += kRedStep) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t pixel[4] = {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8),
                                      static_cast<uint8_t>(red), static_cast<uint8_t>(x * 31 + red)};
            std::memcpy(&argb[4 * x], pixel, 4);
        }
        ConvertToAYUVRow_Plain(argb.data(), plain.data(), width);
        ConvertToAYUVRow_Sse2(argb.data(), sse2.data(), width);
        ASSERT_EQ(plain, sse2) << "AYUV, red " << red;
        ConvertToLumaRow_Plain(argb.data(), 4, plain.data(), 1, width);
        ConvertToLumaRow_Sse2(argb.data(), sse2.data(), width);
        ASSERT_EQ(plain, sse2) << "luma, red " << red;
        ConvertToHSLPlanesRow_Plain(argb.data(), plain.data(), plain.data() + width,
                                    plain.data() + 2 * width, width);
        ConvertToHSLPlanesRow_Sse2(argb.data(), sse2.data(), sse2.data() + width,
                                   sse2.data() + 2 * width, width);
        ASSERT_EQ(plain, sse2) << "HSL, red " << red;
    }
}

}  // namespace
