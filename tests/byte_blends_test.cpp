#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "byte_test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

struct PlaneExample {
    const char* name;
    int32_t parameter;  // the threshold where the operation takes one
    uint8_t pixel;
    uint8_t plane;
    uint8_t expected;
};

// One pixel and one plane byte through a plane operation.
uint8_t RunOnPixel(void (*operation)(CImageByte&, const ImageDesc*, int32_t), uint8_t pixel,
                   uint8_t planeByte, int32_t parameter) {
    uint8_t image = pixel;
    std::vector<uint8_t> plane{planeByte};
    const ImageDesc desc = PlaneDesc(plane, 1, 1);
    CImageByte byteImage = ByteImageAt(kPlainLevel, &image, 1, 1, 1);
    operation(byteImage, &desc, parameter);
    return image;
}

TEST(ByteBlends, MaskByThresholdExamples) {
    const PlaneExample examples[] = {
        {"255: mask 255 keeps", 255, 77, 255, 77},   {"255: mask 0 clears", 255, 77, 0, 0},
        {"255: mask 128 over 255", 255, 255, 128, 191}, {"100: mask above keeps", 100, 77, 101, 77},
        {"100: mask at keeps", 100, 77, 100, 77},    {"100: mask 50 over 200", 100, 200, 50, 125},
        {"0 is refused", 0, 77, 0, 77},              {"negative is refused", -5, 77, 0, 77},
        {"1000: mask 100 over 200", 1000, 200, 100, 110},
    };
    for (const PlaneExample& e : examples) {
        EXPECT_EQ(RunOnPixel([](CImageByte& i, const ImageDesc* d, int32_t t) { i.MaskByThreshold(d, t); },
                             e.pixel, e.plane, e.parameter),
                  e.expected)
            << e.name;
    }
}

TEST(ByteBlends, ColorDodgeExamples) {
    const PlaneExample examples[] = {
        {"blend 0 over 128", 0, 128, 0, 128},
        {"blend 255 over 0", 0, 0, 255, 255},
        {"blend 127 over 128", 0, 128, 127, 255},
        {"blend 200 over 20", 0, 20, 200, 93},
    };
    for (const PlaneExample& e : examples) {
        EXPECT_EQ(RunOnPixel([](CImageByte& i, const ImageDesc* d, int32_t) { i.ColorDodgeBlend(d); },
                             e.pixel, e.plane, 0),
                  e.expected)
            << e.name;
    }
}

TEST(ByteBlends, SubtractPlaneOfItselfClears) {
    for (int32_t level : {kPlainLevel, kSse2Level}) {
        std::vector<uint8_t> bytes = RandomBytes(7 * 5, 3);
        std::vector<uint8_t> copy = bytes;
        const ImageDesc desc = PlaneDesc(copy, 7, 5);
        CImageByte image = ByteImageAt(level, bytes.data(), 7, 5, 7);
        image.SubtractPlane(&desc);
        EXPECT_EQ(bytes, std::vector<uint8_t>(35, 0));
    }
    uint8_t pixel = 9;
    std::vector<uint8_t> other{4};
    const ImageDesc desc = PlaneDesc(other, 1, 1);
    ByteImageAt(kPlainLevel, &pixel, 1, 1, 1).SubtractPlane(&desc);
    EXPECT_EQ(pixel, 5);
}

// Planes that are missing or of another size change nothing.
TEST(ByteBlends, PlaneOperationsRefuseMismatchedPlanes) {
    std::vector<uint8_t> plane(6 * 4, 1);
    const ImageDesc wrongWidth = PlaneDesc(plane, 5, 4);
    const ImageDesc wrongHeight = PlaneDesc(plane, 6, 3);
    const ImageDesc noData{nullptr, 6, 4, 6, 1, false};
    for (const ImageDesc* desc : {&wrongWidth, &wrongHeight, &noData, static_cast<const ImageDesc*>(nullptr)}) {
        for (int32_t level : {kPlainLevel, kSse2Level}) {
            std::vector<uint8_t> bytes = RandomBytes(6 * 4, 4);
            const std::vector<uint8_t> before = bytes;
            CImageByte image = ByteImageAt(level, bytes.data(), 6, 4, 6);
            image.MaskByThreshold(desc, 200);
            image.ColorDodgeBlend(desc);
            image.SubtractPlane(desc);
            EXPECT_EQ(bytes, before);
        }
    }
}

