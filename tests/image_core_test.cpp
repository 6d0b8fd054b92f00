// Images themselves: descriptors and ownership, pixel addresses, the size
// rule, and the ARGB buffer operations (Allocate, AttachBuffer, lanes, grey
// from a plane, GetRegionDesc).

#include <tuple>

#include "core/InputChecks.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// A copying descriptor gives an owned, independent copy; SetDesc takes the
// ownership the descriptor states.
TEST(ImageCore, DescriptorsCopyAndHandOverOwnership) {
    Bytes source = RandomBytes(3 * 20, 7);
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
    const auto at = [&](ICImageBase* image, int32_t x, int32_t y) { return image->GetPixelAddress(x, y) - memory; };
    const std::vector<ptrdiff_t> got = {at(bytes, 0, 0), at(bytes, 1, 1), at(bytes, -1, -1), at(pixels, 2, 1),
                                        at(pixels, -1, -1)};
    EXPECT_EQ(got, (std::vector<ptrdiff_t>{32, 49, 15, 56, 12}));
    ReleaseCImageByte(bytes);
    ReleaseCImageARGB(pixels);
}

// Only equal sizes copy; row padding stays, but Fill writes it too.
TEST(ImageCore, FillAndCopyPixelsFrom) {
    std::vector<uint8_t> target(2 * 12, 0xEE), source(3 * 8);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i + 1);
    CImageUtility image(target.data(), 2, 2, 12, 4);
    ImageDesc larger{source.data(), 2, 3, 8, 4, false}, good{source.data(), 2, 2, 8, 4, false};
    image.CopyPixelsFrom(&larger);
    EXPECT_EQ(target, std::vector<uint8_t>(24, 0xEE));
    image.CopyPixelsFrom(&good);
    EXPECT_EQ(target, std::vector<uint8_t>({1, 2, 3, 4, 5, 6, 7, 8, 0xEE, 0xEE, 0xEE, 0xEE,
                                            9, 10, 11, 12, 13, 14, 15, 16, 0xEE, 0xEE, 0xEE, 0xEE}));
    image.Fill(0x1FF);  // to the low byte
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
    for (const auto& c : cases) EXPECT_EQ(GetCImageUtility4(c[0], c[1], c[2], 4), nullptr) << c[0] << "x" << c[1];
    EXPECT_EQ(GetCImageARGB2(0x40000000, 1), nullptr);  // 4 * width wraps
    EXPECT_EQ(GetCImageAYUV2(-3, 2), nullptr);
    EXPECT_EQ(GetCImageByte2(70000, 70000), nullptr);
}

auto Fields(const ImageDesc& d) { return std::tuple(d.data, d.width, d.height, d.stride, d.bytesPerPixel, d.copy); }

// ARGB and Byte images: Allocate gives a new owned packed buffer, releasing
// an owned one (else the sanitizer build's leak check fails) but never the
// caller's; impossible sizes leave the image as it was. AttachBuffer
// releases an owned buffer too.
TEST(Allocate, OwnedPackedBuffersAttachedBuffersAndRefusedSizes) {
    uint8_t caller[64] = {};
    auto check = [&](auto* image, int32_t bytesPerPixel) {
        for (auto [width, height] : {std::pair{-1, 4}, {4, -1}, {0x40000000, 2}, {70000, 70000}}) {
            image->Allocate(width, height);
            EXPECT_EQ(Fields(image->GetDesc()), std::tuple(caller + 0, 3, 4, 16, bytesPerPixel, false)) << width;
        }
        image->Allocate(3, 2);
        EXPECT_EQ(Fields(image->GetDesc()), std::tuple(image->GetData(), 3, 2, 3 * bytesPerPixel, bytesPerPixel, true));
        image->Fill(0x11);  // all its bytes are the image's own
        EXPECT_TRUE(image->GetData() != caller && caller[0] == 0);
        image->Allocate(5, 1);
        EXPECT_EQ(image->GetStride(), 5 * bytesPerPixel);
    };
    ICImageARGB* argb = GetCImageARGB4(caller, 3, 4, 16);
    ICImageByte* bytes = GetCImageByte4(caller, 3, 4, 16);
    check(argb, 4);
    check(bytes, 1);
    argb->AttachBuffer(caller, 3, 4, 16);
    EXPECT_EQ(Fields(argb->GetDesc()), std::tuple(caller + 0, 3, 4, 16, 4, false));
    ReleaseCImageARGB(argb);
    ReleaseCImageByte(bytes);
}

