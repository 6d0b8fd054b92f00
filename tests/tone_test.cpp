// Tone and colour adjustments of ARGB images, and AYUV Posterize.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "ayuv/CImageAYUV.h"
#include "colour_test_support.h"

using namespace VelImageUtility;
using namespace colour_test;

namespace {

using Operation = std::function<void(CImageARGB&)>;

// An operation on 8 x 2 packed pixels that all hold `before` (0xAARRGGBB),
// and what they hold after at the plain and the SSE2 level.
struct ToneExample {
    Operation operation;
    uint32_t before, plain, sse2;
};

Operation Posterize(int32_t step) { return [=](CImageARGB& i) { i.Posterize(step); }; }
Operation Contrast(float gain) { return [=](CImageARGB& i) { i.AdjustContrast(gain); }; }
Operation Brightness(int32_t delta) { return [=](CImageARGB& i) { i.AdjustBrightness(delta); }; }
const Operation kGray = [](CImageARGB& i) { i.ConvertToGray(); };
const Operation kLightness = [](CImageARGB& i) { i.ConvertToGrayLightness(); };
const Operation kLevels = [](CImageARGB& i) { i.MapLevels(50, 200, 0, 255); };

TEST(ArgbTone, Examples) {
    const std::vector<ToneExample> examples = {
        {kGray, 0x7F000000, 0x7F101010, 0x7F101010}, {kGray, 0x7FFFFFFF, 0x7FEBEBEB, 0x7FEBEBEB},
        {kLightness, 0x40FF0000, 0x407F7F7F, 0x40808080},
        {[](CImageARGB& i) { i.Invert(); }, 0x12C80A00, 0x1237F5FF, 0x1237F5FF},
        {Posterize(1), 0x12345678, 0x12345678, 0x12345678}, {Posterize(0), 0x12345678, 0x12345678, 0x12345678},
        {Posterize(-3), 0x12345678, 0x12345678, 0x12345678}, {Posterize(100), 0x12A0FFFA, 0x1264C8C8, 0x12C8FFC8},
        {Contrast(1.0f), 0x9CC04080, 0x9CC04080, 0x9CC04080}, {Contrast(0.0f), 0x9CC04080, 0x9C808080, 0x9C808080},
        {Contrast(2.0f), 0x9CC04080, 0x9CFF0080, 0x9CFF0080}, {Contrast(2.5f), 0x9CC04080, 0x9CC04080, 0x9CC04080},
        {Contrast(std::nanf("")), 0x9CC04080, 0x9CC04080, 0x9CC04080},
        {kLevels, 0x017DC832, 0x017FFF00, 0x017FFF00},
        {Brightness(300), 0x80102030, 0x80FFFFFF, 0x80FFFFFF}, {Brightness(-300), 0x80102030, 0x80000000, 0x80000000},
        {Brightness(10), 0x80102030, 0x801A2A3A, 0x801A2A3A}, {Brightness(INT_MIN), 0x80102030, 0x80000000, 0x80000000},
    };
    for (size_t row = 0; row < examples.size(); ++row) {
        for (int32_t level : {0, 3}) {
            std::vector<uint32_t> pixels(16, examples[row].before);
            Frame frame{{reinterpret_cast<uint8_t*>(pixels.data()), reinterpret_cast<uint8_t*>(pixels.data() + 16)}, 8, 2, 4, 32};
            CImageARGB image = ImageAt(level, frame);
            examples[row].operation(image);
            std::memcpy(pixels.data(), frame.bytes.data(), 64);
            EXPECT_EQ(pixels, std::vector<uint32_t>(16, level ? examples[row].sse2 : examples[row].plain))
                << "row " << row << ", level " << level;
        }
    }
}

TEST(ArgbTone, MeanAndContrastAroundMean) {
    for (int32_t level : {0, 3}) {
        for (int32_t width : {1, 7, 33}) {
            Frame white{std::vector<uint8_t>(static_cast<size_t>(width * 4 + 8) * 3, 255), width, 3, 4, width * 4 + 8};
            EXPECT_EQ(ImageAt(level, white).GetMeanValue(), 255.0f) << width;
        }
        // Mean 100.5 over two tones (alpha not counted); amount 100 splits at the mean.
        Frame pair = FrameOf({100, 100, 100, 0, 101, 101, 101, 255}, 2, 4);
        CImageARGB image = ImageAt(level, pair);
        EXPECT_EQ(image.GetMeanValue(), 100.5f);
        image.AdjustContrastAroundMean(100);
        EXPECT_EQ(pair.bytes, (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 255}));
        Frame empty{{}, 0, 0, 4, 0};
        EXPECT_TRUE(std::isnan(ImageAt(level, empty).GetMeanValue()));
    }
}

