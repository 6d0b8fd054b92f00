#include "resample/Resample.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// 4-byte pixels with rows padded by `padBytes`: random bytes from a non-zero
// `seed`, else every byte 0xEE.
Frame Buffer(int32_t width, int32_t height, int32_t padBytes = 0, uint32_t seed = 0) {
    std::mt19937 rng(seed);
    return seed != 0 ? RandomFrame(rng, width, height, 4, padBytes) : Uniform(width, height, 0xEEEEEEEEu, padBytes);
}

// ResizeTo of an ARGB or AYUV image at `level` over `source` into `destination`.
void Resize(Frame& source, ImageDesc destination, uint32_t mode, bool ayuv = false, int32_t level = 3) {
    if (ayuv) return ImageAt<CImageAYUV>(level, source).ResizeTo(&destination, mode);
    ImageAt(level, source).ResizeTo(&destination, mode);
}

// 4 x 4 of equal rows to 8 x 8: columns 0, 0.5, 1, 1.5, 2, 2.5, then twice
// 127/128 of the last pair; L + ((R - L) * f >> 7) rounds down (100 -> 0 at
// 127 gives 0, not 1). Equal sizes (3 x 2, all four lanes alike) reproduce
// all but the last column and row, which sit 127/128 of the way along the
// last pair: 100 -> 228 gives 227; the last row is 0 -> 50 (49), 100 -> 60
// (60) and 227 -> 253 (252). The engine looks at neither the pixel format
// nor the instruction-set level.
TEST(ResizeBilinear, WorkedExamples) {
    const uint8_t columns[16] = {200, 0, 17, 255, 11, 255, 18, 0, 90, 30, 100, 7, 250, 31, 0, 8};
    const uint8_t expected[32] = {200, 0, 17, 255, 105, 127, 17, 127, 11, 255, 18, 0, 50, 142, 59, 3,
                                  90, 30, 100, 7, 170, 30, 50, 7, 248, 30, 0, 7, 248, 30, 0, 7};
    Frame source = Buffer(4, 4), same = Buffer(3, 2, 4);
    for (int32_t y = 0; y < 4; ++y) std::memcpy(source.Pixel(0, y), columns, 16);
    const uint8_t values[6] = {0, 100, 228, 50, 60, 255}, sameExpected[6] = {0, 100, 227, 49, 60, 252};
    for (int32_t i = 0; i < 24; ++i) same.Pixel(0, i / 12)[i % 12] = values[i / 4];
    for (int32_t run = 0; run < 4; ++run) {  // ARGB and AYUV at levels 0 and 3
        Frame destination = Buffer(8, 8, 12), sameDestination = Buffer(3, 2, 8);
        Resize(source, destination.Desc(), 0, run % 2, run / 2 * 3);
        Resize(same, sameDestination.Desc(), 0, run % 2, run / 2 * 3);
        for (int32_t y = 0; y < 8; ++y) EXPECT_EQ(0, std::memcmp(destination.Pixel(0, y), expected, 32)) << run;
        for (int32_t i = 0; i < 24; ++i) EXPECT_EQ(sameDestination.Pixel(0, i / 12)[i % 12], sameExpected[i / 4]) << i;
        EXPECT_TRUE(destination.PaddingEquals(Buffer(8, 8, 12)) && sameDestination.PaddingEquals(Buffer(3, 2, 8)));
    }
}

TEST(ResizeRowsNearest, RepeatsRowsByTheNearestRuleAndClearsPadding) {
    Frame source = Buffer(3, 4, 4, 3), destination = Buffer(3, 8, 8);
    Resize(source, destination.Desc(), 1);
    const int32_t nearest[8] = {0, 1, 1, 2, 2, 3, 3, 3};  // 0.5 rounds up
    for (int32_t y = 0; y < 8; ++y) EXPECT_EQ(0, std::memcmp(destination.Pixel(0, y), source.Pixel(0, nearest[y]), 12)) << y;
    EXPECT_TRUE(destination.PaddingEquals(Frame{Bytes(destination.bytes.size(), 0), 3, 8, 4, 20}));
}

