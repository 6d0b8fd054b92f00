#include <gtest/gtest.h>

#include <vector>

#include "byte_test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// ---- Box blur ----

// The mean over the window clipped to the image, pixel by pixel.
std::vector<uint8_t> WindowMeans(const std::vector<uint8_t>& source, int32_t width, int32_t height,
                                 int32_t radius) {
    std::vector<uint8_t> means(source.size());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint32_t sum = 0, count = 0;
            for (int32_t v = std::max(0, y - radius); v <= std::min(height - 1, y + radius); ++v)
                for (int32_t u = std::max(0, x - radius); u <= std::min(width - 1, x + radius); ++u) {
                    sum += source[v * width + u];
                    ++count;
                }
            means[y * width + x] = static_cast<uint8_t>(sum / count);
        }
    return means;
}

TEST(ByteFilters, BoxBlurOfACentrePixel) {
    std::vector<uint8_t> bytes{0, 0, 0, 0, 90, 0, 0, 0, 0};
    ByteImageAt(kPlainLevel, bytes.data(), 3, 3, 3).BoxBlurInPlace(1);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{22, 15, 22, 15, 10, 15, 22, 15, 22}));
}

TEST(ByteFilters, BoxBlurIsTheClippedWindowMean) {
    struct Case {
        int32_t width, height, radius;
    } cases[] = {{7, 5, 1}, {7, 5, 2}, {9, 9, 4}, {3, 8, 1}, {12, 11, 3}, {30, 9, 2}};
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(c.width) * c.height, 11);
        const std::vector<uint8_t> expected = WindowMeans(bytes, c.width, c.height, c.radius);
        ByteImageAt(kPlainLevel, bytes.data(), c.width, c.height, c.width).BoxBlurInPlace(c.radius);
        EXPECT_EQ(bytes, expected) << c.width << " x " << c.height << " radius " << c.radius;
    }
}

TEST(ByteFilters, BoxBlurRadiusShrinksToFitTheImage) {
    std::vector<uint8_t> bytes = RandomBytes(5 * 100, 12);
    std::vector<uint8_t> limited = bytes;
    ByteImageAt(kPlainLevel, bytes.data(), 5, 100, 5).BoxBlurInPlace(10);
    ByteImageAt(kPlainLevel, limited.data(), 5, 100, 5).BoxBlurInPlace(2);
    EXPECT_EQ(bytes, limited);
    EXPECT_EQ(bytes, WindowMeans(RandomBytes(5 * 100, 12), 5, 100, 2));
}

TEST(ByteFilters, BoxBlurLeavesImagesItCannotChange) {
    struct Case {
        int32_t width, height, radius;
    } cases[] = {{2, 2, 5}, {6, 4, 0}, {6, 4, -3}, {1, 1, 1}, {6, 1, 2}, {1, 6, 1}};
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(c.width) * c.height, 13);
        const std::vector<uint8_t> before = bytes;
        ByteImageAt(kPlainLevel, bytes.data(), c.width, c.height, c.width).BoxBlurInPlace(c.radius);
        EXPECT_EQ(bytes, before) << c.width << " x " << c.height << " radius " << c.radius;
    }
    std::vector<uint8_t> grey(20 * 10, 77);
    ByteImageAt(kPlainLevel, grey.data(), 20, 10, 20).BoxBlurInPlace(3);
    EXPECT_EQ(grey, std::vector<uint8_t>(200, 77));
}

// A 4200-wide window of 255 sums past 32 bits; the mean must stay 255.
TEST(ByteFilters, BoxBlurOfAHugeWindowKeepsItsMean) {
    std::vector<uint8_t> white(4200u * 4200u, 255);
    ByteImageAt(kPlainLevel, white.data(), 4200, 4200, 4200).BoxBlurInPlace(2100);
    EXPECT_EQ(white, std::vector<uint8_t>(white.size(), 255));
}

// ---- Edges and relief ----

// A w x h image, 0 in columns 0..w/2-1 and 255 from column w/2 on.
std::vector<uint8_t> VerticalStep(int32_t width, int32_t height) {
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = width / 2; x < width; ++x) bytes[y * width + x] = 255;
    return bytes;
}

// The image expected of a filter on VerticalStep(6, 5): `beside` in the
// interior pixels of columns 2 and 3, `elsewhere` in every other interior
// pixel, `border` around.
std::vector<uint8_t> StepResult(uint8_t beside, uint8_t elsewhere, uint8_t border) {
    std::vector<uint8_t> expected(6 * 5, border);
    for (int32_t y = 1; y < 4; ++y)
        for (int32_t x = 1; x < 5; ++x) expected[y * 6 + x] = (x == 2 || x == 3) ? beside : elsewhere;
    return expected;
}

TEST(ByteFilters, DetectEdgesMarksTheColumnsBesideAStep) {
    struct Case {
        int32_t threshold;
        uint8_t marked;
    } cases[] = {{1, 200}, {5852, 200}, {5853, 0}};
    for (const Case& c : cases) {
        std::vector<uint8_t> source = VerticalStep(6, 5);
        std::vector<uint8_t> edges(6 * 5, 0x77);
        const ImageDesc desc = PlaneDesc(edges, 6, 5);
        ByteImageAt(kPlainLevel, source.data(), 6, 5, 6).DetectEdges(&desc, c.threshold, 200);
        EXPECT_EQ(edges, StepResult(c.marked, 0, 0)) << "threshold " << c.threshold;
        EXPECT_EQ(source, VerticalStep(6, 5));
    }
}

