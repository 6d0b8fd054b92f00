#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "byte_test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// The mean over the window clipped to the image, pixel by pixel.
std::vector<uint8_t> WindowMeans(const std::vector<uint8_t>& source, int32_t width, int32_t height, int32_t radius) {
    std::vector<uint8_t> means(source.size());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint32_t sum = 0, count = 0;
            for (int32_t v = std::max(0, y - radius); v <= std::min(height - 1, y + radius); ++v)
                for (int32_t u = std::max(0, x - radius); u <= std::min(width - 1, x + radius); ++u, ++count)
                    sum += source[v * width + u];
            means[y * width + x] = static_cast<uint8_t>(sum / count);
        }
    return means;
}

TEST(ByteFilters, BoxBlurOfACentrePixel) {
    std::vector<uint8_t> bytes{0, 0, 0, 0, 90, 0, 0, 0, 0};
    ByteImageAt(kPlainLevel, bytes.data(), 3, 3, 3).BoxBlurInPlace(1);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{22, 15, 22, 15, 10, 15, 22, 15, 22}));
}

// The radius is first limited to fit the image; a limit of 0, or a radius
// below 1, leaves the image unchanged.
TEST(ByteFilters, BoxBlurIsTheClippedWindowMean) {
    const struct {
        int32_t width, height, radius, limited;
    } cases[] = {{7, 5, 1, 1}, {7, 5, 2, 2}, {9, 9, 4, 4}, {3, 8, 1, 1}, {12, 11, 3, 3}, {30, 9, 2, 2},
                 {5, 100, 10, 2}, {2, 2, 5, 0}, {6, 4, 0, 0}, {6, 4, -3, 0}, {1, 1, 1, 0}, {6, 1, 2, 0}, {1, 6, 1, 0}};
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(c.width) * c.height, 11);
        const std::vector<uint8_t> expected = WindowMeans(bytes, c.width, c.height, c.limited);
        ByteImageAt(kPlainLevel, bytes.data(), c.width, c.height, c.width).BoxBlurInPlace(c.radius);
        EXPECT_EQ(bytes, expected) << c.width << " x " << c.height << " radius " << c.radius;
    }
}

// A 4200-wide window of 255 sums past 32 bits; the mean must stay 255.
TEST(ByteFilters, BoxBlurOfAHugeWindowKeepsItsMean) {
    std::vector<uint8_t> white(4200u * 4200u, 255);
    ByteImageAt(kPlainLevel, white.data(), 4200, 4200, 4200).BoxBlurInPlace(2100);
    EXPECT_EQ(white, std::vector<uint8_t>(white.size(), 255));
}

using Filter = std::function<void(CImageByte&, const ImageDesc*)>;

// The destination plane (0x77 before) of `filter` on `source`; the source stays as it was.
std::vector<uint8_t> Filtered(std::vector<uint8_t> source, int32_t width, int32_t height, int32_t level,
                              const Filter& filter) {
    const std::vector<uint8_t> before = source;
    std::vector<uint8_t> destination(source.size(), 0x77);
    const ImageDesc desc = PlaneDesc(destination, width, height);
    CImageByte image = ByteImageAt(level, source.data(), width, height, width);
    filter(image, &desc);
    EXPECT_EQ(source, before);
    return destination;
}

Filter Edges(int32_t threshold) { return [=](CImageByte& i, const ImageDesc* d) { i.DetectEdges(d, threshold, 200); }; }
Filter Emboss(int32_t direction) { return [=](CImageByte& i, const ImageDesc* d) { i.EmbossToPlane(d, direction); }; }

// 6 x 5, a vertical step between columns 2 and 3.
const std::vector<uint8_t> kStep = {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255,
                                    0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255};

// A filter's result on kStep: `beside` in the interior pixels of columns 2
// and 3, `elsewhere` in the other interior pixels, `border` around.
std::vector<uint8_t> StepResult(uint8_t beside, uint8_t elsewhere, uint8_t border) {
    std::vector<uint8_t> expected(6 * 5, border);
    for (int32_t y = 1; y < 4; ++y)
        for (int32_t x = 1; x < 5; ++x) expected[y * 6 + x] = (x == 2 || x == 3) ? beside : elsewhere;
    return expected;
}

