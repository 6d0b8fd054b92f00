#include <gtest/gtest.h>

#include <tuple>

#include "ayuv/CImageAYUV.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

// The lane copies, the alpha copy and the inversion, plain against SSE2, over every width
// to two vector groups and one, padded and packed rows.
TEST(ChannelLanes, VariantsAgree) {
    std::mt19937 rng(11);
    for (int32_t width = 1; width <= 33; ++width) {
        for (int32_t padding : {0, 5}) {
            const Frame image = RandomFrame(rng, width, 2, 4, padding);
            const Frame plane = RandomFrame(rng, width, 2, 1, 3 - padding / 5 * 3);
            const Frame other = RandomFrame(rng, width, 2, 4, 4 - padding);
            for (int32_t lane = 0; lane < 4; ++lane) {
                ExpectVariantsAgree({image, plane}, [lane](auto& i, auto& d) { i.GetChannel(&d[0], lane); });
                ExpectVariantsAgree({image, plane}, [lane](auto& i, auto& d) { i.SetChannel(&d[0], lane); });
            }
            ExpectVariantsAgree({image, other}, [](auto& i, auto& d) { i.CopyAlphaFrom(&d[0]); });
            ExpectVariantsAgree({image}, [](auto& i, auto&) { i.Invert(); });
            ExpectVariantsAgree<CImageAYUV>({image, other}, [](auto& i, auto& d) { i.CopyAlphaFrom(&d[0]); });
        }
    }
}

// The small vector medians against the column-histogram one, edges included.
TEST(ChannelLanes, SmallMedianAgrees) {
    std::mt19937 rng(12);
    for (int32_t width = 1; width <= 13; ++width) {
        for (int32_t height = 1; height <= 4; ++height) {
            ExpectVariantsAgree({RandomFrame(rng, width, height, 4, height % 2 * 3)},
                                [](auto& i, auto&) { i.MedianFilterChannels(1); });
            ExpectVariantsAgree({RandomFrame(rng, width + 4, height, 4, 1)}, [](auto& i, auto&) { i.MedianFilterChannels(2); });
        }
    }
}

// The unsharp mask's vector sums and sharpening, at the amounts' and
// thresholds' extremes (sparse white pixels on black make the largest
// differences) and kernels longer than the image.
TEST(ChannelLanes, UnsharpMaskAgrees) {
    std::mt19937 rng(13);
    for (const auto& [amount, radius, threshold] : std::vector<std::tuple<float, float, uint32_t>>{
             {100.0f, 2.0f, 0}, {12850.0f, 0.5f, 2}, {-12850.0f, 1.0f, 10}, {1e6f, 40.0f, 300}, {-1e6f, 0.0f, 510},
             {0.01f, 6.0f, 0xFFFFFFFFu}}) {
        for (int32_t width : {1, 7, 21, 40}) {
            Frame frame = RandomFrame(rng, width, 61 - width, 4, width % 3);
            if (radius > 20) for (uint8_t& b : frame.bytes) b = b == 255 ? 255 : 0;
            ExpectVariantsAgree({frame}, [&](auto& i, auto&) { i.UnsharpMask(amount, radius, threshold); });
        }
    }
}
