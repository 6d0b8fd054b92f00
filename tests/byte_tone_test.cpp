#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "byte_test_support.h"
#include "services/ToneCurves.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

struct ToneExample {
    const char* name;
    ByteOperation operation;
    uint8_t before;
    uint8_t after;
};

TEST(ByteTone, Examples) {
    const ToneExample examples[] = {
        {"gain 200 saturates", [](CImageByte& i) { i.MultiplyByGain(200); }, 200, 255},
        {"gain 70000 saturates", [](CImageByte& i) { i.MultiplyByGain(70000); }, 1, 255},
        {"gain 3", [](CImageByte& i) { i.MultiplyByGain(3); }, 40, 120},
        {"gain 1 keeps", [](CImageByte& i) { i.MultiplyByGain(1); }, 77, 77},
        {"gain 0 blackens", [](CImageByte& i) { i.MultiplyByGain(0); }, 77, 0},
        {"gain -1 refused", [](CImageByte& i) { i.MultiplyByGain(-1); }, 77, 77},
        {"invert", [](CImageByte& i) { i.Invert(); }, 200, 55},
        {"contrast 1.0 keeps", [](CImageByte& i) { i.AdjustContrast(1.0f); }, 37, 37},
        {"contrast 0.0 greys", [](CImageByte& i) { i.AdjustContrast(0.0f); }, 37, 128},
        {"contrast 2.0 high", [](CImageByte& i) { i.AdjustContrast(2.0f); }, 192, 255},
        {"contrast 2.0 low", [](CImageByte& i) { i.AdjustContrast(2.0f); }, 64, 0},
        {"contrast 0.5 rounds", [](CImageByte& i) { i.AdjustContrast(0.5f); }, 131, 130},
        {"contrast 0.5 below mid", [](CImageByte& i) { i.AdjustContrast(0.5f); }, 125, 127},
        {"contrast 2.5 refused", [](CImageByte& i) { i.AdjustContrast(2.5f); }, 192, 192},
        {"contrast -0.1 refused", [](CImageByte& i) { i.AdjustContrast(-0.1f); }, 192, 192},
        {"contrast NaN refused", [](CImageByte& i) { i.AdjustContrast(std::nanf("")); }, 192, 192},
        {"brightness 300", [](CImageByte& i) { i.AdjustBrightness(300); }, 3, 255},
        {"brightness -300", [](CImageByte& i) { i.AdjustBrightness(-300); }, 250, 0},
        {"brightness 10", [](CImageByte& i) { i.AdjustBrightness(10); }, 250, 255},
        {"brightness -10", [](CImageByte& i) { i.AdjustBrightness(-10); }, 50, 40},
        {"brightness INT_MIN", [](CImageByte& i) { i.AdjustBrightness(INT_MIN); }, 250, 0},
        {"brightness INT_MAX", [](CImageByte& i) { i.AdjustBrightness(INT_MAX); }, 1, 255},
        {"levels low end", [](CImageByte& i) { i.MapLevels(50, 200, 0, 255); }, 50, 0},
        {"levels below", [](CImageByte& i) { i.MapLevels(50, 200, 0, 255); }, 20, 0},
        {"levels high end", [](CImageByte& i) { i.MapLevels(50, 200, 0, 255); }, 200, 255},
        {"levels middle", [](CImageByte& i) { i.MapLevels(50, 200, 0, 255); }, 125, 127},
        {"levels falling", [](CImageByte& i) { i.MapLevels(0, 255, 255, 0); }, 100, 155},
        {"levels step below", [](CImageByte& i) { i.MapLevels(100, 50, 10, 20); }, 100, 10},
        {"levels step above", [](CImageByte& i) { i.MapLevels(100, 50, 10, 20); }, 101, 20},
        {"around mean 0 refused", [](CImageByte& i) { i.AdjustContrastAroundMean(0); }, 9, 9},
        {"around mean 101 refused", [](CImageByte& i) { i.AdjustContrastAroundMean(101); }, 9, 9},
        {"around mean -101 refused", [](CImageByte& i) { i.AdjustContrastAroundMean(-101); }, 9, 9},
    };
    // 27 pixels: a group of 16, one of 8 and a plain tail of 3 at the SSE2 level.
    for (const ToneExample& example : examples) {
        for (int32_t level : {kPlainLevel, kSse2Level}) {
            std::vector<uint8_t> bytes(27, example.before);
            CImageByte image = ByteImageAt(level, bytes.data(), 27, 1, 27);
            example.operation(image);
            EXPECT_EQ(bytes, std::vector<uint8_t>(27, example.after)) << example.name << ", level " << level;
        }
    }
}

