#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numeric>
#include <vector>

#include "test_support.h"
#include "services/ToneCurves.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

ByteOperation Gain(int32_t gain) { return [gain](CImageByte& i) { i.MultiplyByGain(gain); }; }
ByteOperation Contrast(float gain) { return [gain](CImageByte& i) { i.AdjustContrast(gain); }; }
ByteOperation Brightness(int32_t delta) { return [delta](CImageByte& i) { i.AdjustBrightness(delta); }; }
ByteOperation AroundMean(int32_t amount) { return [amount](CImageByte& i) { i.AdjustContrastAroundMean(amount); }; }
ByteOperation Levels(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) {
    return [=](CImageByte& i) { i.MapLevels(inLow, inHigh, outLow, outHigh); };
}
const ByteOperation kInvert = [](CImageByte& i) { i.Invert(); };

TEST(ByteTone, Examples) {
    ExpectOneValueExamples({
        {Gain(200), 200, 255}, {Gain(70000), 1, 255}, {Gain(3), 40, 120}, {Gain(0), 77, 0}, {Gain(-1), 77, 77},
        {kInvert, 200, 55}, {[](CImageByte& i) { i.Invert(); i.Invert(); }, 200, 200},
        {Contrast(1.0f), 37, 37}, {Contrast(0.0f), 37, 128}, {Contrast(2.0f), 192, 255}, {Contrast(2.0f), 64, 0},
        {Contrast(0.5f), 131, 130},  // rounds half up
        {Contrast(0.5f), 126, 127},  // the shift rounds toward minus infinity
        {Contrast(2.5f), 192, 192}, {Contrast(-0.1f), 192, 192}, {Contrast(std::nanf("")), 192, 192},
        {Brightness(300), 3, 255}, {Brightness(-300), 250, 0}, {Brightness(-10), 50, 40},
        {Brightness(INT_MIN), 250, 0}, {Brightness(INT_MAX), 1, 255},
        {Levels(50, 200, 0, 255), 50, 0}, {Levels(50, 200, 0, 255), 200, 255}, {Levels(50, 200, 0, 255), 125, 127},
        {Levels(0, 255, 255, 0), 100, 155}, {Levels(100, 50, 10, 20), 100, 10}, {Levels(100, 50, 10, 20), 101, 20},
        {AroundMean(0), 9, 9}, {AroundMean(101), 9, 9}, {AroundMean(-101), 9, 9},
    });
}

TEST(ByteTone, ContrastAroundMean) {
    // Mean 100.5: a threshold at the mean. Rows go by stride, padding (7) kept.
    uint8_t padded[2 * 3] = {100, 101, 7, 100, 101, 7};
    ByteImageAt(kPlainLevel, padded, 2, 2, 3).AdjustContrastAroundMean(100);
    EXPECT_EQ(std::vector<uint8_t>(padded, padded + 6), (std::vector<uint8_t>{0, 255, 7, 0, 255, 7}));
    uint8_t flat[4] = {0, 255, 10, 20};  // mean 71.25; slope 0 gives the truncated mean
    ByteImageAt(kPlainLevel, flat, 4, 1, 4).AdjustContrastAroundMean(-100);
    EXPECT_EQ(std::vector<uint8_t>(flat, flat + 4), std::vector<uint8_t>(4, 71));

    uint8_t table[256];
    BuildContrastAroundMeanTable(50, 100.0f, table);  // slope tan(3 pi / 8) = 2.414
    EXPECT_EQ(std::vector<uint8_t>({table[0], table[90], table[100], table[110], table[255]}),
              std::vector<uint8_t>({0, 75, 100, 124, 255}));
    BuildContrastAroundMeanTable(99, 100.0f, table);  // slope about 127
    EXPECT_EQ(table[99], 0);
    EXPECT_EQ(table[101], 227);
}

TEST(ByteTone, MeanCountsPixelsOnly) {
    for (int32_t level : {kPlainLevel, kSse2Level}) {
        uint8_t pair[2] = {0, 255};
        EXPECT_EQ(ByteImageAt(level, pair, 2, 1, 2).GetMeanValue(), 127.5f);
        uint8_t padded[2 * 4] = {10, 20, 255, 255, 30, 40, 255, 255};
        EXPECT_EQ(ByteImageAt(level, padded, 2, 2, 4).GetMeanValue(), 25.0f);
        EXPECT_TRUE(std::isnan(ByteImageAt(level, nullptr, 0, 0, 0).GetMeanValue()));
        // 4096 x 4096 x 255 overflows a 32-bit sum.
        std::vector<uint8_t> white(4096u * 4096u, 255);
        EXPECT_EQ(ByteImageAt(level, white.data(), 4096, 4096, 4096).GetMeanValue(), 255.0f);
    }
}

TEST(ByteTone, VariantsAgreeOnEveryParameter) {
    // A ramp through every value, 16 groups of 16, one of 8 and a tail of 7,
    // for every gain, every contrast factor (exact in float, so the factor
    // comes back) and every brightness delta.
    auto expectSame = [](const ByteOperation& operation, int32_t parameter) {
        Bytes plain(271);
        std::iota(plain.begin(), plain.end(), uint8_t{0});
        Bytes sse2 = plain;
        CImageByte plainImage = ByteImageAt(kPlainLevel, plain.data(), 271, 1, 271);
        CImageByte sse2Image = ByteImageAt(kSse2Level, sse2.data(), 271, 1, 271);
        operation(plainImage);
        operation(sse2Image);
        ASSERT_EQ(plain, sse2) << parameter;
    };
    for (int32_t gain = 0; gain <= 300; ++gain) expectSame(Gain(gain), gain);
    for (int32_t factor = 0; factor <= 8192; ++factor) expectSame(Contrast(factor / 4096.0f), factor);
    for (int32_t delta = -300; delta <= 300; ++delta) expectSame(Brightness(delta), delta);
}

}  // namespace
