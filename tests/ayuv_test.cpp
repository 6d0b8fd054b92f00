// AYUV buffer and colour operations: buffers, copies, regions, luma,
// conversion to ARGB, channel scaling and the in-place box blur.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "argb/ArgbColourConversionKernels.h"
#include "ayuv/AyuvConversionKernels.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

using Bytes = std::vector<uint8_t>;

auto Fields(const ImageDesc& d) {
    return std::tuple(d.data, d.width, d.height, d.stride, d.bytesPerPixel, d.copy);
}

CImageAYUV AyuvAt(int32_t level, Frame& frame) { return ImageAt<CImageAYUV>(level, frame); }

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
        AyuvAt(level, source).ConvertToARGB(&desc);
        AyuvAt(level, source).ConvertToLuma(&lumaDesc);
        EXPECT_EQ(destination.bytes, expected) << level;
        EXPECT_EQ(luma.bytes, (Bytes{16, 235, 255, 0xEE, 100, 16, 255})) << level;
    }
}

// ARGB -> AYUV -> ARGB over every colour: studio range keeps 220 luma
// levels of 256 and each conversion rounds, so a component may come back
// up to 2 off (measured; a lost 1/4096 coefficient would show more).
TEST(AyuvConvertToARGB, RoundTripOfEveryColourStaysWithinTwo) {
    const int32_t width = 65536;
    Bytes argb(4 * width), ayuv(4 * width), back(4 * width);
    int32_t worst = 0;
    for (int32_t red = 0; red < 256; red += kRedStep) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t pixel[4] = {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8),
                                      static_cast<uint8_t>(red), static_cast<uint8_t>(x + red)};
            std::memcpy(&argb[4 * x], pixel, 4);
        }
        ConvertToAYUVRow_Plain(argb.data(), ayuv.data(), width);
        ConvertToARGBRow_Sse2(ayuv.data(), back.data(), width);
        for (int32_t i = 0; i < 4 * width; ++i) worst = std::max(worst, std::abs(argb[i] - back[i]));
    }
    EXPECT_EQ(worst, 2);
}

TEST(AyuvCopies, CopyAlphaFromAndCopyFromKeepPadding) {
    std::mt19937 rng(5);
    const Frame pixels = RandomFrame(rng, 3, 2, 4, 5);
    Frame source = RandomFrame(rng, 3, 2, 4, 9);  // a larger stride than the image's
    ImageDesc sourceDesc = source.Desc();
    Frame ayuv = pixels, expected = pixels;
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) expected.Pixel(x, y)[3] = source.Pixel(x, y)[3];
    }
    CImageAYUV image = AyuvAt(0, ayuv);
    image.CopyAlphaFrom(&sourceDesc);
    EXPECT_EQ(ayuv.bytes, expected.bytes);
    image.CopyFrom(&sourceDesc);
    for (int32_t y = 0; y < 2; ++y) std::memcpy(expected.Pixel(0, y), source.Pixel(0, y), 12);
    EXPECT_EQ(ayuv.bytes, expected.bytes);
}

// Allocate shares the ARGB rule: an owned packed buffer, released by the
// next one (the leak check sees it), never a caller's; impossible sizes
// leave the image as it was.
TEST(AyuvAllocate, OwnedPackedBuffersAndRefusedSizes) {
    ICImageAYUV* image = GetCImageAYUV();
    image->Allocate(3, 2);
    EXPECT_EQ(Fields(image->GetDesc()), std::tuple(image->GetData(), 3, 2, 12, 4, true));
    uint8_t caller[64];
    image->AttachBuffer(caller, 3, 4, 16);
    image->Allocate(-1, 4);
    image->Allocate(70000, 70000);
    EXPECT_EQ(Fields(image->GetDesc()), std::tuple(caller + 0, 3, 4, 16, 4, false));
    ReleaseCImageAYUV(image);
}

