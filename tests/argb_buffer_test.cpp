// ARGB buffer operations: Allocate, AttachBuffer, lanes, grey from a plane,
// CopyFrom and GetRegionDesc.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "colour_test_support.h"

using namespace VelImageUtility;
using colour_test::Frame;
using colour_test::ImageAt;
using colour_test::RandomFrame;

namespace {

TEST(ArgbAllocate, PackedOwnedBufferAndReleaseOfThePreviousOne) {
    ICImageARGB* image = GetCImageARGB();
    image->Allocate(3, 2);
    EXPECT_EQ(image->GetStride(), 12);
    EXPECT_EQ(image->GetBytesPerPixel(), 4);
    EXPECT_TRUE(image->IsDataOwned());
    image->Fill(0x11);  // all 24 bytes are ours (the sanitizer build checks)
    image->Allocate(5, 1);  // releases the first buffer, else the leak check fails
    EXPECT_EQ(image->GetWidth(), 5);
    EXPECT_EQ(image->GetHeight(), 1);
    EXPECT_EQ(image->GetStride(), 20);

    uint8_t caller[16];
    image->AttachBuffer(caller, 2, 2, 8);  // releases the owned buffer
    EXPECT_FALSE(image->IsDataOwned());
    EXPECT_EQ(image->GetData(), caller);
    image->Allocate(1, 1);  // must not release the caller's memory
    EXPECT_NE(image->GetData(), caller);
    ReleaseCImageARGB(image);
}

TEST(ArgbAllocate, ImpossibleSizesLeaveTheImageAsItWas) {
    uint8_t caller[16];
    ICImageARGB* image = GetCImageARGB4(caller, 2, 2, 8);
    for (auto size : {std::pair<int32_t, int32_t>{-1, 4}, {4, -1}, {0x40000000, 1}, {70000, 70000}}) {
        image->Allocate(size.first, size.second);
        EXPECT_EQ(image->GetData(), caller);
        EXPECT_EQ(image->GetWidth(), 2);
        EXPECT_EQ(image->GetStride(), 8);
        EXPECT_FALSE(image->IsDataOwned());
    }
    ReleaseCImageARGB(image);
}

TEST(ArgbAttachBuffer, DescribesCallerMemoryWithFourBytesPerPixel) {
    uint8_t caller[64];
    ICImageARGB* image = GetCImageARGB();
    image->AttachBuffer(caller, 3, 4, 16);
    const ImageDesc desc = image->GetDesc();
    EXPECT_EQ(desc.data, caller);
    EXPECT_EQ((std::vector<int32_t>{desc.width, desc.height, desc.stride, desc.bytesPerPixel}),
              (std::vector<int32_t>{3, 4, 16, 4}));
    EXPECT_FALSE(desc.copy);
    ReleaseCImageARGB(image);
}

// A 3 x 2 image with padded rows and a plane of its size.
class ArgbLanes : public ::testing::Test {
protected:
    std::mt19937 rng{7};
    Frame pixels = RandomFrame(rng, 3, 2, 4, 5);
    Frame plane = RandomFrame(rng, 3, 2, 1, 3);
    const Frame pixelsBefore = pixels;
    const Frame planeBefore = plane;
};

TEST_F(ArgbLanes, SetChannelWritesOnlyItsLane) {
    for (int32_t lane = 0; lane < 4; ++lane) {
        pixels = pixelsBefore;
        CImageARGB image = ImageAt(0, pixels);
        ImageDesc planeDesc = plane.Desc();
        image.SetChannel(&planeDesc, lane);
        for (int32_t y = 0; y < 2; ++y) {
            for (int32_t x = 0; x < 3; ++x) {
                for (int32_t b = 0; b < 4; ++b) {
                    const uint8_t expected = b == lane ? *plane.Pixel(x, y)
                                                       : pixelsBefore.Pixel(x, y)[b];
                    ASSERT_EQ(pixels.Pixel(x, y)[b], expected) << lane << " " << x << "," << y;
                }
            }
        }
        EXPECT_TRUE(pixels.PaddingEquals(pixelsBefore));
    }
}

TEST_F(ArgbLanes, GetChannelExtractsALane) {
    CImageARGB image = ImageAt(0, pixels);
    ImageDesc planeDesc = plane.Desc();
    image.GetChannel(&planeDesc, 0);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(*plane.Pixel(x, y), pixels.Pixel(x, y)[0]);
    }
    EXPECT_TRUE(plane.PaddingEquals(planeBefore));
    EXPECT_EQ(pixels.bytes, pixelsBefore.bytes);
}

