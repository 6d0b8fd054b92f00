#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "VelImageUtility.h"
#include "core/InstructionSetLevel.h"
#include "argb/CImageARGB.h"

using namespace VelImageUtility;

namespace {

TEST(ImageCore, EmptyImageReportsNothingAndFillTouchesNothing) {
    ICImageARGB* image = GetCImageARGB();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetPixelCount(), 0);
    EXPECT_EQ(image->GetData(), nullptr);
    EXPECT_FALSE(image->IsDataOwned());
    image->Fill(0xFF);
    ImageDesc zero{nullptr, 0, 0, 99, 4, false};
    EXPECT_EQ(image->IsSameSize(&zero), 1);
    ReleaseCImageARGB(image);
}

TEST(ImageCore, CopyingDescriptorOwnsAnIndependentCopy) {
    std::vector<uint8_t> source(3 * 20);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7);
    ImageDesc desc{source.data(), 4, 3, 20, 4, true};
    ICImageAYUV* image = GetCImageAYUV1(&desc);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->GetData(), source.data());
    EXPECT_TRUE(image->IsDataOwned());
    EXPECT_EQ(0, std::memcmp(image->GetData(), source.data(), source.size()));
    source[5] ^= 0xFF;
    EXPECT_NE(image->GetData()[5], source[5]);
    ReleaseCImageAYUV(image);
}

TEST(ImageCore, PixelAddressIsPlainArithmetic) {
    uint8_t memory[64];
    ICImageByte* image = GetCImageByte4(memory + 32, 5, 2, 16);
    EXPECT_EQ(image->GetPixelAddress(0, 0), memory + 32);
    EXPECT_EQ(image->GetPixelAddress(1, 1), memory + 49);
    EXPECT_EQ(image->GetPixelAddress(-1, -1), memory + 15);
    ReleaseCImageByte(image);
}

TEST(ImageCore, FillSetsPaddingToLowByte) {
    std::vector<uint8_t> memory(3 * 16, 0);
    ICImageARGB* image = GetCImageARGB4(memory.data(), 3, 3, 16);
    image->Fill(0x1FF);
    for (uint8_t byte : memory) ASSERT_EQ(byte, 0xFF);
    ReleaseCImageARGB(image);
}

TEST(ImageCore, CopyPixelsFromKeepsPaddingAndRefusesMismatches) {
    std::vector<uint8_t> target(2 * 12, 0xEE);
    std::vector<uint8_t> source(2 * 8);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i + 1);
    CImageUtility image(target.data(), 2, 2, 12, 4);
    ImageDesc wrongSize{source.data(), 3, 2, 8, 4, false};
    ImageDesc noData{nullptr, 2, 2, 8, 4, false};
    image.CopyPixelsFrom(&wrongSize);
    image.CopyPixelsFrom(&noData);
    EXPECT_EQ(target, std::vector<uint8_t>(24, 0xEE));
    ImageDesc good{source.data(), 2, 2, 8, 4, false};
    image.CopyPixelsFrom(&good);
    EXPECT_EQ(0, std::memcmp(target.data(), source.data(), 8));
    EXPECT_EQ(0, std::memcmp(target.data() + 12, source.data() + 8, 8));
    EXPECT_EQ(target[8], 0xEE);
    EXPECT_EQ(target[23], 0xEE);
}

TEST(ImageCore, ImpossibleBuffersMakeFactoriesReturnNull) {
    struct Case {
        int32_t width, height, stride;
    } cases[] = {{-1, 4, 16}, {4, -1, 16}, {4, 4, -16}, {65536, 65536, 65536}, {1, 3, 0x40000000}};
    for (const Case& c : cases) {
        EXPECT_EQ(GetCImageUtility4(c.width, c.height, c.stride, 4), nullptr)
            << c.width << "x" << c.height << " stride " << c.stride;
        ImageDesc desc{nullptr, c.width, c.height, c.stride, 4, true};
        EXPECT_EQ(GetCImageARGB1(&desc), nullptr);
    }
    EXPECT_EQ(GetCImageARGB2(0x40000000, 1), nullptr);  // 4 * width wraps
    EXPECT_EQ(GetCImageAYUV2(-3, 2), nullptr);
    EXPECT_EQ(GetCImageByte2(70000, 70000), nullptr);
}

TEST(ImageCore, ImagesKeepTheLevelOfTheirConstruction) {
    ICImageARGB* before;
    {
        ScopedInstructionSetLevel level(3);
        before = GetCImageARGB2(2, 2);
    }
    ScopedInstructionSetLevel level(0);
    ICImageARGB* after = GetCImageARGB2(2, 2);
    EXPECT_EQ(static_cast<CImageARGB*>(before)->level, 3);
    EXPECT_EQ(static_cast<CImageARGB*>(after)->level, 0);
    ReleaseCImageARGB(before);
    ReleaseCImageARGB(after);
}

TEST(ImageCore, ReplaceWithOwnedBufferLeavesImageWhenRefused) {
    uint8_t memory[16];
    CImageBase image(memory, 2, 2, 8, 4);
    EXPECT_FALSE(image.ReplaceWithOwnedBuffer(-1, 2, 8, 4));
    EXPECT_FALSE(image.ReplaceWithOwnedBuffer(2, 70000, 70000, 4));
    EXPECT_EQ(image.data, memory);
    EXPECT_FALSE(image.ownsData);
    ASSERT_TRUE(image.ReplaceWithOwnedBuffer(3, 1, 12, 4));
    EXPECT_TRUE(image.ownsData);
    ReleasePixelBuffer(image.data);
}

}  // namespace
