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

}  // namespace
