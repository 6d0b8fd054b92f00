// Tone, blends and filters of one-byte images.

#include <climits>
#include <cmath>

#include "core/ExactReciprocal.h"
#include "services/ToneCurves.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

ByteOperation Gain(int32_t gain) { return [gain](CImageByte& i) { i.MultiplyByGain(gain); }; }
ByteOperation Contrast(float gain) { return [gain](CImageByte& i) { i.AdjustContrast(gain); }; }
ByteOperation Brightness(int32_t delta) { return [delta](CImageByte& i) { i.AdjustBrightness(delta); }; }
ByteOperation AroundMean(int32_t amount) { return [amount](CImageByte& i) { i.AdjustContrastAroundMean(amount); }; }
auto Levels(uint8_t a, uint8_t b, uint8_t c, uint8_t d) { return [=](CImageByte& i) { i.MapLevels(a, b, c, d); }; }

// `operation` with a plane of the image's size all holding `planeByte`.
ByteOperation WithPlane(uint8_t planeByte, std::function<void(CImageByte&, const ImageDesc*)> operation) {
    return [=](CImageByte& i) {
        Bytes plane(static_cast<size_t>(i.width) * i.height, planeByte);
        const ImageDesc desc = PlaneDesc(plane, i.width, i.height);
        operation(i, &desc);
    };
}
auto Mask(int32_t t, uint8_t m) { return WithPlane(m, [=](CImageByte& i, auto p) { i.MaskByThreshold(p, t); }); }
ByteOperation Dodge(uint8_t b) { return WithPlane(b, [](CImageByte& i, auto p) { i.ColorDodgeBlend(p); }); }
ByteOperation Subtract(uint8_t b) { return WithPlane(b, [](CImageByte& i, auto p) { i.SubtractPlane(p); }); }

TEST(ByteToneAndBlends, Examples) {
    ExpectOneValueExamples({
        {Gain(200), 200, 255}, {Gain(70000), 1, 255}, {Gain(3), 40, 120}, {Gain(0), 77, 0}, {Gain(-1), 77, 77},
        {[](CImageByte& i) { i.Invert(); }, 200, 55}, {[](CImageByte& i) { i.Invert(); i.Invert(); }, 200, 200},
        {Contrast(1.0f), 37, 37}, {Contrast(0.0f), 37, 128}, {Contrast(2.0f), 192, 255}, {Contrast(2.0f), 64, 0},
        {Contrast(0.5f), 131, 130},  // rounds half up
        {Contrast(0.5f), 126, 127},  // the shift rounds toward minus infinity
        {Contrast(2.5f), 192, 192}, {Contrast(-0.1f), 192, 192}, {Contrast(std::nanf("")), 192, 192},
        {Brightness(300), 3, 255}, {Brightness(-300), 250, 0}, {Brightness(-10), 50, 40},
        {Brightness(INT_MIN), 250, 0}, {Brightness(INT_MAX), 1, 255},
        {Levels(50, 200, 0, 255), 50, 0}, {Levels(50, 200, 0, 255), 200, 255}, {Levels(50, 200, 0, 255), 125, 127},
        {Levels(0, 255, 255, 0), 100, 155}, {Levels(100, 50, 10, 20), 100, 10}, {Levels(100, 50, 10, 20), 101, 20},
        {AroundMean(0), 9, 9}, {AroundMean(101), 9, 9}, {AroundMean(-101), 9, 9},
        {Mask(255, 255), 77, 77}, {Mask(255, 0), 77, 0}, {Mask(255, 128), 255, 191}, {Mask(100, 101), 77, 77},
        {Mask(100, 100), 77, 77}, {Mask(100, 50), 200, 125}, {Mask(1000, 100), 200, 110},
        {Mask(1 << 24, 255), 255, 255},               // (threshold + 255) * 255 needs 33 bits
        {Mask(0, 0), 77, 77}, {Mask(-5, 0), 77, 77},  // thresholds below 1 are refused
        {Dodge(0), 128, 128}, {Dodge(255), 0, 255}, {Dodge(127), 128, 255}, {Dodge(200), 20, 93}, {Dodge(254), 0, 0},
        {Subtract(4), 9, 5}, {Subtract(9), 4, 0}, {Subtract(200), 200, 0},
    });
}

