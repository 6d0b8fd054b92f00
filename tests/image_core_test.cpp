#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "VelImageUtility.h"
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"

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

// A copying descriptor gives an owned, independent copy; SetDesc takes the
// ownership the descriptor states.
TEST(ImageCore, DescriptorsCopyAndHandOverOwnership) {
    std::vector<uint8_t> source(3 * 20);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7);
    ImageDesc desc{source.data(), 4, 3, 20, 4, true};
    ICImageAYUV* image = GetCImageAYUV1(&desc);
    ASSERT_NE(image->GetData(), source.data());
    EXPECT_TRUE(image->IsDataOwned());
    EXPECT_EQ(0, std::memcmp(image->GetData(), source.data(), source.size()));
    source[5] ^= 0xFF;
    EXPECT_NE(image->GetData()[5], source[5]);
    ImageDesc owned = image->GetDesc(), caller{source.data(), 4, 3, 20, 4, false};
    image->SetDesc(&caller);  // the copy is the test's now
    EXPECT_FALSE(image->IsDataOwned());
    image->SetDesc(&owned);  // and the image's again: its release frees it
    EXPECT_TRUE(image->IsDataOwned());
    ReleaseCImageAYUV(image);
}

TEST(ImageCore, PixelAddressIsPlainArithmetic) {
    uint8_t memory[64];
    ICImageByte* bytes = GetCImageByte4(memory + 32, 5, 2, 16);
    ICImageARGB* pixels = GetCImageARGB4(memory + 32, 3, 2, 16);
    const std::pair<uint8_t*, uint8_t*> cases[] = {
        {bytes->GetPixelAddress(0, 0), memory + 32}, {bytes->GetPixelAddress(1, 1), memory + 49},
        {bytes->GetPixelAddress(-1, -1), memory + 15}, {pixels->GetPixelAddress(2, 1), memory + 56},
        {pixels->GetPixelAddress(-1, -1), memory + 12}};
    for (const auto& c : cases) EXPECT_EQ(c.first - memory, c.second - memory) << &c - cases;
    ReleaseCImageByte(bytes);
    ReleaseCImageARGB(pixels);
}

TEST(ImageCore, FillAndCopyPixelsFrom) {
    std::vector<uint8_t> target(2 * 12, 0xEE), source(3 * 8);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i + 1);
    CImageUtility image(target.data(), 2, 2, 12, 4);
    ImageDesc larger{source.data(), 2, 3, 8, 4, false};
    image.CopyPixelsFrom(&larger);  // the sizes must be equal
    EXPECT_EQ(target, std::vector<uint8_t>(24, 0xEE));
    ImageDesc good{source.data(), 2, 2, 8, 4, false};
    image.CopyPixelsFrom(&good);  // the padding stays
    std::vector<uint8_t> expected(source.begin(), source.begin() + 8);
    expected.insert(expected.end(), 4, 0xEE);
    expected.insert(expected.end(), source.begin() + 8, source.begin() + 16);
    expected.insert(expected.end(), 4, 0xEE);
    EXPECT_EQ(target, expected);
    image.Fill(0x1FF);  // padding too, to the low byte
    EXPECT_EQ(target, std::vector<uint8_t>(24, 0xFF));
}

// Sizes whose bytes do not fit a 32-bit signed number are refused, all
// others allowed (checked by the rule itself, without allocating).
TEST(ImageCore, BufferSizeRuleAndImpossibleBuffers) {
    const int32_t sizes[][3] = {{1, INT32_MAX, INT32_MAX}, {INT32_MAX, 1, INT32_MAX}, {2, 0x3FFFFFFF, 0x7FFFFFFE},
                                {2, 0x40000000, -1}, {65536, 65536, -1}, {-1, 4, -1}, {4, -1, -1}, {0, 5, 0}};
    for (const auto& s : sizes) {
        EXPECT_EQ(BufferByteCount(s[0], s[1]), s[2]) << s[0] << " x " << s[1];
        EXPECT_EQ(PackedStride(s[1], s[0]), s[2]) << s[1] << " x " << s[0];
        EXPECT_EQ(IsUsableBuffer(sizes, s[1], s[0], s[1], 1), s[2] >= 0) << s[1] << " x " << s[0];
    }
    const int32_t cases[][3] = {{-1, 4, 16}, {4, -1, 16}, {4, 4, -16}, {65536, 65536, 65536}, {1, 3, 0x40000000}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetCImageUtility4(c[0], c[1], c[2], 4), nullptr) << c[0] << "x" << c[1] << " stride " << c[2];
    }
    EXPECT_EQ(GetCImageARGB2(0x40000000, 1), nullptr);  // 4 * width wraps
    EXPECT_EQ(GetCImageAYUV2(-3, 2), nullptr);
    EXPECT_EQ(GetCImageByte2(70000, 70000), nullptr);
    uint8_t memory[16];
    CImageBase image(memory, 2, 2, 8, 4);
    EXPECT_FALSE(image.ReplaceWithOwnedBuffer(-1, 2, 8, 4));
    EXPECT_FALSE(image.ReplaceWithOwnedBuffer(2, 70000, 70000, 4));
    EXPECT_TRUE(image.data == memory && !image.ownsData);
    ASSERT_TRUE(image.ReplaceWithOwnedBuffer(3, 1, 12, 4));
    EXPECT_TRUE(image.ownsData);
    ReleasePixelBuffer(image.data);
}

}  // namespace
