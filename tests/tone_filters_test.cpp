// The channel median filter and the unsharp mask of ARGB images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "argb/ChannelMedian.h"
#include "argb/UnsharpMask.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// The median of each colour channel over the window, coordinates clamped
// to the image, computed sample by sample.
Frame WindowMedians(const Frame& source, int32_t radius) {
    Frame result = source;
    const int32_t w = source.width, h = source.height;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            for (int32_t lane = 0; lane < 3; ++lane) {
                std::vector<uint8_t> window;
                for (int32_t dy = -radius; dy <= radius; ++dy) {
                    for (int32_t dx = -radius; dx <= radius; ++dx) {
                        const int32_t sx = std::clamp(x + dx, 0, w - 1), sy = std::clamp(y + dy, 0, h - 1);
                        window.push_back(source.bytes[sy * source.stride + sx * 4 + lane]);
                    }
                }
                std::nth_element(window.begin(), window.begin() + window.size() / 2, window.end());
                *(result.Pixel(x, y) + lane) = window[window.size() / 2];
            }
        }
    }
    return result;
}

Frame Filtered(Frame frame, int32_t radius, int32_t level = 0) {
    ImageAt(level, frame).MedianFilterChannels(radius);
    return frame;
}

// Noise, and a few values over a gradient (medians that stay in one coarse
// bin or move between neighbouring ones); padded rows, alpha kept.
TEST(MedianFilterChannels, EqualsTheWindowMedian) {
    std::mt19937 rng(11);
    for (int32_t kind = 0; kind < 2; ++kind) {
        for (int32_t width : {1, 2, 5, 8, 23}) {
            for (int32_t height : {1, 3, 7, 17}) {
                Frame frame = RandomFrame(rng, width, height, 4, 8);
                if (kind == 1) {
                    for (size_t i = 0; i < frame.bytes.size(); ++i) frame.bytes[i] = static_cast<uint8_t>(i / 17 + rng() % 3 * 9);
                }
                for (int32_t radius : {1, 2, 3, 4, 9}) {
                    ASSERT_EQ(Filtered(frame, radius).bytes, WindowMedians(frame, radius).bytes)
                        << width << " x " << height << " r " << radius;
                }
            }
        }
    }
}

TEST(MedianFilterChannels, RemovesSpecksKeepsFlatImagesAndRefusesRadii) {
    Frame speck{std::vector<uint8_t>(5 * 5 * 4, 50), 5, 5, 4, 20};
    std::fill(speck.Pixel(2, 2), speck.Pixel(2, 2) + 3, 200);
    EXPECT_EQ(Filtered(speck, 1).bytes, std::vector<uint8_t>(100, 50));
    std::mt19937 rng(5);
    for (int32_t width : {1, 3, 16}) {
        for (int32_t height : {1, 2, 9}) {
            Frame flat = RandomFrame(rng, width, height, 4, 4);
            for (int32_t y = 0; y < height; ++y) {
                for (int32_t x = 0; x < width; ++x) std::fill(flat.Pixel(x, y), flat.Pixel(x, y) + 3, 77);
            }
            for (int32_t radius : {1, 2, 3, 7, 15, 100, kMaxChannelMedianRadius}) {
                ASSERT_EQ(Filtered(flat, radius).bytes, flat.bytes) << width << " x " << height << " r " << radius;
            }
        }
    }
    const Frame noise = RandomFrame(rng, 6, 4, 4, 0);
    for (int32_t radius : {0, -1, kMaxChannelMedianRadius + 1}) EXPECT_EQ(Filtered(noise, radius).bytes, noise.bytes);
}

TEST(UnsharpMask, KernelHasTheStatedLengthsAndIsNormalised) {
    for (const auto& [radius, taps] : std::vector<std::pair<float, size_t>>{{0.0f, 5}, {1.0f, 9}, {-1.0f, 9}, {5.0f, 25}}) {
        const std::vector<float> kernel = BuildSmoothingKernel(radius);
        ASSERT_EQ(kernel.size(), taps);
        float total = 0.0f;
        for (size_t i = 0; i < taps; ++i) {
            total += kernel[i];
            EXPECT_EQ(kernel[i], kernel[taps - 1 - i]);
            if (i > 0 && i <= taps / 2) {
                EXPECT_GT(kernel[i], kernel[i - 1]);
            }
        }
        EXPECT_NEAR(total, 1.0f, 1e-6f);
    }
}