// gx = 765 beside the step: 765^2 = 585225 exceeds 5852 x 100, not 5853 x 100.
TEST(ByteFilters, DetectEdgesMarksTheColumnsBesideAStep) {
    EXPECT_EQ(Filtered(kStep, 6, 5, kPlainLevel, Edges(1)), StepResult(200, 0, 0));
    EXPECT_EQ(Filtered(kStep, 6, 5, kPlainLevel, Edges(5852)), StepResult(200, 0, 0));
    EXPECT_EQ(Filtered(kStep, 6, 5, kPlainLevel, Edges(5853)), StepResult(0, 0, 0));
    EXPECT_EQ(Filtered({0, 255, 0, 255}, 2, 2, kPlainLevel, Edges(1)), std::vector<uint8_t>(4, 0));
}

TEST(ByteFilters, EmbossFollowsTheDirectionAndIsMidGreyAtTheBorder) {
    const uint8_t beside[8] = {0, 128, 255, 255, 255, 128, 0, 0};  // 255 looking right, 0 looking left
    for (int32_t level : {kPlainLevel, kSse2Level}) {
        for (int32_t direction = 0; direction < 8; ++direction)
            EXPECT_EQ(Filtered(kStep, 6, 5, level, Emboss(direction)), StepResult(beside[direction], 128, 128))
                << "direction " << direction << ", level " << level;
        for (const auto& size : {std::vector<int32_t>{9, 7}, {1, 1}, {2, 2}, {1, 5}, {5, 2}}) {
            const std::vector<uint8_t> flat(static_cast<size_t>(size[0]) * size[1], 40);
            EXPECT_EQ(Filtered(flat, size[0], size[1], level, Emboss(4)), std::vector<uint8_t>(flat.size(), 128))
                << size[0] << " x " << size[1];
        }
    }
}

// Refused calls leave the destination exactly as it was.
TEST(ByteFilters, FiltersRefuseBadDestinationsAndArguments) {
    std::vector<uint8_t> source = kStep, plane(6 * 5 + 6, 0x77);
    const ImageDesc otherSize = PlaneDesc(plane, 6, 4), good = PlaneDesc(plane, 6, 5);
    const ImageDesc noData{nullptr, 6, 5, 6, 1, false}, itself{source.data(), 6, 5, 6, 1, false};
    const ImageDesc overlapping{source.data() + 6, 6, 5, 6, 1, false};
    CImageByte image = ByteImageAt(kPlainLevel, source.data(), 6, 5, 6);
    for (const ImageDesc* desc : {&otherSize, &noData, &itself, &overlapping, static_cast<const ImageDesc*>(nullptr)}) {
        image.DetectEdges(desc, 1, 255);
        image.EmbossToPlane(desc, 3);
    }
    image.DetectEdges(&good, 0, 255);
    image.EmbossToPlane(&good, 8);
    image.EmbossToPlane(&good, -1);
    EXPECT_EQ(plane, std::vector<uint8_t>(36, 0x77));
    EXPECT_EQ(source, kStep);
}

// A filter into a plane that starts as a copy of the image's first
// width x height bytes and is copied back over them, so that the
// comparisons see it (and a refused filter changes nothing).
ByteOperation ThroughPlane(const Filter& filter) {
    return [filter](CImageByte& i) {
        std::vector<uint8_t> plane(i.data, i.data + static_cast<size_t>(i.width) * i.height);
        const ImageDesc desc = PlaneDesc(plane, i.width, i.height);
        filter(i, &desc);
        std::copy(plane.begin(), plane.end(), i.data);
    };
}

TEST(ByteFilters, VariantsAgreeOnPackedImagesOnly) {
    ExpectVariantsAgreeOnPackedImagesOnly([](CImageByte& i) { i.BoxBlurInPlace(2); });
    ExpectVariantsAgreeOnPackedImagesOnly(ThroughPlane(Edges(1)));
    for (int32_t direction = 0; direction < 8; ++direction)
        ExpectVariantsAgreeOnPackedImagesOnly(ThroughPlane(Emboss(direction)));
}

}  // namespace
