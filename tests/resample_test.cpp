#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"
#include "resample/Resample.h"

using namespace VelImageUtility;

namespace {

constexpr uint8_t kPadding = 0xEE;

// A 4-byte pixel buffer whose row padding starts as kPadding.
struct Buffer {
    Buffer(int32_t w, int32_t h, int32_t padBytes = 0)
        : width(w), height(h), stride(4 * w + padBytes),
          bytes(static_cast<size_t>(h) * stride, kPadding) {}
    uint8_t* Pixel(int32_t x, int32_t y) { return bytes.data() + y * stride + 4 * x; }
    ImageDesc Desc() { return ImageDesc{bytes.data(), width, height, stride, 4, false}; }
    void FillRandom(std::mt19937& random) {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t i = 0; i < 4 * width; ++i) Pixel(0, y)[i] = static_cast<uint8_t>(random());
        }
    }
    bool BytesAre(uint8_t value) const {
        return bytes == std::vector<uint8_t>(bytes.size(), value);
    }
    bool PaddingIs(uint8_t value) const {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t i = 4 * width; i < stride; ++i) {
                if (bytes[static_cast<size_t>(y) * stride + i] != value) return false;
            }
        }
        return true;
    }
    int32_t width, height, stride;
    std::vector<uint8_t> bytes;
};

// ResizeTo of an ARGB image over `source` into `destination`.
void Resize(Buffer& source, Buffer& destination, uint32_t mode) {
    ICImageARGB* image =
        GetCImageARGB4(source.bytes.data(), source.width, source.height, source.stride);
    ImageDesc desc = destination.Desc();
    image->ResizeTo(&desc, mode);
    ReleaseCImageARGB(image);
}

int32_t Lerp7(int32_t a, int32_t b, int32_t fraction) { return a + (((b - a) * fraction) >> 7); }

// ---- Step table ----

TEST(StepTable, FourToEightMatchesTheWorkedPositions) {
    ResampleContext context;
    InitResampler(&context);
    ASSERT_TRUE(BuildStepTable(&context.horizontal, 4, 8));
    const int32_t left[] = {0, 0, 1, 1, 2, 2, 2, 2};
    const int32_t fraction[] = {0, 64, 0, 64, 0, 64, 127, 127};
    const int32_t nearest[] = {0, 1, 1, 2, 2, 3, 3, 3};
    int32_t leftSum = 0, nearestSum = 0;
    for (int32_t i = 0; i < 8; ++i) {
        const uint32_t entry = context.horizontal.entries[i];
        leftSum += LeftDelta(entry);
        nearestSum += NearestDelta(entry);
        EXPECT_EQ(leftSum, left[i]) << i;
        EXPECT_EQ(StepFraction(entry), fraction[i]) << i;
        EXPECT_EQ(nearestSum, nearest[i]) << i;
        EXPECT_EQ(entry & 0xFF000080u, 0u) << i;
    }
    // The closing entry leads to the last source index.
    EXPECT_EQ(context.horizontal.entries[8], (1u << 16) | (0u << 8) | 127u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(context.horizontal.entries) % 32, 0u);
    ReleaseResampler(&context);
}

TEST(StepTable, IsKeptForTheSameSizesAndGrowsOnly) {
    ResampleContext context;
    InitResampler(&context);
    ASSERT_TRUE(BuildStepTable(&context.vertical, 10, 100));
    void* first = context.vertical.allocation;
    EXPECT_EQ(context.vertical.capacity, 101);
    ASSERT_TRUE(BuildStepTable(&context.vertical, 300, 20));
    EXPECT_EQ(context.vertical.allocation, first);
    EXPECT_EQ(context.vertical.capacity, 101);
    EXPECT_EQ(context.vertical.destinationSize, 20);
    ASSERT_TRUE(BuildStepTable(&context.vertical, 300, 5000));
    EXPECT_EQ(context.vertical.capacity, 5001);
    ReleaseResampler(&context);
    EXPECT_EQ(context.vertical.allocation, nullptr);
    EXPECT_EQ(context.vertical.entries, nullptr);
    EXPECT_EQ(context.vertical.capacity, 0);
}

TEST(StepTable, DeltasAreCappedAt255) {
    ResampleContext context;
    InitResampler(&context);
    ASSERT_TRUE(BuildStepTable(&context.horizontal, 600, 2));
    EXPECT_EQ(LeftDelta(context.horizontal.entries[1]), 255);
    EXPECT_EQ(NearestDelta(context.horizontal.entries[1]), 255);
    EXPECT_FALSE(BuildStepTable(&context.horizontal, 1, 4));
    EXPECT_FALSE(BuildStepTable(&context.horizontal, 4, 0));
    ReleaseResampler(&context);
}