TEST(ByteTone, MeanAndContrastAroundMean) {
    // Mean 100: a threshold at the mean, which goes up. Rows go by stride, padding (7) kept.
    uint8_t padded[2 * 3] = {99, 101, 7, 100, 100, 7};
    ByteImageAt(kPlainLevel, padded, 2, 2, 3).AdjustContrastAroundMean(100);
    EXPECT_EQ(Bytes(padded, padded + 6), (Bytes{0, 255, 7, 255, 255, 7}));
    uint8_t flat[4] = {0, 255, 10, 20};  // mean 71.25; slope 0 gives the truncated mean
    ByteImageAt(kPlainLevel, flat, 4, 1, 4).AdjustContrastAroundMean(-100);
    EXPECT_EQ(Bytes(flat, flat + 4), Bytes(4, 71));

    uint8_t table[256];
    BuildContrastAroundMeanTable(50, 100.0f, table);  // slope tan(3 pi / 8) = 2.414
    EXPECT_EQ(Bytes({table[0], table[90], table[100], table[110], table[255]}), Bytes({0, 75, 100, 124, 255}));
    BuildContrastAroundMeanTable(99, 100.0f, table);  // slope about 127
    EXPECT_EQ(Bytes({table[99], table[101]}), Bytes({0, 227}));
    // The mean counts pixels only; 4096 x 4096 x 255 overflows a 32-bit sum.
    uint8_t wide[2 * 4] = {10, 20, 255, 255, 30, 40, 255, 255};
    EXPECT_EQ(ByteImageAt(kPlainLevel, wide, 2, 2, 4).GetMeanValue(), 25.0f);
    EXPECT_TRUE(std::isnan(ByteImageAt(kPlainLevel, nullptr, 0, 0, 0).GetMeanValue()));
    Bytes white(4096u * 4096u, 255);
    for (int32_t level : {kPlainLevel, kSse2Level})
        EXPECT_EQ(ByteImageAt(level, white.data(), 4096, 4096, 4096).GetMeanValue(), 255.0f);
}

// Pattern bytes are added to 100 with saturation. The tile side is the
// largest power of two not above the smaller pattern side, at least 2;
// patterns below 2 x 2 are refused without taking numbers.
TEST(ByteBlends, TiledPatternTilesItsTopLeftSquareFromTwoRandomNumbers) {
    const struct { int32_t patternWidth, patternHeight, tile; } cases[] = {
        {2, 2, 2}, {3, 3, 2}, {16, 16, 16}, {5, 9, 4}, {63, 63, 32}, {64, 80, 64}};
    const int32_t width = 80, height = 70;
    for (const auto& c : cases) {
        std::vector<uint8_t> pattern(static_cast<size_t>(c.patternWidth) * c.patternHeight);
        for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(1 + i * 3);
        std::srand(1234);
        const int32_t originX = std::rand() & 31, originY = std::rand() & 31, next = std::rand();
        std::srand(1234);
        std::vector<uint8_t> bytes(static_cast<size_t>(width) * height, 100);
        CImageByte image = ByteImageAt(kPlainLevel, bytes.data(), width, height, width);
        image.AddTiledPattern(nullptr, 2, 2);
        image.AddTiledPattern(pattern.data(), 1, c.patternWidth * c.patternHeight);
        image.AddTiledPattern(pattern.data(), c.patternWidth * c.patternHeight, 1);
        image.AddTiledPattern(pattern.data(), c.patternWidth, c.patternHeight);
        EXPECT_EQ(std::rand(), next) << "two numbers taken";
        for (int32_t i = 0; i < width * height; ++i) {
            const int32_t q = pattern[((originY + i / width) % c.tile) * c.patternWidth + (originX + i % width) % c.tile];
            ASSERT_EQ(bytes[i], std::min(100 + q, 255)) << c.patternWidth << " x " << c.patternHeight;
        }
    }
}

// Down-left lines are the anti-diagonals x + y = 0 .. w + h - 2 in order;
// down-right lines follow, x - y = w - 1 down to -(h - 1). Sums saturate.
TEST(ByteBlends, CrossHatchCrossesEveryPixelOnceEachWay) {
    for (const auto& [width, height] : {std::pair{7, 4}, {1, 1}, {1, 5}, {6, 1}}) {
        const int32_t lines = width + height - 1;
        for (uint32_t seed = 1; seed <= 8; ++seed) {
            std::srand(seed);
            std::vector<int32_t> d;  // each line's intensity, drawn from the sequence as the operation draws them
            for (int32_t i = 0, intensity = 10; i < 2 * lines; ++i)
                d.push_back(intensity = std::rand() & 1 ? (std::rand() & 31) + 10 : intensity);
            const int32_t next = std::rand();
            std::srand(seed);
            const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(width) * height, seed);
            std::vector<uint8_t> bytes = before;
            ByteImageAt(kPlainLevel, bytes.data(), width, height, width).AddCrossHatch();
            EXPECT_EQ(std::rand(), next) << "one or two numbers a line";
            for (int32_t i = 0, x = 0, y = 0; i < width * height; ++i, x = i % width, y = i / width)
                ASSERT_EQ(bytes[i], std::min(before[i] + d[x + y] + d[lines + (width - 1) - (x - y)], 255)) << x << ", " << y;
        }
    }
}