// The SSE2 result of a pixel that its variant groups, from the pixel before.
using GroupRule = std::function<void(uint8_t* pixel)>;

// Plain and SSE2 on random images with odd widths, padded strides and one
// row: the plain bytes follow the plain rule of `operation` (applied by
// the test through level 0); the SSE2 bytes equal them except in grouped
// pixels, which follow `grouped` (null: identical everywhere). Pixels are
// grouped row by row, `groupOf` at a time from the row start, or from the
// start of the whole run when the rows have no padding and `acrossRows`.
void ExpectVariants(const Operation& operation, const GroupRule& grouped = nullptr, int32_t groupOf = 1,
                    bool acrossRows = false) {
    std::mt19937 rng(7);
    for (int32_t padding : {0, 12}) {
        for (int32_t height : {1, 3}) {
            for (int32_t width = 1; width <= 33; ++width) {
                const Frame original = RandomFrame(rng, width, height, 4, padding);
                Frame plain = original, sse2 = original, expected = original;
                CImageARGB plainImage = ImageAt(0, plain), sse2Image = ImageAt(3, sse2);
                operation(plainImage);
                operation(sse2Image);
                const bool run = acrossRows && padding == 0;
                const int32_t count = run ? width * height : width;
                for (int32_t y = 0; y < height; ++y) {
                    for (int32_t x = 0; x < width; ++x) {
                        const int32_t index = run ? y * width + x : x;
                        uint8_t* pixel = expected.Pixel(x, y);
                        if (grouped && index < count - count % groupOf) {
                            grouped(pixel);
                        } else {
                            std::memcpy(pixel, plain.Pixel(x, y), 4);
                        }
                    }
                }
                ASSERT_EQ(sse2.bytes, expected.bytes) << width << " x " << height << " + " << padding;
                ASSERT_TRUE(plain.PaddingEquals(original));
            }
        }
    }
}

TEST(ArgbTone, VariantsAgree) {
    std::vector<uint8_t> planeBytes(33 * 3 + 5);
    for (size_t i = 0; i < planeBytes.size(); ++i) planeBytes[i] = static_cast<uint8_t>(i * 37);
    for (const Operation& operation : std::vector<Operation>{
             kGray, Contrast(0.37f), Contrast(2.0f), Contrast(1.5f), Brightness(57), Brightness(-57), Brightness(300),
             kLevels, [](CImageARGB& i) { i.Invert(); }, [](CImageARGB& i) { i.AdjustContrastAroundMean(40); },
             [&](CImageARGB& i) {
                 ImageDesc plane{planeBytes.data(), i.width, i.height, i.width + 2, 1, false};
                 i.SubtractPlane(&plane);
             }}) {
        ExpectVariants(operation);
    }
    std::mt19937 rng(3);
    for (int32_t width : {1, 5, 33}) {
        const Frame frame = RandomFrame(rng, width, 3, 4, 4);
        Frame a = frame, b = frame;
        EXPECT_EQ(ImageAt(0, a).GetMeanValue(), ImageAt(3, b).GetMeanValue());
    }
}

// Grouped pixels of eight round half up; the run spans rows without padding.
TEST(ArgbTone, LightnessVariantsDifferOnlyInRounding) {
    ExpectVariants(kLightness, [](uint8_t* p) {
        const int32_t high = std::max({p[0], p[1], p[2]}), low = std::min({p[0], p[1], p[2]});
        p[0] = p[1] = p[2] = static_cast<uint8_t>((high + low + 1) >> 1);
    }, 8, true);
}