// ---- Mode 0 ----

TEST(ResizeBilinear, FourToEightInterpolatesColumnsOfEqualRows) {
    const uint8_t columns[4][4] = {{200, 0, 17, 255}, {11, 255, 18, 0}, {90, 30, 100, 7},
                                   {250, 31, 0, 8}};
    Buffer source(4, 4);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) std::memcpy(source.Pixel(x, y), columns[x], 4);
    }
    Buffer destination(8, 8, 12);
    Resize(source, destination, 0);
    for (int32_t lane = 0; lane < 4; ++lane) {
        auto c = [&](int32_t x) { return int32_t{columns[x][lane]}; };
        const int32_t expected[8] = {c(0), Lerp7(c(0), c(1), 64), c(1), Lerp7(c(1), c(2), 64),
                                     c(2), Lerp7(c(2), c(3), 64), Lerp7(c(2), c(3), 127),
                                     Lerp7(c(2), c(3), 127)};
        for (int32_t y = 0; y < 8; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                ASSERT_EQ(destination.Pixel(x, y)[lane], expected[x])
                    << "x " << x << " y " << y << " lane " << lane;
            }
        }
    }
    EXPECT_EQ(destination.Pixel(1, 0)[0], 105);  // 200 + (-189 * 64 >> 7) rounds down
    EXPECT_TRUE(destination.PaddingIs(kPadding));
}

TEST(ResizeBilinear, SameSizeKeepsAllButTheLastColumnAndRow) {
    std::mt19937 random(7);
    Buffer source(5, 4, 4);
    source.FillRandom(random);
    Buffer destination(5, 4, 8);
    Resize(source, destination, 0);
    auto lastStep = [](const uint8_t* before, const uint8_t* last, int32_t lane) {
        return Lerp7(before[lane], last[lane], 127);
    };
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            for (int32_t lane = 0; lane < 4; ++lane) {
                int32_t expected = source.Pixel(x, y)[lane];
                if (x == 4 && y < 3) expected = lastStep(source.Pixel(3, y), source.Pixel(4, y), lane);
                if (y == 3 && x < 4) expected = lastStep(source.Pixel(x, 2), source.Pixel(x, 3), lane);
                if (x == 4 && y == 3) {
                    expected = Lerp7(lastStep(source.Pixel(3, 2), source.Pixel(4, 2), lane),
                                     lastStep(source.Pixel(3, 3), source.Pixel(4, 3), lane), 127);
                }
                ASSERT_EQ(destination.Pixel(x, y)[lane], expected)
                    << "x " << x << " y " << y << " lane " << lane;
            }
        }
    }
    EXPECT_TRUE(destination.PaddingIs(kPadding));
}

// The SSE2 row against the plain reference: random sizes and origins,
// padded strides, every width from one to a few groups.
TEST(ResizeBilinear, SimdMatchesPlainReferenceOnRandomSizes) {
    std::mt19937 random(2024);
    ResampleContext simd, plain;
    InitResampler(&simd);
    InitResampler(&plain);
    for (int32_t trial = 0; trial < 400; ++trial) {
        const int32_t sourceWidth = 2 + static_cast<int32_t>(random() % 40);
        const int32_t sourceHeight = 2 + static_cast<int32_t>(random() % 30);
        const int32_t width = trial < 20 ? 1 + trial % 5 : 1 + static_cast<int32_t>(random() % 70);
        const int32_t height = 1 + static_cast<int32_t>(random() % 40);
        const int32_t originX = static_cast<int32_t>(random() % 3);
        const int32_t originY = static_cast<int32_t>(random() % 3);
        Buffer source(sourceWidth + originX, sourceHeight + originY,
                      static_cast<int32_t>(random() % 9));
        source.FillRandom(random);
        const int32_t pad = 4 * static_cast<int32_t>(random() % 3) + static_cast<int32_t>(random() % 4);
        Buffer expected(width, height, pad), actual(width, height, pad);
        ResampleBilinearWithRow(ResampleBilinearRow_Plain, &plain, source.bytes.data(), originX,
                                originY, sourceWidth, sourceHeight, source.stride,
                                expected.bytes.data(), 0, 0, width, height, expected.stride);
        ResampleBilinear(&simd, source.bytes.data(), originX, originY, sourceWidth, sourceHeight,
                         source.stride, actual.bytes.data(), 0, 0, width, height, actual.stride);
        ASSERT_EQ(actual.bytes, expected.bytes)
            << sourceWidth << "x" << sourceHeight << " -> " << width << "x" << height;
        ASSERT_TRUE(actual.PaddingIs(kPadding));
    }
    ReleaseResampler(&simd);
    ReleaseResampler(&plain);
}

