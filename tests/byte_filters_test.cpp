#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "core/ExactReciprocal.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// Both sides are monotone in the sum, so agreeing on each side of every
// step q * count (q up to 255) makes them agree on the whole range.
TEST(ByteFilters, ReciprocalDividesEveryWindowSumExactly) {
    std::vector<uint32_t> counts;
    for (uint32_t c = 1; c <= 3000; ++c) counts.push_back(c);
    for (uint32_t side : {63u, 101u, 1023u, 4095u}) counts.insert(counts.end(), {side * side, side * (side + 1) / 2});
    counts.insert(counts.end(), {kMaxReciprocalCount - 1, kMaxReciprocalCount});
    for (uint32_t c : counts) {
        const uint64_t reciprocal = ReciprocalOf(c);
        for (uint32_t q = 0; q <= 255; ++q) {
            ASSERT_EQ(DivideByReciprocal(q * c, reciprocal), q) << c;
            if (q > 0) {
                ASSERT_EQ(DivideByReciprocal(q * c - 1, reciprocal), q - 1) << c;
            }
        }
        ASSERT_EQ(DivideByReciprocal(255 * c, reciprocal), 255u) << c;
    }
}

using Filter = std::function<void(CImageByte&, const ImageDesc*)>;

// The destination plane (0x77 before) of `filter` on `source`; the source stays as it was.
Bytes Filtered(Bytes source, int32_t width, int32_t height, int32_t level, const Filter& filter) {
    const Bytes before = source;
    Bytes destination(source.size(), 0x77);
    const ImageDesc desc = PlaneDesc(destination, width, height);
    CImageByte image = ByteImageAt(level, source.data(), width, height, width);
    filter(image, &desc);
    EXPECT_EQ(source, before);
    return destination;
}

Filter Edges(int32_t threshold) { return [=](CImageByte& i, const ImageDesc* d) { i.DetectEdges(d, threshold, 200); }; }
Filter Emboss(int32_t direction) { return [=](CImageByte& i, const ImageDesc* d) { i.EmbossToPlane(d, direction); }; }

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

// gx = 765 beside a step to 255: 765^2 = 585225 exceeds 5852 x 100, not
// 5853 x 100. A step to 10 gives 30^2 = 900: above 8 x 100, not above 9 x 100.
TEST(ByteFilters, DetectEdgesMarksTheColumnsBesideAStep) {
    const struct { int32_t width, step, threshold; uint8_t beside, value; } cases[] = {
        {6, 3, 1, 200, 255},   {6, 3, 5852, 200, 255}, {6, 3, 5853, 0, 255}, {5, 2, 1, 200, 255},
        {5, 4, 1, 200, 255},   {9, 8, 9, 200, 255},    {6, 3, 8, 200, 10},   {6, 3, 9, 0, 10}};
    for (const auto& c : cases)
        EXPECT_EQ(Filtered(Step(c.width, c.step, c.value), c.width, 5, kPlainLevel, Edges(c.threshold)),
                  StepResult(c.width, c.step, c.beside, 0, 0)) << c.width << " step " << c.step;
    EXPECT_EQ(Filtered({0, 255, 0, 255}, 2, 2, kPlainLevel, Edges(1)), Bytes(4, 0));
}

TEST(ByteFilters, EmbossFollowsTheDirectionAndIsMidGreyAtTheBorder) {
    const uint8_t beside[8] = {0, 128, 255, 255, 255, 128, 0, 0};  // 255 looking right, 0 looking left
    for (int32_t level : {kPlainLevel, kSse2Level}) {
        for (int32_t direction = 0; direction < 8; ++direction)
            EXPECT_EQ(Filtered(Step(6, 3), 6, 5, level, Emboss(direction)), StepResult(6, 3, beside[direction], 128, 128))
                << "direction " << direction << ", level " << level;
        for (const auto& size : {std::vector<int32_t>{9, 7}, {1, 1}, {2, 2}, {1, 5}, {5, 2}}) {
            const Bytes flat(static_cast<size_t>(size[0]) * size[1], 40);
            EXPECT_EQ(Filtered(flat, size[0], size[1], level, Emboss(4)), Bytes(flat.size(), 128))
                << size[0] << " x " << size[1];
        }
    }
}

}  // namespace