TEST_F(ArgbLanes, CopyAlphaFromTakesAlphaOfALargerSource) {
    Frame source = RandomFrame(rng, 4, 3, 4, 0);
    CImageARGB image = ImageAt(0, pixels);
    ImageDesc sourceDesc = source.Desc();
    image.CopyAlphaFrom(&sourceDesc);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            uint8_t expected[4];
            std::memcpy(expected, pixelsBefore.Pixel(x, y), 3);
            expected[3] = source.Pixel(x, y)[3];
            EXPECT_EQ(0, std::memcmp(pixels.Pixel(x, y), expected, 4));
        }
    }
    EXPECT_TRUE(pixels.PaddingEquals(pixelsBefore));
}

// Descriptors that would make the lane operations leave a buffer are
// refused, and nothing changes.
TEST_F(ArgbLanes, BadDescriptorsAndLanesAreRefused) {
    const ImageDesc good = plane.Desc();
    std::vector<std::pair<const char*, ImageDesc>> planes = {
        {"narrower", {good.data, 2, 2, 3, 1, false}},  {"shorter", {good.data, 3, 1, 6, 1, false}},
        {"no data", {nullptr, 3, 2, 6, 1, false}},     {"two bytes per pixel", {good.data, 3, 2, 6, 2, false}},
        {"overlapping rows", {good.data, 3, 2, 2, 1, false}},
    };
    Frame source = RandomFrame(rng, 3, 2, 4, 0);
    std::vector<std::pair<const char*, ImageDesc>> sources = {
        {"narrower", {source.bytes.data(), 2, 2, 12, 4, false}},
        {"no data", {nullptr, 3, 2, 12, 4, false}},
        {"one byte per pixel", {source.bytes.data(), 3, 2, 12, 1, false}},
        {"overlapping rows", {source.bytes.data(), 3, 2, 8, 4, false}},
    };
    CImageARGB image = ImageAt(0, pixels);
    for (auto& bad : planes) {
        image.SetChannel(&bad.second, 1);
        image.GetChannel(&bad.second, 1);
        EXPECT_EQ(pixels.bytes, pixelsBefore.bytes) << bad.first;
    }
    for (auto& bad : sources) {
        image.CopyAlphaFrom(&bad.second);
        EXPECT_EQ(pixels.bytes, pixelsBefore.bytes) << bad.first;
    }
    ImageDesc planeDesc = plane.Desc();
    for (int32_t lane : {-1, 4, 1000}) {
        image.SetChannel(&planeDesc, lane);
        image.GetChannel(&planeDesc, lane);
    }
    image.SetChannel(nullptr, 0);
    image.GetChannel(nullptr, 0);
    image.CopyAlphaFrom(nullptr);
    EXPECT_EQ(pixels.bytes, pixelsBefore.bytes);
    EXPECT_EQ(plane.bytes, planeBefore.bytes);
}

TEST(ArgbSetGrayFromPlane, FivePixelsKeepAlpha) {
    std::mt19937 rng(3);
    Frame pixels = RandomFrame(rng, 5, 1, 4, 0);
    const Frame before = pixels;
    Frame plane = RandomFrame(rng, 5, 1, 1, 0);
    for (int32_t level : {0, 3}) {
        pixels = before;
        CImageARGB image = ImageAt(level, pixels);
        ImageDesc planeDesc = plane.Desc();
        image.SetGrayFromPlane(&planeDesc);
        for (int32_t x = 0; x < 5; ++x) {
            const uint8_t v = plane.bytes[x];
            const uint8_t expected[4] = {v, v, v, before.bytes[4 * x + 3]};
            EXPECT_EQ(0, std::memcmp(pixels.Pixel(x, 0), expected, 4)) << level << " " << x;
        }
    }
}