// ---- Mode 1 ----

TEST(ResizeRowsNearest, RepeatsRowsByTheNearestRule) {
    std::mt19937 random(3);
    Buffer source(3, 4, 4);
    source.FillRandom(random);
    Buffer destination(3, 8, 8);
    Resize(source, destination, 1);
    const int32_t nearest[8] = {0, 1, 1, 2, 2, 3, 3, 3};  // 0.5 rounds up
    for (int32_t y = 0; y < 8; ++y) {
        EXPECT_EQ(0, std::memcmp(destination.Pixel(0, y), source.Pixel(0, nearest[y]), 12)) << y;
    }
    EXPECT_TRUE(destination.PaddingIs(0));
}

TEST(ResizeRowsNearest, DifferentWidthsWriteNothing) {
    Buffer source(4, 4);
    Buffer destination(5, 4, 4);
    Resize(source, destination, 1);
    EXPECT_TRUE(destination.BytesAre(kPadding));
}

// ---- Mode 2 ----

TEST(ResizeBoxAverage, EightToTwoIsTheMeanOfEachBlockTruncatedTwice) {
    std::mt19937 random(11);
    Buffer source(8, 8, 4);
    source.FillRandom(random);
    Buffer destination(2, 2, 4);
    Resize(source, destination, 2);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 2; ++x) {
            for (int32_t lane = 0; lane < 4; ++lane) {
                int32_t rowMeans = 0;
                for (int32_t j = 0; j < 4; ++j) {
                    int32_t sum = 0;
                    for (int32_t i = 0; i < 4; ++i) sum += source.Pixel(4 * x + i, 4 * y + j)[lane];
                    rowMeans += sum >> 2;
                }
                ASSERT_EQ(destination.Pixel(x, y)[lane], rowMeans >> 2)
                    << "x " << x << " y " << y << " lane " << lane;
            }
        }
    }
    EXPECT_TRUE(destination.PaddingIs(0));
}

TEST(ResizeBoxAverage, UniformImageStaysUniformWhenEnlarged) {
    Buffer source(3, 5, 4);
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 3; ++x) std::memcpy(source.Pixel(x, y), "\x10\x80\xF0\xFF", 4);
    }
    Buffer destination(13, 17, 4);
    Resize(source, destination, 2);
    for (int32_t y = 0; y < 17; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            ASSERT_EQ(0, std::memcmp(destination.Pixel(x, y), "\x10\x80\xF0\xFF", 4));
        }
    }
}

// Source positions in 1/128 pixel of every destination index, read back
// from a step table.
std::vector<int64_t> TablePositions(int32_t sourceSize, int32_t destinationSize) {
    StepTable table{};
    EXPECT_TRUE(BuildStepTable(&table, sourceSize, destinationSize));
    std::vector<int64_t> positions;
    int64_t left = 0;
    for (int32_t i = 0; i < destinationSize; ++i) {
        left += LeftDelta(table.entries[i]);
        positions.push_back(left * 128 + StepFraction(table.entries[i]));
    }
    ResampleContext owner{};
    owner.horizontal = table;
    ReleaseResampler(&owner);
    return positions;
}

// Every destination pixel averaged afresh, without the row cache.
TEST(ResizeBoxAverage, MatchesUncachedAveragingOnRandomSizes) {
    std::mt19937 random(17);
    for (int32_t trial = 0; trial < 150; ++trial) {
        const int32_t sourceWidth = 2 + static_cast<int32_t>(random() % 50);
        const int32_t sourceHeight = 2 + static_cast<int32_t>(random() % 50);
        const int32_t width = 2 + static_cast<int32_t>(random() % 50);
        const int32_t height = 2 + static_cast<int32_t>(random() % 50);
        Buffer source(sourceWidth, sourceHeight, static_cast<int32_t>(random() % 5));
        source.FillRandom(random);
        Buffer destination(width, height, static_cast<int32_t>(random() % 5));
        Resize(source, destination, 2);

        const std::vector<int64_t> xs = TablePositions(sourceWidth, width);
        const std::vector<int64_t> ys = TablePositions(sourceHeight, height);
        const int64_t stepX = (32 * sourceWidth + width / 2) / width;
        const int64_t stepY = (32 * sourceHeight + height / 2) / height;
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                for (int32_t lane = 0; lane < 4; ++lane) {
                    int32_t rowMeans = 0;
                    for (int32_t k = 0; k < 4; ++k) {
                        const int32_t row = static_cast<int32_t>((ys[y] + k * stepY) >> 7);
                        int32_t sum = 0;
                        for (int32_t j = 0; j < 4; ++j) {
                            const int32_t column = static_cast<int32_t>((xs[x] + j * stepX) >> 7);
                            sum += source.Pixel(column, row)[lane];
                        }
                        rowMeans += sum >> 2;
                    }
                    ASSERT_EQ(destination.Pixel(x, y)[lane], rowMeans >> 2)
                        << sourceWidth << "x" << sourceHeight << " -> " << width << "x"
                        << height << " at " << x << "," << y;
                }
            }
        }
        ASSERT_TRUE(destination.PaddingIs(0));
    }
}

