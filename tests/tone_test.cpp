// Tone and colour adjustments, the channel median and the unsharp mask of
// ARGB images, and AYUV Posterize and fills.

#include <climits>
#include <cmath>

#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

PixelOperation Posterize(int32_t step) { return [=](CImageARGB& i, auto) { i.Posterize(step); }; }
PixelOperation Contrast(float gain) { return [=](CImageARGB& i, auto) { i.AdjustContrast(gain); }; }
PixelOperation Brightness(int32_t delta) { return [=](CImageARGB& i, auto) { i.AdjustBrightness(delta); }; }
PixelOperation BlendColor(uint32_t c, uint8_t o) { return [=](CImageARGB& i, auto) { i.BlendColor(c, o); }; }
auto Scale(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return [=](auto& i, auto) { i.ScaleChannelsRGB(r, g, b, a); }; }
PixelOperation AyuvScale(uint8_t f) { return [=](CImageARGB& i, auto) { AyuvOf(i).ScaleChannelsRGB(f, f, f, f); }; }
const PixelOperation kGray = [](CImageARGB& i, auto) { i.ConvertToGray(); };

TEST(ArgbPixelsAndTone, Examples) {
    ExpectPixelExamples({
        {kGray, 0x7F000000, 0, 0x7F101010}, {kGray, 0x7FFFFFFF, 0, 0x7FEBEBEB},
        {[](CImageARGB& i, auto) { i.ConvertToGrayLightness(); }, 0x40FF0000, 0, 0x407F7F7F, 0x40808080},
        {[](CImageARGB& i, auto) { i.Invert(); }, 0x12C80A00, 0, 0x1237F5FF},
        {Posterize(1), 0x12345678, 0, 0x12345678}, {Posterize(0), 0x12345678, 0, 0x12345678},
        {Posterize(-3), 0x12345678, 0, 0x12345678}, {Posterize(100), 0x12A0FFFA, 0, 0x1264C8C8, 0x12C8FFC8},
        // AYUV Posterize is the same rule on V, U and Y.
        {[](CImageARGB& i, auto) { AyuvOf(i).Posterize(100); }, 0x12A0FFFA, 0, 0x1264C8C8, 0x12C8FFC8},
        {Contrast(1.0f), 0x9CC04080, 0, 0x9CC04080}, {Contrast(0.0f), 0x9CC04080, 0, 0x9C808080},
        {Contrast(2.0f), 0x9CC04080, 0, 0x9CFF0080}, {Contrast(2.5f), 0x9CC04080, 0, 0x9CC04080},
        {Contrast(std::nanf("")), 0x9CC04080, 0, 0x9CC04080},
        {[](CImageARGB& i, auto) { i.MapLevels(50, 200, 0, 255); }, 0x017DC832, 0, 0x017FFF00},
        {Brightness(300), 0x80102030, 0, 0x80FFFFFF}, {Brightness(-300), 0x80102030, 0, 0x80000000},
        {Brightness(10), 0x80102030, 0, 0x801A2A3A}, {Brightness(INT_MIN), 0x80102030, 0, 0x80000000},
        {[](CImageARGB& i, auto) { i.FillPixel(0x12345678u); }, 0xFFFFFFFFu, 0, 0x12345678u},
        {[](CImageARGB& i, auto) { i.FillColorKeepAlpha(0x10, 0x20, 0x30); }, 0x7FFFFFFFu, 0, 0x7F102030u},
        {[](CImageARGB& i, auto) { i.SetAlpha(9); }, 0x7F102030u, 0, 0x09102030u},
        // Alpha 255 at opacity 255 weighs 255, not 256: (255 * 200 + 0) >> 8 = 199.
        {BlendColor(0xFFC8C8C8u, 255), 0x40000000u, 0, 0x40C7C7C7u},
        // Below 255 the opacity scales the alpha: (128 * 101) >> 8 = 50.
        {BlendColor(0x80FF0000u, 100), 0x00000010u, 0, 0x0031000Cu},
        {BlendColor(0x00FFFFFFu, 255), 0x01020304u, 0, 0x01020304u},
        {Scale(255, 255, 255, 255), 0xFFFF0180u, 0, 0xFEFE007Fu}, {Scale(128, 0, 0, 128), 0x00FF0000u, 0, 0x00FF0000u},
        // AYUV: the ARGB factors on V, U and Y.
        {AyuvScale(255), 0xFF108000u, 0, 0xFE0F8001u}, {AyuvScale(128), 0xFFEB8080u, 0, 0x7F7D8080u},
        {AyuvScale(255), 0xFFEB8080u, 0, 0xFEEA8080u}, {AyuvScale(255), 0x00C86311u, 0, 0x00C86311u},
        // Y, U, V.
        {[](CImageARGB& i, auto) { AyuvOf(i).FillColorKeepAlpha(235, 128, 100); }, 0x7FFFFFFFu, 0, 0x7FEB8064u},
        {[](CImageARGB& i, auto) { AyuvOf(i).FillPixel(0xFF108080u); }, 0x7FFFFFFFu, 0, 0xFF108080u},
    });
}

// Mean 100.5 over two tones (alpha not counted); amount 100 splits at the mean.
TEST(ArgbTone, MeanAndContrastAroundMean) {
    Frame pair = FrameOf({100, 100, 100, 0, 101, 101, 101, 255}, 2, 4), empty{{}, 0, 0, 4, 0};
    CImageARGB image = ImageAt(kPlainLevel, pair);
    EXPECT_EQ(image.GetMeanValue(), 100.5f);
    image.AdjustContrastAroundMean(100);
    EXPECT_EQ(pair.bytes, (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 255}));
    EXPECT_TRUE(std::isnan(ImageAt(kPlainLevel, empty).GetMeanValue()));
}