TEST(ArgbSetGrayFromPlane, VariantsAgree) {
    std::mt19937 rng(11);
    colour_test::ForEachShape([&](int32_t width, int32_t height, int32_t padding) {
        colour_test::ExpectVariantsAgree(
            {RandomFrame(rng, width, height, 4, padding), RandomFrame(rng, width, height, 1, padding)},
            [](CImageARGB& image, std::vector<Frame>& frames) {
                ImageDesc plane = frames[1].Desc();
                image.SetGrayFromPlane(&plane);
            });
    });
}

TEST(ArgbCopyFrom, CopiesRowsAndRefusesOtherSizes) {
    std::mt19937 rng(5);
    Frame target = RandomFrame(rng, 3, 2, 4, 4);
    const Frame before = target;
    Frame source = RandomFrame(rng, 3, 2, 4, 8);
    CImageARGB image = ImageAt(0, target);
    ImageDesc wrong{source.bytes.data(), 3, 3, source.stride, 4, false};
    ImageDesc empty{nullptr, 3, 2, source.stride, 4, false};
    image.CopyFrom(&wrong);
    image.CopyFrom(&empty);
    image.CopyFrom(nullptr);
    EXPECT_EQ(target.bytes, before.bytes);
    ImageDesc good = source.Desc();
    image.CopyFrom(&good);
    for (int32_t y = 0; y < 2; ++y) EXPECT_EQ(0, std::memcmp(target.Pixel(0, y), source.Pixel(0, y), 12));
    EXPECT_TRUE(target.PaddingEquals(before));
}

TEST(ArgbGetRegionDesc, ClipsOrDescribesTheWholeImage) {
    struct Case {
        int32_t x, y, width, height, result, outX, outY, outWidth, outHeight;
    } cases[] = {
        {-2, -3, 5, 5, 1, 0, 0, 3, 2},   {12, 0, 4, 4, 0, 0, 0, 10, 10},  {8, 8, 5, 5, 1, 8, 8, 2, 2},
        {2, 3, 4, 5, 1, 2, 3, 4, 5},     {0, 0, 0, 0, 0, 0, 0, 10, 10},   {5, 5, 0, 3, 1, 5, 5, 0, 3},
        {-5, 0, 5, 4, 0, 0, 0, 10, 10},  {9, 9, 1, 1, 1, 9, 9, 1, 1},     {0, 10, 1, 1, 0, 0, 0, 10, 10},
        {3, 0, INT32_MAX, 2, 1, 3, 0, 7, 2},  // the far corner does not wrap
    };
    std::vector<uint8_t> memory(10 * 48);
    ICImageARGB* image = GetCImageARGB4(memory.data(), 10, 10, 48);
    for (const Case& c : cases) {
        ImageDesc out{nullptr, -1, -1, -1, -1, true};
        EXPECT_EQ(image->GetRegionDesc(&out, c.x, c.y, c.width, c.height), c.result) << c.x << "," << c.y;
        EXPECT_EQ(out.data, memory.data() + 48 * c.outY + 4 * c.outX) << c.x << "," << c.y;
        EXPECT_EQ((std::vector<int32_t>{out.width, out.height, out.stride, out.bytesPerPixel}),
                  (std::vector<int32_t>{c.outWidth, c.outHeight, 48, 4}))
            << c.x << "," << c.y;
        EXPECT_FALSE(out.copy);
    }
    // A negative size is refused without writing the descriptor.
    for (auto size : {std::pair<int32_t, int32_t>{-1, 3}, {3, -1}}) {
        ImageDesc out{nullptr, 77, 77, 77, 77, true};
        EXPECT_EQ(image->GetRegionDesc(&out, 1, 1, size.first, size.second), 0);
        EXPECT_EQ(out.width, 77);
        EXPECT_EQ(out.data, nullptr);
    }
    EXPECT_EQ(image->GetRegionDesc(nullptr, 0, 0, 1, 1), 0);
    ReleaseCImageARGB(image);
}

}  // namespace