// Both sides are monotone in the sum, so agreeing on each side of every
// step q * count (q up to 255) makes them agree on the whole range.
TEST(ByteFilters, ReciprocalDividesEveryWindowSumExactly) {
    std::vector<uint32_t> counts;
    for (uint32_t c = 1; c <= 3000; ++c) counts.push_back(c);
    for (uint32_t side : {63u, 101u, 1023u, 4095u}) counts.insert(counts.end(), {side * side, side * (side + 1) / 2});
    counts.insert(counts.end(), {kMaxReciprocalCount - 1, kMaxReciprocalCount});
    for (uint32_t c : counts) {
        for (uint32_t q = 1; q <= 255; ++q) {
            ASSERT_EQ(DivideByReciprocal(q * c, ReciprocalOf(c)), q) << c;
            ASSERT_EQ(DivideByReciprocal(q * c - 1, ReciprocalOf(c)), q - 1) << c;
        }
    }
}

using Filter = std::function<void(CImageByte&, const ImageDesc*)>;

// The destination plane (0x77 before) of `filter` on `source`; the source stays as it was.
Bytes Filtered(Bytes source, int32_t width, int32_t height, const Filter& filter) {
    const Bytes before = source;
    Bytes destination(source.size(), 0x77);
    const ImageDesc desc = PlaneDesc(destination, width, height);
    CImageByte image = ByteImageAt(kPlainLevel, source.data(), width, height, width);
    filter(image, &desc);
    EXPECT_EQ(source, before);
    return destination;
}

auto Edges(int32_t threshold) { return [=](CImageByte& i, const ImageDesc* d) { i.DetectEdges(d, threshold, 200); }; }
auto Emboss(int32_t direction) { return [=](CImageByte& i, const ImageDesc* d) { i.EmbossToPlane(d, direction); }; }

// `width` x 5, 0 left of column `step` and `value` from it on.
Bytes Step(int32_t width, int32_t step, uint8_t value = 255) {
    Bytes bytes(width * 5);
    for (int32_t i = 0; i < width * 5; ++i) bytes[i] = i % width >= step ? value : 0;
    return bytes;
}

// A filter's result on Step(width, step): `beside` in the interior pixels of
// the columns either side of the step, `elsewhere` in the other interior
// pixels, `border` around.
Bytes StepResult(int32_t width, int32_t step, uint8_t beside, uint8_t elsewhere, uint8_t border) {
    Bytes expected(width * 5, border);
    for (int32_t y = 1; y < 4; ++y)
        for (int32_t x = 1; x < width - 1; ++x) expected[y * width + x] = (x == step - 1 || x == step) ? beside : elsewhere;
    return expected;
}

// Edges: gx = 765 beside a step to 255: 765^2 = 585225 exceeds 5852 x 100,
// not 5853 x 100. A step to 10 gives 30^2 = 900: above 8 x 100, not above
// 9 x 100. Emboss: mid grey at the border and on flat images.
TEST(ByteFilters, EdgesAndEmbossMarkTheColumnsBesideAStep) {
    const struct { int32_t width, step, threshold; uint8_t beside, value; } cases[] = {
        {6, 3, 1, 200, 255},   {6, 3, 5852, 200, 255}, {6, 3, 5853, 0, 255}, {5, 2, 1, 200, 255},
        {5, 4, 1, 200, 255},   {9, 8, 9, 200, 255},    {6, 3, 8, 200, 10},   {6, 3, 9, 0, 10}};
    for (const auto& c : cases)
        EXPECT_EQ(Filtered(Step(c.width, c.step, c.value), c.width, 5, Edges(c.threshold)),
                  StepResult(c.width, c.step, c.beside, 0, 0)) << c.width << " step " << c.step;
    EXPECT_EQ(Filtered({0, 255, 0, 255}, 2, 2, Edges(1)), Bytes(4, 0));
    const uint8_t beside[8] = {0, 128, 255, 255, 255, 128, 0, 0};  // 255 looking right, 0 looking left
    for (int32_t direction = 0; direction < 8; ++direction)
        EXPECT_EQ(Filtered(Step(6, 3), 6, 5, Emboss(direction)), StepResult(6, 3, beside[direction], 128, 128)) << direction;
    for (const auto& [w, h] : {std::pair{9, 7}, {1, 1}, {2, 2}, {1, 5}, {5, 2}}) {
        EXPECT_EQ(Filtered(Bytes(w * h, 40), w, h, Emboss(4)), Bytes(w * h, 128)) << w << " x " << h;
        EXPECT_EQ(Filtered(Bytes(w * h, 40), w, h, Edges(1)), Bytes(w * h, 0)) << w << " x " << h;
    }
}

}  // namespace