// Paired pixels round to nearest (ties to even) in single precision.
TEST(ArgbTone, PosterizeVariantsDifferOnlyInRounding) {
    for (int32_t step : {1, 3, 64, 100, 255, 511, INT_MAX}) {
        ExpectVariants(Posterize(step), [step](uint8_t* p) {
            for (int32_t lane = 0; lane < 3; ++lane) {
                const float q = std::nearbyint(static_cast<float>(p[lane]) / static_cast<float>(step));
                p[lane] = static_cast<uint8_t>(std::min(static_cast<int64_t>(q) * step, int64_t{255}));
            }
        }, 2);
    }
}

TEST(AyuvTone, PosterizeIsTheArgbRuleOnVUY) {
    const std::vector<uint8_t> before = {170, 251, 250, 9, 63, 64, 128, 200, 1, 2, 3, 4};
    const std::vector<std::vector<uint8_t>> after[2] = {
        {{100, 200, 200, 9, 0, 0, 100, 200, 0, 0, 0, 4}, {128, 192, 192, 9, 0, 64, 128, 200, 0, 0, 0, 4}},
        {{200, 255, 200, 9, 100, 100, 100, 200, 0, 0, 0, 4}, {192, 255, 255, 9, 64, 64, 128, 200, 0, 0, 0, 4}}};
    for (int32_t level : {0, 3}) {
        for (int32_t i = 0; i < 2; ++i) {
            std::vector<uint8_t> bytes = before;
            ScopedInstructionSetLevel scoped(level);
            CImageAYUV image(bytes.data(), 3, 1, 12, 4);  // a pair and a plain last pixel
            image.Posterize(i == 0 ? 100 : 64);
            EXPECT_EQ(bytes, after[level / 3][i]) << level << " " << i;
            image.Posterize(0);
            image.Posterize(-1);
            EXPECT_EQ(bytes, after[level / 3][i]);
        }
    }
}

// Descriptors that cannot be walked as 4-byte pixels, and planes that do
// not match, change nothing.
TEST(ArgbTone, RefusedInputsChangeNothing) {
    std::vector<uint8_t> memory(256, 0x5A), plane(256, 1);
    const std::vector<uint8_t> before = memory;
    struct Shape { uint8_t* data; int32_t width, height, stride, bytesPerPixel; };
    const Shape shapes[] = {{nullptr, 2, 2, 8, 4}, {memory.data(), 2, 2, 8, 3}, {memory.data(), 4, 2, 8, 4},
                            {memory.data(), -2, 2, 8, 4}, {memory.data(), INT_MAX, 1, 64, 4}, {memory.data(), 2, 2, -8, 4}};
    ImageDesc planes[] = {{plane.data(), 3, 2, 3, 1, false}, {plane.data(), 2, 2, 1, 1, false},
                          {nullptr, 2, 2, 2, 1, false}, {plane.data(), 2, 2, 2, 0, false}};
    for (int32_t level : {0, 3}) {
        for (const Shape& shape : shapes) {
            ScopedInstructionSetLevel scoped(level);
            CImageARGB image(shape.data, shape.width, shape.height, shape.stride, shape.bytesPerPixel);
            image.ConvertToGray(); image.Invert(); image.ConvertToGrayLightness(); image.Posterize(3);
            image.AdjustContrast(0.5f); image.AdjustContrastAroundMean(50); image.AdjustBrightness(9);
            image.MapLevels(1, 2, 3, 4); image.SubtractPlane(&planes[0]);
            image.MedianFilterChannels(2); image.UnsharpMask(100.0f, 2.0f, 0);
            EXPECT_TRUE(std::isnan(image.GetMeanValue()));
            CImageAYUV(shape.data, shape.width, shape.height, shape.stride, shape.bytesPerPixel).Posterize(3);
        }
        CImageARGB image = CImageARGB(memory.data(), 2, 2, 8, 4);
        for (const ImageDesc& desc : planes) image.SubtractPlane(&desc);
        image.SubtractPlane(nullptr);
    }
    EXPECT_EQ(memory, before);
}

}  // namespace
