// Whole-image conversions of ARGB images: AYUV, luma, HSL planes.
#include <gtest/gtest.h>

#include <utility>

#include <cstring>
#include <random>
#include <vector>

#include "argb/ArgbColourConversionKernels.h"
#include "colour_test_support.h"

using namespace VelImageUtility;
using colour_test::Frame;
using colour_test::ImageAt;
using colour_test::RandomFrame;

namespace {

Frame FrameOf(std::vector<uint8_t> bytes, int32_t width, int32_t height, int32_t bytesPerPixel) {
    Frame frame;
    frame.bytes = std::move(bytes);
    frame.width = width;
    frame.height = height;
    frame.bytesPerPixel = bytesPerPixel;
    frame.stride = static_cast<int32_t>(frame.bytes.size()) / height;
    return frame;
}

TEST(ArgbConvertToAYUV, WhiteAndBlackAtBothLevels) {
    for (int32_t level : {0, 3}) {
        // Opaque white, transparent black.
        Frame argb = FrameOf({255, 255, 255, 255, 0, 0, 0, 0}, 2, 1, 4);
        Frame ayuv = FrameOf(std::vector<uint8_t>(8, 0xCC), 2, 1, 4);
        CImageARGB image = ImageAt(level, argb);
        ImageDesc destination = ayuv.Desc();
        image.ConvertToAYUV(&destination);
        EXPECT_EQ(ayuv.bytes, (std::vector<uint8_t>{128, 128, 235, 255, 128, 128, 16, 0})) << level;
    }
}

TEST(ArgbConvertToAYUV, PaddedDestinationIsLeftAloneOnlyBySse2) {
    std::mt19937 rng(1);
    Frame argb = RandomFrame(rng, 3, 2, 4, 0);
    const Frame padded = RandomFrame(rng, 3, 2, 4, 4);
    for (int32_t level : {0, 3}) {
        Frame ayuv = padded;
        CImageARGB image = ImageAt(level, argb);
        ImageDesc destination = ayuv.Desc();
        image.ConvertToAYUV(&destination);
        EXPECT_EQ(ayuv.bytes == padded.bytes, level == 3) << level;
        EXPECT_TRUE(ayuv.PaddingEquals(padded));
    }
}

TEST(ArgbConvertToAYUV, VariantsAgree) {
    std::mt19937 rng(2);
    colour_test::ForEachShape([&](int32_t width, int32_t height, int32_t padding) {
        colour_test::ExpectVariantsAgree(
            {RandomFrame(rng, width, height, 4, padding), RandomFrame(rng, width, height, 4, 0)},
            [](CImageARGB& image, std::vector<Frame>& frames) {
                ImageDesc destination = frames[1].Desc();
                image.ConvertToAYUV(&destination);
            });
    });
}

// The variants agree on every pixel; the vector one also leaves the zeros of
// its last four-pixel group in the plane padding of every row but the last.
TEST(ArgbConvertToLuma, VariantsAgreeButForTheGroupSpill) {
    std::mt19937 rng(3);
    colour_test::ForEachShape([&](int32_t width, int32_t height, int32_t padding) {
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

TEST(ArgbConvertToLuma, BlackAndWhite) {
    for (int32_t level : {0, 3}) {
        Frame argb = FrameOf({0, 0, 0, 9, 255, 255, 255, 9}, 2, 1, 4);
        Frame luma = FrameOf({1, 1, 1}, 2, 1, 1);
        CImageARGB image = ImageAt(level, argb);
        ImageDesc plane = luma.Desc();
        image.ConvertToLuma(&plane);
        EXPECT_EQ(luma.bytes, (std::vector<uint8_t>{16, 235, 1})) << level;
    }
}

TEST(ArgbConvertToHSLPlanes, VariantsAgree) {
    std::mt19937 rng(4);
    colour_test::ForEachShape([&](int32_t width, int32_t height, int32_t padding) {
        colour_test::ExpectVariantsAgree(
            {RandomFrame(rng, width, height, 4, padding), RandomFrame(rng, width, height, 1, padding),
             RandomFrame(rng, width, height, 1, 0), RandomFrame(rng, width, height, 1, 3)},
            [](CImageARGB& image, std::vector<Frame>& frames) {
                ImageDesc h = frames[1].Desc(), s = frames[2].Desc(), l = frames[3].Desc();
                image.ConvertToHSLPlanes(&h, &s, &l);
            });
    });
}

TEST(ArgbHslPlanes, PureRedComesBackAs253) {
    for (int32_t level : {0, 3}) {
        Frame argb = FrameOf({0, 0, 255, 77}, 1, 1, 4);
        Frame h = FrameOf({9}, 1, 1, 1), s = FrameOf({9}, 1, 1, 1), l = FrameOf({9}, 1, 1, 1);
        CImageARGB image = ImageAt(level, argb);
        ImageDesc hd = h.Desc(), sd = s.Desc(), ld = l.Desc();
        image.ConvertToHSLPlanes(&hd, &sd, &ld);
        EXPECT_EQ((std::vector<uint8_t>{h.bytes[0], s.bytes[0], l.bytes[0]}),
                  (std::vector<uint8_t>{0, 255, 127}));
        image.ConvertFromHSLPlanes(&hd, &sd, &ld);
        EXPECT_EQ(argb.bytes, (std::vector<uint8_t>{0, 0, 253, 77})) << level;
    }
}

// Null data or another size on any side: nothing is written.
TEST(ArgbColourConversion, MismatchedOrMissingOperandsChangeNothing) {
    std::mt19937 rng(6);
    Frame argb = RandomFrame(rng, 4, 2, 4, 0);
    Frame planes = RandomFrame(rng, 4, 2, 1, 0);
    Frame ayuv = RandomFrame(rng, 4, 2, 4, 0);
    const Frame argbBefore = argb, planesBefore = planes, ayuvBefore = ayuv;
    const ImageDesc good = planes.Desc();
    const ImageDesc bads[] = {{planes.bytes.data(), 3, 2, 4, 1, false},
                              {planes.bytes.data(), 4, 1, 4, 1, false},
                              {nullptr, 4, 2, 4, 1, false}};
    for (int32_t level : {0, 3}) {
        CImageARGB image = ImageAt(level, argb);
        for (const ImageDesc& bad : bads) {
            ImageDesc destination = bad;
            destination.data = bad.data == nullptr ? nullptr : ayuv.bytes.data();
            destination.stride = 4 * destination.width;
            destination.bytesPerPixel = 4;
            image.ConvertToAYUV(&destination);
            image.ConvertToLuma(&bad);
            image.ConvertToHSLPlanes(&good, &bad, &good);
            image.ConvertFromHSLPlanes(&good, &good, &bad);
        }
        image.ConvertToAYUV(nullptr);
        image.ConvertToLuma(nullptr);
        image.ConvertToHSLPlanes(&good, &good, nullptr);
        image.ConvertFromHSLPlanes(nullptr, &good, &good);
        CImageARGB empty = ImageAt(level, argb);
        empty.data = nullptr;
        empty.ConvertToAYUV(&good);
        empty.ConvertToLuma(&good);
        empty.ConvertToHSLPlanes(&good, &good, &good);
        EXPECT_EQ(argb.bytes, argbBefore.bytes);
        EXPECT_EQ(planes.bytes, planesBefore.bytes);
        EXPECT_EQ(ayuv.bytes, ayuvBefore.bytes);
    }
}

// Every colour, with varied alpha, through the plain and the SSE2 rows.
TEST(ArgbColourConversionRows, VariantsAgreeOnEveryColour) {
    const int32_t width = 65536;
    std::vector<uint8_t> argb(4 * width);
    std::vector<uint8_t> plain(4 * width), sse2(4 * width);
    for (int32_t red = 0; red < 256; red += colour_test::kRedStep) {
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