// Mode 0 gives the plain row's bytes and mode 2 averages every pixel afresh
// (4 x 4 samples, truncated per sample row, then across rows), whatever
// shortcuts exact halving and doubling take. Sources start at (1, 2) with
// padded strides; mode 2 clears the row padding.
TEST(ResizeGeneralRules, EveryShapeAndTheShortcuts) {
    const int32_t shapes[][4] = {{8, 8, 2, 2},  {2, 2, 1, 1}, {18, 10, 9, 5}, {40, 6, 20, 3}, {10, 3, 5, 7},
                                 {9, 22, 4, 11}, {2, 2, 4, 4}, {3, 5, 6, 10},  {9, 4, 18, 8},  {5, 9, 10, 5},
                                 {7, 2, 13, 4}, {12, 8, 24, 4}, {16, 6, 8, 12}};
    std::mt19937 random(17);
    // Source position of destination index i in 1/128 pixel; the last source
    // pixel is reached as 127/128 of the way along the last pair.
    auto position = [](int64_t i, int64_t sourceSize, int64_t size) {
        const int64_t p = 256 * i * sourceSize / size;
        return (p >> 8) == sourceSize - 1 ? 128 * (sourceSize - 1) - 1 : p >> 1;
    };
    for (int32_t trial = 0; trial < 150; ++trial) {
        int32_t s[4];
        for (int32_t k = 0; k < 4; ++k) s[k] = trial < 13 ? shapes[trial][k] : 2 + static_cast<int32_t>(random() % 50);
        Frame source = Buffer(s[0] + 1, s[1] + 2, trial % 5, trial + 1);
        for (int32_t mode : {0, 2}) {
            Frame actual = Buffer(s[2], s[3], (trial + 2) % 5), expected = actual;
            ResampleContext context;
            InitResampler(&context);
            (mode == 0 ? ResampleBilinear : ResampleBoxAverage)(&context, source.bytes.data(), 1, 2, s[0], s[1], source.stride,
                                                                actual.bytes.data(), 0, 0, s[2], s[3], actual.stride);
            if (mode == 2) std::fill(expected.bytes.begin(), expected.bytes.end(), 0);
            if (mode == 0)
                ResampleBilinearWithRow(ResampleBilinearRow_Plain, &context, source.bytes.data(), 1, 2, s[0], s[1],
                                        source.stride, expected.bytes.data(), 0, 0, s[2], s[3], expected.stride);
            ReleaseResampler(&context);
            const int64_t stepX = (32 * s[0] + s[2] / 2) / s[2], stepY = (32 * s[1] + s[3] / 2) / s[3];
            for (int32_t i = 0; mode == 2 && i < 4 * s[2] * s[3]; ++i) {
                const int32_t x = i / 4 % s[2], y = i / 4 / s[2];
                const int64_t left = position(x, s[0], s[2]), top = position(y, s[1], s[3]);
                int32_t rowMeans = 0, sum = 0;
                for (int32_t k = 0; k < 16; ++k) {  // sample k % 4 of sample row k / 4
                    sum += source.Pixel(1 + int32_t((left + k % 4 * stepX) >> 7), 2 + int32_t((top + k / 4 * stepY) >> 7))[i % 4];
                    if (k % 4 == 3) rowMeans += sum >> 2, sum = 0;
                }
                expected.Pixel(x, y)[i % 4] = uint8_t(rowMeans >> 2);
            }
            ASSERT_EQ(actual.bytes, expected.bytes) << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3] << " mode " << mode;
        }
    }
}

// One-pixel sizes; no such mode; mode 1 with unequal widths; more than 255
// source pixels per pixel. Exactly 255 still fit.
TEST(ResizeTo, RefusalsWriteNothingAndTheLimitsHold) {
    const struct { int32_t sourceWidth, sourceHeight, width, height; uint32_t firstMode, lastMode; } cases[] = {
        {1, 4, 4, 4, 0, 2}, {4, 1, 4, 4, 0, 2}, {4, 4, 1, 4, 0, 2}, {4, 4, 4, 1, 0, 2},    {4, 4, 4, 4, 3, 3},
        {4, 4, 4, 4, ~0u, ~0u}, {4, 4, 5, 4, 1, 1}, {511, 3, 2, 3, 0, 2}, {2, 600, 2, 2, 0, 2}};
    for (const auto& c : cases) {
        for (int64_t i = 2 * int64_t{c.firstMode}; i <= 2 * int64_t{c.lastMode} + 1; ++i) {
            Frame source = Buffer(c.sourceWidth, c.sourceHeight, 0, 5), destination = Buffer(c.width, c.height, 4);
            Resize(source, destination.Desc(), uint32_t(i / 2), i % 2 == 1);
            EXPECT_TRUE(destination.bytes == Bytes(destination.bytes.size(), 0xEE))
                << c.sourceWidth << "x" << c.sourceHeight << " -> " << c.width << "x" << c.height << " mode " << i / 2;
        }
    }
    Frame flat = Buffer(510, 3);
    std::fill(flat.bytes.begin(), flat.bytes.end(), 0x33);
    for (uint32_t mode : {0u, 2u}) {
        Frame narrow = Buffer(2, 3);
        Resize(flat, narrow.Desc(), mode);
        EXPECT_EQ(narrow.bytes, Bytes(narrow.bytes.size(), 0x33)) << mode;
    }
}

// One context through growing, shrinking, repeated sizes and sizes that
// change on one side of one axis only: step tables and row cache are kept
// or rebuilt as the sizes require.
TEST(ResampleContext, ReusedContextGivesWhatFreshContextsGive) {
    const int32_t sizes[][4] = {{8, 8, 3, 5}, {20, 9, 40, 30}, {20, 9, 40, 30}, {7, 9, 40, 30},
                                {5, 30, 5, 4}, {30, 30, 7, 30}, {6, 6, 6, 6},   {12, 3, 12, 11}};
    const decltype(&ResampleBilinear) modes[] = {ResampleBilinear, ResampleRowsNearest, ResampleBoxAverage};
    for (uint32_t mode = 0; mode < 3; ++mode) {
        ResampleContext reused;
        InitResampler(&reused);
        for (const auto& s : sizes) {
            Frame source = Buffer(s[0], s[1], 4, uint32_t(&s - sizes) + 1);
            Frame expected = Buffer(s[2], s[3], 4), actual = Buffer(s[2], s[3], 4);
            Resize(source, expected.Desc(), mode);  // on a context of its own
            modes[mode](&reused, source.bytes.data(), 0, 0, s[0], s[1], source.stride, actual.bytes.data(), 0, 0, s[2],
                        s[3], actual.stride);
            ASSERT_EQ(actual.bytes, expected.bytes) << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3];
        }
        // The step tables only grow: 41 and 31 entries from the largest sizes.
        EXPECT_EQ(reused.horizontal.capacity, 41);
        EXPECT_EQ(reused.vertical.capacity, 31);
        ReleaseResampler(&reused);
        EXPECT_EQ(reused.rowCacheAllocation, nullptr);
        EXPECT_EQ(reused.vertical.allocation, nullptr);
    }
}

}  // namespace