TEST(ByteBlends, PaddedImagesAreLeftUnchanged) {
    static std::vector<uint8_t> plane(13 * 4, 50);
    static const ImageDesc desc = PlaneDesc(plane, 13, 4);
    static const uint8_t pattern[4] = {1, 2, 3, 4};
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.MaskByThreshold(&desc, 100); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.ColorDodgeBlend(&desc); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.SubtractPlane(&desc); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.AddTiledPattern(pattern, 2, 2); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.AddCrossHatch(); });
}

TEST(ByteBlends, SubtractPlaneVariantsGiveIdenticalBytes) {
    ExpectSameBytesAtBothLevels([](CImageByte& i) {
        std::vector<uint8_t> other = RandomBytes(static_cast<size_t>(i.width) * i.height, 77);
        const ImageDesc desc = PlaneDesc(other, i.width, i.height);
        i.SubtractPlane(&desc);
    });
}

// ---- Tiled pattern ----

// The image a tiled pattern should give on a zero image of width x height
// from the origin (originX, originY) and tile side `tile`.
std::vector<uint8_t> ExpectedTiling(const std::vector<uint8_t>& pattern, int32_t patternWidth, int32_t tile,
                                    int32_t width, int32_t height, int32_t originX, int32_t originY) {
    std::vector<uint8_t> expected(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            expected[y * width + x] = pattern[((originY + y) % tile) * patternWidth + (originX + x) % tile];
    return expected;
}

TEST(ByteBlends, TiledPatternTilesItsTopLeftSquareFromARandomOrigin) {
    struct Case {
        int32_t patternWidth, patternHeight, tile;
    } cases[] = {{2, 2, 2}, {3, 3, 2}, {16, 16, 16}, {5, 9, 4}};
    const int32_t width = 40, height = 37;
    for (const Case& c : cases) {
        std::vector<uint8_t> pattern(static_cast<size_t>(c.patternWidth) * c.patternHeight);
        for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(1 + i * 3);
        std::srand(1234);
        const int32_t originX = std::rand() & 31;
        const int32_t originY = std::rand() & 31;
        const int32_t next = std::rand();

        std::srand(1234);
        std::vector<uint8_t> bytes(static_cast<size_t>(width) * height, 0);
        ByteImageAt(kPlainLevel, bytes.data(), width, height, width)
            .AddTiledPattern(pattern.data(), c.patternWidth, c.patternHeight);
        EXPECT_EQ(std::rand(), next) << "two numbers taken";
        EXPECT_EQ(bytes, ExpectedTiling(pattern, c.patternWidth, c.tile, width, height, originX, originY))
            << c.patternWidth << " x " << c.patternHeight;
    }
}

TEST(ByteBlends, TiledPatternOfSixteenRepeatsEverySixteenPixels) {
    std::vector<uint8_t> pattern = RandomBytes(16 * 16, 21);
    std::vector<uint8_t> bytes(48 * 40, 0);
    ByteImageAt(kPlainLevel, bytes.data(), 48, 40, 48).AddTiledPattern(pattern.data(), 16, 16);
    for (int32_t y = 0; y + 16 < 40; ++y)
        for (int32_t x = 0; x + 16 < 48; ++x) {
            ASSERT_EQ(bytes[y * 48 + x], bytes[y * 48 + x + 16]);
            ASSERT_EQ(bytes[y * 48 + x], bytes[(y + 16) * 48 + x]);
        }
}

TEST(ByteBlends, TiledPatternAddsWithSaturation) {
    const uint8_t pattern[4] = {200, 200, 200, 200};
    std::vector<uint8_t> bytes{10, 100};
    ByteImageAt(kPlainLevel, bytes.data(), 2, 1, 2).AddTiledPattern(pattern, 2, 2);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{210, 255}));
}