// ---- ResizeTo ----

TEST(ResizeTo, RowPaddingIsKeptByMode0AndClearedByModes1And2) {
    const struct {
        uint32_t mode;
        uint8_t padding;
    } cases[] = {{0, kPadding}, {1, 0}, {2, 0}};
    std::mt19937 random(5);
    for (const auto& c : cases) {
        Buffer source(6, 5, 8);
        source.FillRandom(random);
        Buffer destination(6, 9, 7);
        Resize(source, destination, c.mode);
        EXPECT_TRUE(destination.PaddingIs(c.padding)) << "mode " << c.mode;
    }
}

TEST(ResizeTo, OnePixelSizesBadModesAndMissingBuffersDoNothing) {
    const struct {
        int32_t sourceWidth, sourceHeight, width, height;
        uint32_t mode;
    } cases[] = {{1, 4, 4, 4, 0}, {4, 1, 4, 4, 2}, {4, 4, 1, 4, 0}, {4, 4, 4, 1, 1},
                 {4, 4, 4, 1, 2}, {4, 4, 4, 4, 3}, {4, 4, 4, 4, 0xFFFFFFFFu}};
    for (const auto& c : cases) {
        Buffer source(c.sourceWidth, c.sourceHeight);
        Buffer destination(c.width, c.height, 4);
        Resize(source, destination, c.mode);
        EXPECT_TRUE(destination.BytesAre(kPadding))
            << c.sourceWidth << "x" << c.sourceHeight << " -> " << c.width << "x" << c.height
            << " mode " << c.mode;
    }
    Buffer source(4, 4);
    ICImageARGB* image = GetCImageARGB4(source.bytes.data(), 4, 4, 16);
    image->ResizeTo(nullptr, 0);
    ImageDesc noData{nullptr, 4, 4, 16, 4, false};
    image->ResizeTo(&noData, 0);
    ReleaseCImageARGB(image);
    Buffer destination(4, 4);
    ImageDesc desc = destination.Desc();
    ICImageARGB* empty = GetCImageARGB();
    empty->ResizeTo(&desc, 0);
    ReleaseCImageARGB(empty);
    EXPECT_TRUE(destination.BytesAre(kPadding));
}

// Rows shorter than their pixels would overlap or run past the buffer.
TEST(ResizeTo, StridesShorterThanARowDoNothing) {
    Buffer source(4, 4);
    Buffer destination(4, 4);
    ImageDesc shortRows{destination.bytes.data(), 4, 4, 15, 4, false};
    for (uint32_t mode = 0; mode < 3; ++mode) {
        ICImageARGB* image = GetCImageARGB4(source.bytes.data(), 4, 4, 16);
        image->ResizeTo(&shortRows, mode);
        ReleaseCImageARGB(image);
        for (int32_t sourceStride : {15, -16}) {
            ICImageARGB* shortSource = GetCImageARGB4(source.bytes.data(), 4, 4, sourceStride);
            ImageDesc desc = destination.Desc();
            shortSource->ResizeTo(&desc, mode);
            ReleaseCImageARGB(shortSource);
        }
    }
    EXPECT_TRUE(destination.BytesAre(kPadding));
}