TEST(ByteFilters, DetectEdgesOnTwoByTwoOnlyClears) {
    std::vector<uint8_t> source{0, 255, 0, 255};
    std::vector<uint8_t> edges(4, 9);
    const ImageDesc desc = PlaneDesc(edges, 2, 2);
    ByteImageAt(kPlainLevel, source.data(), 2, 2, 2).DetectEdges(&desc, 1, 255);
    EXPECT_EQ(edges, std::vector<uint8_t>(4, 0));
}

TEST(ByteFilters, EmbossFollowsTheDirection) {
    struct Case {
        int32_t direction;
        uint8_t beside;
    } cases[] = {{3, 255}, {7, 0}, {1, 128}, {5, 128}, {2, 255}, {6, 0}};
    for (const Case& c : cases) {
        for (int32_t level : {kPlainLevel, kSse2Level}) {
            std::vector<uint8_t> source = VerticalStep(6, 5);
            std::vector<uint8_t> relief(6 * 5, 0x77);
            const ImageDesc desc = PlaneDesc(relief, 6, 5);
            ByteImageAt(level, source.data(), 6, 5, 6).EmbossToPlane(&desc, c.direction);
            EXPECT_EQ(relief, StepResult(c.beside, 128, 128)) << "direction " << c.direction << ", level " << level;
        }
    }
}

TEST(ByteFilters, EmbossOfFlatOrTinyImagesIsMidGrey) {
    struct Case {
        int32_t width, height;
        uint8_t value;
    } cases[] = {{9, 7, 40}, {1, 1, 0}, {2, 2, 255}, {1, 5, 3}, {5, 2, 3}};
    for (const Case& c : cases) {
        std::vector<uint8_t> source(static_cast<size_t>(c.width) * c.height, c.value);
        std::vector<uint8_t> relief(source.size(), 0);
        const ImageDesc desc = PlaneDesc(relief, c.width, c.height);
        ByteImageAt(kSse2Level, source.data(), c.width, c.height, c.width).EmbossToPlane(&desc, 4);
        EXPECT_EQ(relief, std::vector<uint8_t>(source.size(), 128)) << c.width << " x " << c.height;
    }
}

// Refused calls leave the destination exactly as it was.
TEST(ByteFilters, FiltersRefuseBadDestinationsAndArguments) {
    std::vector<uint8_t> source = VerticalStep(6, 5);
    std::vector<uint8_t> plane(6 * 5 + 6, 0x77);
    const ImageDesc otherSize = PlaneDesc(plane, 6, 4);
    const ImageDesc noData{nullptr, 6, 5, 6, 1, false};
    const ImageDesc itself{source.data(), 6, 5, 6, 1, false};
    const ImageDesc overlapping{source.data() + 6, 6, 5, 6, 1, false};
    const ImageDesc good = PlaneDesc(plane, 6, 5);
    CImageByte image = ByteImageAt(kPlainLevel, source.data(), 6, 5, 6);
    for (const ImageDesc* desc : {&otherSize, &noData, &itself, &overlapping}) {
        image.DetectEdges(desc, 1, 255);
        image.EmbossToPlane(desc, 3);
    }
    image.DetectEdges(nullptr, 1, 255);
    image.EmbossToPlane(nullptr, 3);
    image.DetectEdges(&good, 0, 255);
    image.EmbossToPlane(&good, 8);
    image.EmbossToPlane(&good, -1);
    EXPECT_EQ(plane, std::vector<uint8_t>(36, 0x77));
    EXPECT_EQ(source, VerticalStep(6, 5));
}

TEST(ByteFilters, PaddedImagesAreLeftUnchanged) {
    static std::vector<uint8_t> plane(13 * 4, 0x33);
    static const ImageDesc desc = PlaneDesc(plane, 13, 4);
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.BoxBlurInPlace(1); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.DetectEdges(&desc, 1, 255); });
    ExpectPaddedImageUnchanged([](CImageByte& i) { i.EmbossToPlane(&desc, 3); });
    EXPECT_EQ(plane, std::vector<uint8_t>(13 * 4, 0x33));
}

TEST(ByteFilters, EmbossVariantsGiveIdenticalBytes) {
    for (int32_t direction = 0; direction < 8; ++direction) {
        // The relief goes to a plane beside the image; it is written back
        // over the image so that the comparison sees it.
        ExpectSameBytesAtBothLevels(
            [direction](CImageByte& i) {
                std::vector<uint8_t> relief(static_cast<size_t>(i.width) * i.height);
                const ImageDesc desc = PlaneDesc(relief, i.width, i.height);
                i.EmbossToPlane(&desc, direction);
                std::copy(relief.begin(), relief.end(), i.data);
            },
            direction);
    }
}

}  // namespace