// `frame` with byte `lane` of each of its pixels taken from byte `fromLane`
// of the same pixel of `from`.
Frame WithLane(Frame frame, int32_t lane, Frame from, int32_t fromLane) {
    for (int32_t y = 0; y < frame.height; ++y)
        for (int32_t x = 0; x < frame.width; ++x) frame.Pixel(x, y)[lane] = from.Pixel(x, y)[fromLane];
    return frame;
}

// On a 3 x 2 image and a plane, both with padded rows (padding must stay):
// each lane operation moves exactly its lanes, and a lane outside 0..3 none.
TEST(ArgbLanes, EachOperationMovesOnlyItsLanes) {
    std::mt19937 rng(7);
    const Frame pixels = RandomFrame(rng, 3, 2, 4, 5), plane = RandomFrame(rng, 3, 2, 1, 3);
    Frame larger = RandomFrame(rng, 4, 3, 4, 0);
    for (int32_t lane = -1; lane <= 4; ++lane) {
        const bool moves = lane >= 0 && lane < 4;
        Frame argb = pixels, bytes = plane;
        ImageDesc bytesDesc = bytes.Desc();
        CImageARGB image = ImageAt(0, argb);
        image.SetChannel(&bytesDesc, lane);
        EXPECT_EQ(argb.bytes, moves ? WithLane(pixels, lane, plane, 0).bytes : pixels.bytes) << lane;
        image.GetChannel(&bytesDesc, moves ? (lane + 1) % 4 : lane);  // a lane SetChannel left alone
        EXPECT_EQ(bytes.bytes, moves ? WithLane(plane, 0, pixels, (lane + 1) % 4).bytes : plane.bytes) << lane;
    }
    for (int32_t level : {0, 3}) {
        Frame argb = pixels, bytes = plane;
        ImageDesc bytesDesc = bytes.Desc(), largerDesc = larger.Desc();
        CImageARGB image = ImageAt(level, argb);
        image.CopyAlphaFrom(&largerDesc);  // a larger source is fine
        Frame expected = WithLane(pixels, 3, larger, 3);
        EXPECT_EQ(argb.bytes, expected.bytes) << level;
        image.SetGrayFromPlane(&bytesDesc);
        for (int32_t colour = 0; colour < 3; ++colour) expected = WithLane(expected, colour, plane, 0);
        EXPECT_EQ(argb.bytes, expected.bytes) << level;
    }
}

TEST(ArgbGetRegionDesc, ClipsDescribesTheWholeImageOrRefuses) {
    // x, y, width, height; result; x, y, width, height described (x -1: `out`
    // left as it was).
    const int32_t cases[][9] = {
        {-2, -3, 5, 5, 1, 0, 0, 3, 2},  {12, 0, 4, 4, 0, 0, 0, 10, 10}, {8, 8, 5, 5, 1, 8, 8, 2, 2},
        {2, 3, 4, 5, 1, 2, 3, 4, 5},    {0, 0, 0, 0, 0, 0, 0, 10, 10},  {5, 5, 0, 3, 1, 5, 5, 0, 3},
        {-5, 0, 5, 4, 0, 0, 0, 10, 10}, {0, -5, 4, 5, 0, 0, 0, 10, 10}, {9, 9, 1, 1, 1, 9, 9, 1, 1},
        {0, 10, 1, 1, 0, 0, 0, 10, 10}, {10, 0, 1, 1, 0, 0, 0, 10, 10},
        {3, 0, INT32_MAX, 2, 1, 3, 0, 7, 2},  // the far corner does not wrap
        {1, 1, -1, 3, 0, -1}, {1, 1, 3, -1, 0, -1},
    };
    std::vector<uint8_t> memory(10 * 48);
    ICImageARGB* image = GetCImageARGB4(memory.data(), 10, 10, 48);
    for (const auto& c : cases) {
        ImageDesc out{nullptr, 77, 77, 77, 77, true};
        const auto expected = c[5] < 0 ? Fields(out)
                                       : std::tuple(memory.data() + 48 * c[6] + 4 * c[5], c[7], c[8], 48, 4, false);
        EXPECT_EQ(image->GetRegionDesc(&out, c[0], c[1], c[2], c[3]), c[4]) << c[0] << "," << c[1];
        EXPECT_EQ(Fields(out), expected) << c[0] << "," << c[1] << " " << c[2] << "x" << c[3];
    }
    EXPECT_EQ(image->GetRegionDesc(nullptr, 0, 0, 1, 1), 0);
    ReleaseCImageARGB(image);
}

}  // namespace