TEST(ByteBlends, ZeroPatternChangesNothingButTakesTwoNumbers) {
    const std::vector<uint8_t> pattern(4, 0);
    std::srand(77);
    std::rand();
    std::rand();
    const int32_t third = std::rand();
    std::srand(77);
    std::vector<uint8_t> bytes = RandomBytes(30, 6);
    const std::vector<uint8_t> before = bytes;
    ByteImageAt(kPlainLevel, bytes.data(), 6, 5, 6).AddTiledPattern(pattern.data(), 2, 2);
    EXPECT_EQ(bytes, before);
    EXPECT_EQ(std::rand(), third);
}

TEST(ByteBlends, TooSmallPatternsAreRefusedWithoutTakingNumbers) {
    const uint8_t pattern[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    std::srand(5);
    const int32_t first = std::rand();
    std::srand(5);
    std::vector<uint8_t> bytes(12, 1);
    CImageByte image = ByteImageAt(kPlainLevel, bytes.data(), 4, 3, 4);
    image.AddTiledPattern(nullptr, 2, 2);
    image.AddTiledPattern(pattern, 1, 8);
    image.AddTiledPattern(pattern, 8, 1);
    image.AddTiledPattern(pattern, 2, -2);
    EXPECT_EQ(bytes, std::vector<uint8_t>(12, 1));
    EXPECT_EQ(std::rand(), first);
}

// ---- Cross-hatch ----

// The intensities of `lines` cross-hatch lines drawn from the current
// sequence, as the operation draws them.
std::vector<int32_t> HatchIntensities(int32_t lines) {
    std::vector<int32_t> intensities;
    int32_t intensity = 10;
    for (int32_t i = 0; i < lines; ++i) {
        if (std::rand() & 1) intensity = (std::rand() & 31) + 10;
        intensities.push_back(intensity);
    }
    return intensities;
}

TEST(ByteBlends, CrossHatchOnOnePixelAddsTwoIntensities) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        const std::vector<int32_t> d = HatchIntensities(2);
        const int32_t next = std::rand();
        std::srand(seed);
        uint8_t pixel = 100;
        ByteImageAt(kPlainLevel, &pixel, 1, 1, 1).AddCrossHatch();
        EXPECT_EQ(pixel, 100 + d[0] + d[1]) << "seed " << seed;
        EXPECT_EQ(std::rand(), next) << "seed " << seed;
    }
}

// Down-left lines are the anti-diagonals x + y = 0 .. w + h - 2 in order;
// down-right lines follow, x - y = w - 1 down to -(h - 1).
TEST(ByteBlends, CrossHatchCrossesEveryPixelOnceEachWay) {
    const int32_t width = 7, height = 4;
    std::srand(42);
    const std::vector<int32_t> d = HatchIntensities(2 * (width + height - 1));
    std::srand(42);
    std::vector<uint8_t> bytes(width * height, 0);
    ByteImageAt(kPlainLevel, bytes.data(), width, height, width).AddCrossHatch();
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const int32_t downLeft = d[x + y];
            const int32_t downRight = d[(width + height - 1) + (width - 1 - (x - y))];
            EXPECT_EQ(bytes[y * width + x], downLeft + downRight) << x << ", " << y;
        }
}

TEST(ByteBlends, CrossHatchSaturates) {
    std::vector<uint8_t> bytes(9, 250);
    ByteImageAt(kPlainLevel, bytes.data(), 3, 3, 3).AddCrossHatch();
    EXPECT_EQ(bytes, std::vector<uint8_t>(9, 255));
}

}  // namespace