TEST(ByteTone, ContrastAroundMeanThresholdsAndFlattens) {
    uint8_t pair[2] = {100, 101};  // mean 100.5
    CImageByte threshold = ByteImageAt(kPlainLevel, pair, 2, 1, 2);
    threshold.AdjustContrastAroundMean(100);
    EXPECT_EQ(pair[0], 0);
    EXPECT_EQ(pair[1], 255);

    uint8_t flat[4] = {0, 255, 10, 20};  // mean 71.25
    CImageByte flatten = ByteImageAt(kPlainLevel, flat, 4, 1, 4);
    flatten.AdjustContrastAroundMean(-100);
    for (uint8_t value : flat) EXPECT_EQ(value, 71);

    // Rows are walked by stride: the padding byte keeps its value.
    uint8_t padded[2 * 3] = {100, 101, 7, 100, 101, 7};
    CImageByte rows = ByteImageAt(kPlainLevel, padded, 2, 2, 3);
    rows.AdjustContrastAroundMean(100);
    EXPECT_EQ(std::vector<uint8_t>(padded, padded + 6), (std::vector<uint8_t>{0, 255, 7, 0, 255, 7}));
}

TEST(ByteTone, ContrastAroundMeanTableFollowsTheTangent) {
    uint8_t table[256];
    BuildContrastAroundMeanTable(50, 100.0f, table);  // slope tan(3 pi / 8) = 2.414
    EXPECT_EQ(table[100], 100);
    EXPECT_EQ(table[110], 124);
    EXPECT_EQ(table[90], 75);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[255], 255);
    BuildContrastAroundMeanTable(99, 100.0f, table);  // slope about 127
    EXPECT_EQ(table[101], 227);
    EXPECT_EQ(table[99], 0);
}

TEST(ByteTone, MeanCountsPixelsOnly) {
    for (int32_t level : {kPlainLevel, kSse2Level}) {
        uint8_t pair[2] = {0, 255};
        EXPECT_EQ(ByteImageAt(level, pair, 2, 1, 2).GetMeanValue(), 127.5f);
        uint8_t padded[2 * 4] = {10, 20, 255, 255, 30, 40, 255, 255};
        EXPECT_EQ(ByteImageAt(level, padded, 2, 2, 4).GetMeanValue(), 25.0f);
        EXPECT_TRUE(std::isnan(ByteImageAt(level, nullptr, 0, 0, 0).GetMeanValue()));
    }
}

TEST(ByteTone, MeanOfALargeWhiteImageStaysWhite) {
    // 4096 x 4096 x 255 overflows a 32-bit sum.
    std::vector<uint8_t> white(4096u * 4096u, 255);
    for (int32_t level : {kPlainLevel, kSse2Level})
        EXPECT_EQ(ByteImageAt(level, white.data(), 4096, 4096, 4096).GetMeanValue(), 255.0f);
}

TEST(ByteTone, InvertTwiceRestores) {
    std::vector<uint8_t> bytes = RandomBytes(50, 5);
    const std::vector<uint8_t> before = bytes;
    CImageByte image = ByteImageAt(kSse2Level, bytes.data(), 10, 5, 10);
    image.Invert();
    EXPECT_NE(bytes, before);
    image.Invert();
    EXPECT_EQ(bytes, before);
}

