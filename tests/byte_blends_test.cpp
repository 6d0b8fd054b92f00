#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

using PlaneOperation = void (*)(CImageByte&, const ImageDesc*, int32_t threshold);
void Mask(CImageByte& i, const ImageDesc* plane, int32_t threshold) { i.MaskByThreshold(plane, threshold); }
void Dodge(CImageByte& i, const ImageDesc* plane, int32_t) { i.ColorDodgeBlend(plane); }
void Subtract(CImageByte& i, const ImageDesc* plane, int32_t) { i.SubtractPlane(plane); }

// `operation` with a plane of the image's size holding `planeByte`, or random bytes when it is negative.
ByteOperation WithPlane(PlaneOperation operation, int32_t threshold, int32_t planeByte = -1) {
    return [=](CImageByte& i) {
        const size_t size = static_cast<size_t>(i.width) * i.height;
        std::vector<uint8_t> plane = planeByte < 0 ? RandomBytes(size, 77) : std::vector<uint8_t>(size, planeByte);
        const ImageDesc desc = PlaneDesc(plane, i.width, i.height);
        operation(i, &desc, threshold);
    };
}

TEST(ByteBlends, Examples) {
    ExpectOneValueExamples({
        {WithPlane(Mask, 255, 255), 77, 77}, {WithPlane(Mask, 255, 0), 77, 0}, {WithPlane(Mask, 255, 128), 255, 191},
        {WithPlane(Mask, 100, 101), 77, 77}, {WithPlane(Mask, 100, 100), 77, 77}, {WithPlane(Mask, 100, 50), 200, 125},
        {WithPlane(Mask, 1000, 100), 200, 110},
        {WithPlane(Mask, 1 << 24, 255), 255, 255},                          // (threshold + 255) * 255 needs 33 bits
        {WithPlane(Mask, 0, 0), 77, 77}, {WithPlane(Mask, -5, 0), 77, 77},  // thresholds below 1 are refused
        {WithPlane(Dodge, 0, 0), 128, 128}, {WithPlane(Dodge, 0, 255), 0, 255}, {WithPlane(Dodge, 0, 127), 128, 255},
        {WithPlane(Dodge, 0, 200), 20, 93}, {WithPlane(Dodge, 0, 254), 0, 0},
        {WithPlane(Subtract, 0, 4), 9, 5}, {WithPlane(Subtract, 0, 9), 4, 0}, {WithPlane(Subtract, 0, 200), 200, 0},
    });
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
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const int32_t q = pattern[((originY + y) % c.tile) * c.patternWidth + (originX + x) % c.tile];
                ASSERT_EQ(bytes[y * width + x], std::min(100 + q, 255)) << c.patternWidth << " x " << c.patternHeight;
            }
    }
}

// The intensities of the next `lines` cross-hatch lines, drawn from the
// sequence as the operation draws them.
std::vector<int32_t> HatchIntensities(int32_t lines) {
    std::vector<int32_t> intensities;
    int32_t intensity = 10;
    for (int32_t i = 0; i < lines; ++i) {
        if (std::rand() & 1) intensity = (std::rand() & 31) + 10;
        intensities.push_back(intensity);
    }
    return intensities;
}

// Down-left lines are the anti-diagonals x + y = 0 .. w + h - 2 in order;
// down-right lines follow, x - y = w - 1 down to -(h - 1). Sums saturate.
TEST(ByteBlends, CrossHatchCrossesEveryPixelOnceEachWay) {
    for (const auto& size : {std::vector<int32_t>{7, 4}, {1, 1}, {1, 5}, {6, 1}}) {
        const int32_t width = size[0], height = size[1], lines = width + height - 1;
        for (uint32_t seed = 1; seed <= 8; ++seed) {
            std::srand(seed);
            const std::vector<int32_t> d = HatchIntensities(2 * lines);
            const int32_t next = std::rand();
            std::srand(seed);
            const std::vector<uint8_t> before = RandomBytes(static_cast<size_t>(width) * height, seed);
            std::vector<uint8_t> bytes = before;
            ByteImageAt(kPlainLevel, bytes.data(), width, height, width).AddCrossHatch();
            EXPECT_EQ(std::rand(), next) << "one or two numbers a line";
            for (int32_t i = 0; i < width * height; ++i) {
                const int32_t x = i % width, y = i / width;
                const int32_t downLeft = d[x + y], downRight = d[lines + (width - 1) - (x - y)];
                ASSERT_EQ(bytes[i], std::min(before[i] + downLeft + downRight, 255)) << x << ", " << y;
            }
        }
    }
}

}  // namespace