TEST(ResizeTo, ReductionsBeyond255ToOneAreRefused) {
    const struct {
        int32_t sourceWidth, sourceHeight, width, height;
        uint32_t mode;
    } refused[] = {{511, 3, 2, 3, 0}, {511, 3, 2, 3, 2}, {2, 600, 2, 2, 0},
                   {2, 600, 2, 2, 1}, {2, 600, 2, 2, 2}};
    for (const auto& c : refused) {
        Buffer source(c.sourceWidth, c.sourceHeight);
        Buffer destination(c.width, c.height, 4);
        Resize(source, destination, c.mode);
        EXPECT_TRUE(destination.BytesAre(kPadding))
            << c.sourceWidth << "x" << c.sourceHeight << " mode " << c.mode;
    }
    Buffer source(510, 3);  // exactly 255 source pixels per destination pixel
    std::memset(source.bytes.data(), 0x33, source.bytes.size());
    for (uint32_t mode : {0u, 2u}) {
        Buffer destination(2, 3);
        Resize(source, destination, mode);
        EXPECT_TRUE(destination.BytesAre(0x33)) << mode;
    }
}

TEST(ResizeTo, AyuvAndArgbAndEveryLevelGiveTheSameBytes) {
    std::mt19937 random(9);
    Buffer source(9, 7, 4);
    source.FillRandom(random);
    for (uint32_t mode = 0; mode < 3; ++mode) {
        Buffer fromArgb(9, 12, 4), fromAyuvPlain(9, 12, 4), fromArgbPlain(9, 12, 4);
        Resize(source, fromArgb, mode);
        {
            ScopedInstructionSetLevel level(0);
            ICImageAYUV* ayuv = GetCImageAYUV4(source.bytes.data(), 9, 7, source.stride);
            ImageDesc desc = fromAyuvPlain.Desc();
            ayuv->ResizeTo(&desc, mode);
            ReleaseCImageAYUV(ayuv);
            ICImageARGB* argb = GetCImageARGB4(source.bytes.data(), 9, 7, source.stride);
            desc = fromArgbPlain.Desc();
            argb->ResizeTo(&desc, mode);
            ReleaseCImageARGB(argb);
        }
        EXPECT_EQ(fromAyuvPlain.bytes, fromArgb.bytes) << mode;
        EXPECT_EQ(fromArgbPlain.bytes, fromArgb.bytes) << mode;
    }
}

TEST(ResizeTo, AyuvOnePixelHighDestinationDoesNothing) {
    Buffer source(4, 4);
    Buffer destination(4, 1);
    ICImageAYUV* image = GetCImageAYUV4(source.bytes.data(), 4, 4, 16);
    ImageDesc desc = destination.Desc();
    image->ResizeTo(&desc, 0);
    ReleaseCImageAYUV(image);
    EXPECT_TRUE(destination.BytesAre(kPadding));
}

// ---- One context, several sizes ----

TEST(ResampleContext, ReusedContextGivesWhatFreshContextsGive) {
    using Mode = int32_t (*)(ResampleContext*, const uint8_t*, int32_t, int32_t, int32_t,
                             int32_t, int32_t, uint8_t*, int32_t, int32_t, int32_t, int32_t,
                             int32_t);
    const Mode modes[] = {ResampleBilinear, ResampleRowsNearest, ResampleBoxAverage};
    // Grow, shrink, repeat a size, change only one axis.
    const struct {
        int32_t sourceWidth, sourceHeight, width, height;
    } sizes[] = {{8, 8, 3, 5}, {20, 9, 40, 30}, {20, 9, 40, 30}, {5, 30, 5, 4},
                 {30, 30, 7, 30}, {6, 6, 6, 6},  {12, 3, 12, 11}};
    std::mt19937 random(13);
    for (Mode mode : modes) {
        ResampleContext reused;
        InitResampler(&reused);
        for (const auto& s : sizes) {
            Buffer source(s.sourceWidth, s.sourceHeight, 4);
            source.FillRandom(random);
            Buffer expected(s.width, s.height, 4), actual(s.width, s.height, 4);
            ResampleContext fresh;
            InitResampler(&fresh);
            mode(&fresh, source.bytes.data(), 0, 0, s.sourceWidth, s.sourceHeight, source.stride,
                 expected.bytes.data(), 0, 0, s.width, s.height, expected.stride);
            ReleaseResampler(&fresh);
            mode(&reused, source.bytes.data(), 0, 0, s.sourceWidth, s.sourceHeight, source.stride,
                 actual.bytes.data(), 0, 0, s.width, s.height, actual.stride);
            ASSERT_EQ(actual.bytes, expected.bytes)
                << s.sourceWidth << "x" << s.sourceHeight << " -> " << s.width << "x" << s.height;
        }
        ReleaseResampler(&reused);
        EXPECT_EQ(reused.rowCacheAllocation, nullptr);
        EXPECT_EQ(reused.rowCacheWidth, 0);
        EXPECT_EQ(reused.horizontal.allocation, nullptr);
    }
}

}  // namespace