// Reversing a line reverses its blur, at every length around the kernel's
// (so the cut kernel is mirrored at both ends), and a constant line keeps
// its value where the kernel is cut and renormalised.
TEST(UnsharpMask, BlurLineEnds) {
    const FixedPointKernel kernel = ToFixedPoint(BuildSmoothingKernel(1.0f));  // 9 taps
    std::mt19937 rng(2);
    for (int32_t length = 1; length <= 20; ++length) {
        std::vector<uint8_t> line(static_cast<size_t>(length) * 4), reversed(line.size());
        for (uint8_t& b : line) b = static_cast<uint8_t>(rng());
        for (int32_t p = 0; p < length; ++p) std::copy_n(&line[p * 4], 4, &reversed[(length - 1 - p) * 4]);
        std::vector<uint8_t> blurred(line.size()), blurredReversed(line.size()), back(line.size());
        BlurLine(line.data(), blurred.data(), length, kernel);
        BlurLine(reversed.data(), blurredReversed.data(), length, kernel);
        for (int32_t p = 0; p < length; ++p) std::copy_n(&blurredReversed[p * 4], 4, &back[(length - 1 - p) * 4]);
        ASSERT_EQ(blurred, back) << length;
        std::vector<uint8_t> flat(line.size(), 201);
        BlurLine(flat.data(), blurred.data(), length, kernel);
        for (int32_t p = 0; p < length; ++p) {
            if (p < 4 || p >= length - 4) {
                ASSERT_EQ(blurred[p * 4], 201) << length << " " << p;
            }
        }
    }
}

Frame Sharpened(Frame frame, float amount, float radius, uint32_t threshold) {
    ImageAt(0, frame).UnsharpMask(amount, radius, threshold);
    return frame;
}

TEST(UnsharpMask, AmountThresholdAndRefusals) {
    std::mt19937 rng(9);
    const Frame noise = RandomFrame(rng, 13, 6, 4, 8);
    EXPECT_EQ(Sharpened(noise, 0.0f, 2.0f, 0).bytes, noise.bytes);
    EXPECT_EQ(Sharpened(noise, 100.0f, 2.0f, 511).bytes, noise.bytes);
    EXPECT_NE(Sharpened(noise, 100.0f, 2.0f, 100).bytes, noise.bytes);
    EXPECT_TRUE(Sharpened(noise, 100.0f, 2.0f, 0).PaddingEquals(noise));
    // Amounts beyond the 32-bit limit (about 12850 percent) act as the limit.
    for (float sign : {1.0f, -1.0f}) {
        EXPECT_EQ(Sharpened(noise, sign * 1e9f, 0.0f, 0).bytes, Sharpened(noise, sign * 12851.0f, 0.0f, 0).bytes);
    }
    for (const auto& [amount, radius] : std::vector<std::pair<float, float>>{
             {NAN, 1.0f}, {INFINITY, 1.0f}, {100.0f, NAN}, {100.0f, -INFINITY}, {100.0f, kMaxUnsharpRadius + 1}}) {
        EXPECT_EQ(Sharpened(noise, amount, radius, 0).bytes, noise.bytes);
    }
}

// All four bytes of a pixel go through the same steps, alpha included; an
// edge across an image smaller than the kernel is pushed apart.
TEST(UnsharpMask, AlphaLikeColoursAndImagesSmallerThanTheKernel) {
    for (const auto& [width, height] : std::vector<std::pair<int32_t, int32_t>>{{2, 1}, {1, 7}, {3, 3}, {30, 4}}) {
        Frame frame{std::vector<uint8_t>(static_cast<size_t>(width * height) * 4), width, height, 4, width * 4};
        for (size_t i = 0; i < frame.bytes.size(); ++i) frame.bytes[i] = (i / 4) * 2 < frame.bytes.size() / 4 ? 50 : 200;
        const Frame result = Sharpened(frame, 100.0f, 3.0f, 0);
        for (size_t i = 0; i < result.bytes.size(); ++i) ASSERT_EQ(result.bytes[i], result.bytes[i / 4 * 4]) << i;
        EXPECT_LT(result.bytes.front(), 50);
        EXPECT_GT(result.bytes.back(), 200);
    }
}

}  // namespace