TEST(AyuvGetRegionDesc, ClipsOrDescribesTheWholeImage) {
    // x, y, width, height; result; x, y, width, height described.
    const int32_t cases[][9] = {{10, 10, 5, 5, 1, 10, 10, 2, 2}, {-3, -3, 5, 5, 1, 0, 0, 2, 2},
                                {12, 0, 5, 5, 0, 0, 0, 12, 12},  {-5, 0, 5, 5, 0, 0, 0, 12, 12},
                                {4, 5, 3, 2, 1, 4, 5, 3, 2}};
    std::vector<uint8_t> memory(12 * 52);
    ICImageAYUV* image = GetCImageAYUV4(memory.data(), 12, 12, 52);
    for (const auto& c : cases) {
        ImageDesc out{nullptr, 77, 77, 77, 77, true};
        EXPECT_EQ(image->GetRegionDesc(&out, c[0], c[1], c[2], c[3]), c[4]) << c[0] << "," << c[1];
        EXPECT_EQ(Fields(out), std::tuple(memory.data() + 52 * c[6] + 4 * c[5], c[7], c[8], 52, 4, false));
    }
    EXPECT_EQ(image->GetRegionDesc(nullptr, 0, 0, 1, 1), 0);
    ReleaseCImageAYUV(image);
}

// Factors 255 lower alpha and positive colours by one; a red below 0 stays
// unclamped through the round trip (V 0, Y 16: R -204 -> -204, G 104 -> 103
// give Y 15, U 128, V 1, by hand); halves on white; alpha 0 keeps its pixel.
TEST(AyuvScaleChannelsRGB, Examples) {
    const struct { Bytes pixel; uint8_t factor; Bytes expected; } cases[] = {
        {{0, 128, 16, 255}, 255, {1, 128, 15, 254}},
        {{128, 128, 235, 255}, 128, {128, 128, 125, 127}},
        {{128, 128, 235, 255}, 255, {128, 128, 234, 254}},
        {{17, 99, 200, 0}, 255, {17, 99, 200, 0}},
    };
    for (const auto& c : cases) {
        Frame frame = FrameOf(c.pixel, 1, 4);
        AyuvAt(0, frame).ScaleChannelsRGB(c.factor, c.factor, c.factor, c.factor);
        EXPECT_EQ(frame.bytes, c.expected) << int{c.factor};
    }
}

// Against a direct average over each clipped window: V, U and Y of every
// pixel are their window means (truncated; the SSE2 blur may come out one
// lower), alpha becomes 0, row padding stays. Radius 9 on a 7 x 5 image is
// reduced to 2; radius 0 or below leaves the image.
TEST(AyuvBoxBlurInPlace, AveragesColourBytesOverEachWindow) {
    std::mt19937 rng(9);
    const Frame before = RandomFrame(rng, 7, 5, 4, 6);
    for (int32_t radius : {0, -1, INT32_MIN}) {
        Frame frame = before;
        AyuvAt(3, frame).BoxBlurInPlace(radius);
        EXPECT_EQ(frame.bytes, before.bytes) << radius;
    }
    Frame expected = before;
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 7; ++x) {
            int32_t sums[3] = {0, 0, 0}, area = 0;
            for (int32_t wy = std::max(y - 2, 0); wy <= std::min(y + 2, 4); ++wy) {
                for (int32_t wx = std::max(x - 2, 0); wx <= std::min(x + 2, 6); ++wx, ++area) {
                    for (int32_t c = 0; c < 3; ++c) sums[c] += before.bytes[wy * before.stride + 4 * wx + c];
                }
            }
            for (int32_t c = 0; c < 3; ++c) expected.Pixel(x, y)[c] = static_cast<uint8_t>(sums[c] / area);
            expected.Pixel(x, y)[3] = 0;
        }
    }
    for (int32_t level : {0, 3}) {
        Frame frame = before;
        AyuvAt(level, frame).BoxBlurInPlace(9);
        ASSERT_TRUE(frame.PaddingEquals(before));
        for (size_t i = 0; i < frame.bytes.size(); ++i) {
            EXPECT_LE(expected.bytes[i] - frame.bytes[i], level == 0 ? 0 : 1) << level << " byte " << i;
            EXPECT_GE(expected.bytes[i] - frame.bytes[i], 0) << level << " byte " << i;
        }
    }
}

}  // namespace