// The median of each colour channel over the window, coordinates clamped
// to the image, computed sample by sample.
Frame WindowMedians(const Frame& source, int32_t radius) {
    Frame result = source;
    const int32_t w = source.width, h = source.height, side = 2 * radius + 1;
    for (int32_t i = 0; i < w * h * 3; ++i) {
        const int32_t x = i / 3 % w, y = i / 3 / w;
        std::vector<uint8_t> window;
        for (int32_t k = 0; k < side * side; ++k) {
            const int32_t sx = std::clamp(x + k % side - radius, 0, w - 1), sy = std::clamp(y + k / side - radius, 0, h - 1);
            window.push_back(source.bytes[sy * source.stride + sx * 4 + i % 3]);
        }
        std::nth_element(window.begin(), window.begin() + window.size() / 2, window.end());
        result.Pixel(x, y)[i % 3] = window[window.size() / 2];
    }
    return result;
}

// Noise, and a few values over a gradient (medians that stay in one coarse
// bin or move between neighbouring ones); padded rows, alpha kept; both variants.
TEST(MedianFilterChannels, EqualsTheWindowMedian) {
    std::mt19937 rng(11);
    for (int32_t kind = 0; kind < 2; ++kind) {
        for (int32_t width : {1, 2, 5, 8, 23}) {
            for (int32_t height : {1, 3, 7, 17}) {
                Frame frame = RandomFrame(rng, width, height, 4, 8);
                for (size_t i = 0; kind == 1 && i < frame.bytes.size(); ++i) frame.bytes[i] = static_cast<uint8_t>(i / 17 + rng() % 3 * 9);
                for (int32_t radius : {1, 2, 3, 4, 9}) {
                    for (int32_t level : {kPlainLevel, kSse2Level}) {
                        Frame filtered = frame;
                        ImageAt(level, filtered).MedianFilterChannels(radius);
                        ASSERT_EQ(filtered.bytes, WindowMedians(frame, radius).bytes)
                            << width << " x " << height << " r " << radius << " level " << level;
                    }
                }
            }
        }
    }
}

Frame Sharpened(Frame frame, float amount, float radius, uint32_t threshold) {
    ImageAt(kPlainLevel, frame).UnsharpMask(amount, radius, threshold);
    return frame;
}

TEST(UnsharpMask, AmountThresholdFlatImagesAndAlpha) {
    std::mt19937 rng(9);
    const Frame noise = RandomFrame(rng, 13, 6, 4, 8);
    EXPECT_EQ(Sharpened(noise, 0.0f, 2.0f, 0).bytes, noise.bytes);
    EXPECT_EQ(Sharpened(noise, 100.0f, 2.0f, 511).bytes, noise.bytes);
    EXPECT_NE(Sharpened(noise, 100.0f, 2.0f, 100).bytes, noise.bytes);
    EXPECT_TRUE(Sharpened(noise, 100.0f, 2.0f, 0).PaddingEquals(noise));
    // Amounts beyond the 32-bit limit (about 12850 percent) act as the limit.
    for (float sign : {1.0f, -1.0f}) EXPECT_EQ(Sharpened(noise, sign * 1e9f, 0.0f, 0).bytes, Sharpened(noise, sign * 12851.0f, 0.0f, 0).bytes);
    const Frame flat{std::vector<uint8_t>(7 * 3 * 4, 201), 7, 3, 4, 28};  // the cut kernel is renormalised
    EXPECT_EQ(Sharpened(flat, 500.0f, 5.0f, 0).bytes, flat.bytes);
    // All four bytes of a pixel go through the same steps, alpha included; an
    // edge across an image smaller than the kernel is pushed apart.
    for (const auto& [width, height] : std::vector<std::pair<int32_t, int32_t>>{{2, 1}, {1, 7}, {3, 3}, {30, 4}}) {
        Frame frame{std::vector<uint8_t>(static_cast<size_t>(width * height) * 4), width, height, 4, width * 4};
        for (size_t i = 0; i < frame.bytes.size(); ++i) frame.bytes[i] = (i / 4) * 2 < frame.bytes.size() / 4 ? 50 : 200;
        const Frame result = Sharpened(frame, 100.0f, 3.0f, 0);
        for (size_t i = 0; i < result.bytes.size(); ++i) ASSERT_EQ(result.bytes[i], result.bytes[i / 4 * 4]) << i;
        EXPECT_LT(result.bytes.front(), 50);
        EXPECT_GT(result.bytes.back(), 200);
    }
}

// Rows blurred down several at a time (images taller than the kernel)
// give the plain bytes at both vector tiers.
TEST(UnsharpMask, TallImagesGiveThePlainBytes) {
    std::mt19937 rng(4);
    const std::vector<std::pair<int32_t, int32_t>> sizes = {{1, 40}, {13, 22}, {37, 61}, {70, 23}, {300, 17}};
    for (float radius : {0.0f, 2.0f, 5.5f, 70.0f}) {
        for (const auto& [width, height] : sizes) {
            const Frame noise = RandomFrame(rng, width, height, 4, 5);
            for (VectorTier tier : {VectorTier::Sse2, VectorTier::Avx2}) {
                ScopedVectorTier scoped(tier);
                Frame vector = noise;
                ImageAt(kSse2Level, vector).UnsharpMask(150.0f, radius, 2);
                ASSERT_EQ(vector.bytes, Sharpened(noise, 150.0f, radius, 2).bytes) << width << " x " << height << " r " << radius;
            }
        }
    }
}

}  // namespace