TEST(ByteTone, PaddedImagesAreLeftUnchanged) {
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.Invert(); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.MultiplyByGain(2); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.AdjustContrast(1.5f); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.AdjustBrightness(20); });
}

TEST(ByteTone, OtherPixelSizesAreLeftUnchanged) {
    std::vector<uint8_t> bytes = RandomBytes(16, 8);
    const std::vector<uint8_t> before = bytes;
    ImageDesc argb{bytes.data(), 2, 2, 8, 4, false};
    CImageByte image(&argb);
    image.Invert();
    image.AdjustBrightness(5);
    EXPECT_EQ(bytes, before);
}

TEST(ByteTone, AllocateReplacesTheBufferWithAPackedOwnedOne) {
    uint8_t memory[12];
    std::memset(memory, 0x5A, sizeof memory);
    CImageByte image(memory, 3, 4, 3, 1);
    image.Allocate(-1, 2);  // refused: the image stays as it was
    EXPECT_EQ(image.data, memory);
    image.Allocate(5, 7);
    EXPECT_NE(image.data, memory);
    EXPECT_TRUE(image.ownsData);
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 7);
    EXPECT_EQ(image.stride, 5);
    EXPECT_EQ(image.bytesPerPixel, 1);
    image.Fill(1);
    for (uint8_t byte : memory) EXPECT_EQ(byte, 0x5A);
    image.Allocate(2, 2);  // releases the owned buffer (checked by the sanitizer build)
    ReleasePixelBuffer(image.data);
}

// Every pixel value, through every gain up to 300 and every contrast factor,
// gives the same byte in both variants.
TEST(ByteTone, VariantsAgreeOnEveryValue) {
    std::vector<uint8_t> ramp(256);
    for (int32_t i = 0; i < 256; ++i) ramp[i] = static_cast<uint8_t>(i);
    auto expectSame = [&](const ByteOperation& operation, const char* what, int32_t parameter) {
        std::vector<uint8_t> plain = ramp, sse2 = ramp;
        CImageByte plainImage = ByteImageAt(kPlainLevel, plain.data(), 256, 1, 256);
        CImageByte sse2Image = ByteImageAt(kSse2Level, sse2.data(), 256, 1, 256);
        operation(plainImage);
        operation(sse2Image);
        ASSERT_EQ(plain, sse2) << what << " " << parameter;
    };
    for (int32_t gain = 0; gain <= 300; ++gain)
        expectSame([gain](CImageByte& i) { i.MultiplyByGain(gain); }, "gain", gain);
    for (int32_t factor = 0; factor <= 8192; ++factor) {
        const float gain = static_cast<float>(factor) / 4096.0f;  // exact, so ContrastFactor(gain) == factor
        expectSame([gain](CImageByte& i) { i.AdjustContrast(gain); }, "factor", factor);
    }
}

TEST(ByteTone, VariantsGiveIdenticalBytes) {
    for (int32_t gain : {0, 1, 2, 3, 100, 128, 255, 256, 70000, INT_MAX})
        ExpectSameBytesAtBothLevels([gain](CImageByte& i) { i.MultiplyByGain(gain); }, gain);
    ExpectSameBytesAtBothLevels([](CImageByte& i) { i.Invert(); });
    for (float gain : {0.0f, 0.3f, 0.5f, 1.0f, 1.37f, 1.999f, 2.0f})
        ExpectSameBytesAtBothLevels([gain](CImageByte& i) { i.AdjustContrast(gain); });
    for (int32_t delta : {1, -1, 100, -100, 255, -255, 300, -300, INT_MAX, INT_MIN})
        ExpectSameBytesAtBothLevels([delta](CImageByte& i) { i.AdjustBrightness(delta); }, delta);
    // The mean at both levels, written into the first pixel for comparison.
    ExpectSameBytesAtBothLevels([](CImageByte& i) {
        const float mean = i.GetMeanValue();
        std::memcpy(i.data, &mean, std::min<size_t>(sizeof mean, static_cast<size_t>(i.width)));
    });
}

}  // namespace
