// Blend modes, opacity blends, composites, masked and feathered pastes of
// ARGB images, and the AYUV blends that share their arithmetic.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <vector>

#include "ayuv/CImageAYUV.h"
#include "colour_test_support.h"

using namespace VelImageUtility;
using namespace colour_test;

namespace {

using Pixel = std::array<uint8_t, 4>;  // bytes 0..3, alpha last
constexpr int32_t kLevels[] = {0, 1, 3};

template <typename Image>
Image At(int32_t level, Frame& frame) {
    ScopedInstructionSetLevel scoped(level);
    return Image(frame.bytes.data(), frame.width, frame.height, frame.stride, frame.bytesPerPixel);
}

Frame RowOf(Pixel pixel, int32_t width) {
    Frame frame{{}, width, 1, 4, 4 * width};
    for (int32_t x = 0; x < width; ++x) frame.bytes.insert(frame.bytes.end(), pixel.begin(), pixel.end());
    return frame;
}

// Random pixels whose alphas are 0 or 255 a quarter of the time each, so
// that every case of the composite occurs in every pair position.
Frame RandomPixels(std::mt19937& rng, int32_t width, int32_t height, int32_t padding) {
    Frame frame = RandomFrame(rng, width, height, 4, padding);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t pick = rng() % 4;
            if (pick < 2) frame.Pixel(x, y)[3] = pick == 0 ? 0 : 255;
        }
    }
    return frame;
}

// ---- Opacity blends ----

using OpacityBlend = void (*)(int32_t level, Frame& image, const ImageDesc* source, uint8_t opacity);
void ArgbAlpha(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { At<CImageARGB>(l, f).AlphaBlend(s, o); }
void ArgbAdditive(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { At<CImageARGB>(l, f).AdditiveBlend(s, o); }
void ArgbComposite(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { At<CImageARGB>(l, f).AlphaComposite(s, o); }
void AyuvAlpha(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { At<CImageAYUV>(l, f).AlphaBlend(s, o); }
void AyuvComposite(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { At<CImageAYUV>(l, f).AlphaComposite(s, o); }

TEST(OpacityBlends, Examples) {
    const struct {
        OpacityBlend blend;
        Pixel before, source;
        uint8_t opacity;
        Pixel after;
    } examples[] = {
        {ArgbAlpha, {0, 0, 0, 9}, {255, 255, 255, 255}, 255, {254, 254, 254, 9}},  // opaque is not quite a copy
        {ArgbAlpha, {10, 20, 30, 9}, {255, 0, 255, 255}, 0, {10, 20, 30, 9}},       // opacity 0: weight 0
        {ArgbAlpha, {100, 100, 100, 9}, {200, 0, 0, 128}, 255, {150, 50, 50, 9}},  // the alpha itself at 255
        {ArgbAlpha, {100, 100, 100, 9}, {200, 0, 0, 128}, 127, {125, 75, 75, 9}},  // (128 * 128) >> 8 = 64
        {AyuvAlpha, {0, 0, 0, 7}, {200, 200, 200, 255}, 255, {199, 199, 199, 7}},
        {ArgbAdditive, {100, 100, 100, 7}, {200, 20, 0, 255}, 255, {255, 119, 100, 7}},
        {ArgbAdditive, {100, 100, 100, 7}, {200, 20, 0, 128}, 127, {150, 105, 100, 7}},
        {ArgbComposite, {1, 2, 3, 0}, {10, 20, 30, 200}, 128, {10, 20, 30, 100}},     // onto transparent
        {ArgbComposite, {1, 2, 3, 40}, {10, 20, 30, 0}, 255, {1, 2, 3, 40}},          // a = 0
        {ArgbComposite, {1, 2, 3, 40}, {10, 20, 30, 255}, 255, {10, 20, 30, 255}},    // a = 255
        {ArgbComposite, {0, 0, 0, 255}, {128, 128, 128, 128}, 255, {64, 64, 64, 255}},
        {ArgbComposite, {200, 100, 0, 128}, {0, 50, 200, 128}, 255, {66, 66, 133, 192}},
        {AyuvComposite, {1, 2, 3, 0}, {10, 20, 30, 200}, 128, {10, 20, 30, 100}},
        {AyuvComposite, {0, 0, 0, 255}, {128, 128, 128, 128}, 255, {64, 64, 64, 255}},
    };
    for (const auto& e : examples) {
        for (int32_t level : kLevels) {
            Frame image = RowOf(e.before, 7), source = RowOf(e.source, 7);
            const ImageDesc desc = source.Desc();
            e.blend(level, image, &desc, e.opacity);
            EXPECT_EQ(image.bytes, RowOf(e.after, 7).bytes) << "example " << &e - examples << ", level " << level;
        }
    }
}

// Whether pixel x of `image` (before) lies in a pair that the vector
// composite computes with its approximate quotient.
bool InApproximatePair(Frame& image, Frame& source, int32_t x, int32_t y, uint8_t opacity) {
    const int32_t first = x & ~1;
    if (first + 1 >= image.width) return false;
    for (int32_t i : {first, first + 1}) {
        const int32_t a = (source.Pixel(i, y)[3] * (opacity + 1)) >> 8;
        if (a == 0 || a == 255 || image.Pixel(i, y)[3] == 0) return false;
    }
    return true;
}

// Plain against the 64-bit and SSE2 loops on every width split around the
// groups, several heights, padded rows and opacities: identical bytes, but
// for the composite's approximate pairs, whose colour may be one off.
TEST(OpacityBlends, VariantsAgreeWithThePlainRule) {
    std::mt19937 rng(11);
    for (OpacityBlend blend : {ArgbAlpha, ArgbAdditive, AyuvAlpha, ArgbComposite, AyuvComposite}) {
        const bool composite = blend == ArgbComposite || blend == AyuvComposite;
        for (int32_t width = 1; width <= 9; ++width) {
            for (int32_t height = 1; height <= 3; ++height) {
                for (uint8_t opacity : {0, 1, 127, 254, 255}) {
                    Frame before = RandomPixels(rng, width, height, 3 * ((width + height) % 4));
                    Frame source = RandomPixels(rng, width, height, 4 * (width % 2));
                    const ImageDesc desc = source.Desc();
                    Frame plain = before;
                    blend(0, plain, &desc, opacity);
                    for (int32_t level : {1, 3}) {
                        Frame vector = before;
                        blend(level, vector, &desc, opacity);
                        for (size_t i = 0; i < plain.bytes.size(); ++i) {
                            const int32_t column = static_cast<int32_t>(i % plain.stride), x = column / 4;
                            const bool approximate = composite && level == 3 && x < width && column % 4 != 3 &&
                                                     InApproximatePair(before, source, x, static_cast<int32_t>(i / plain.stride), opacity);
                            ASSERT_LE(std::abs(plain.bytes[i] - vector.bytes[i]), approximate ? 1 : 0)
                                << "blend " << reinterpret_cast<void*>(blend) << " " << width << " x " << height
                                << " opacity " << int{opacity} << " level " << level << " byte " << i;
                        }
                    }
                    if (blend == AyuvAlpha || blend == AyuvComposite) {  // the ARGB arithmetic, byte for byte
                        Frame argb = before;
                        (blend == AyuvAlpha ? ArgbAlpha : ArgbComposite)(0, argb, &desc, opacity);
                        ASSERT_EQ(argb.bytes, plain.bytes);
                    }
                }
            }
        }
    }
}

// ---- Blend modes ----

using BlendMode = void (CImageARGB::*)(const ImageDesc*);
constexpr BlendMode kMultiply = &CImageARGB::MultiplyBlend, kScreen = &CImageARGB::ScreenBlend,
                    kDodge = &CImageARGB::ColorDodgeBlend, kLinear = &CImageARGB::LinearDodgeBlend,
                    kOverlay = &CImageARGB::OverlayBlend, kHard = &CImageARGB::HardLightBlend,
                    kSoft = &CImageARGB::SoftLightBlend;
constexpr BlendMode kModes[] = {kMultiply, kScreen, kDodge, kLinear, kOverlay, kHard, kSoft};

void BlendAt(int32_t level, BlendMode mode, Frame& image, Frame& source) {
    const ImageDesc desc = source.Desc();
    (At<CImageARGB>(level, image).*mode)(&desc);
}

TEST(BlendModes, Examples) {
    const struct {
        BlendMode mode;
        uint8_t base, blend, after;
    } examples[] = {
        {kMultiply, 255, 255, 254}, {kMultiply, 200, 100, 78},  {kScreen, 0, 0, 1},      {kScreen, 100, 100, 162},
        {kDodge, 0, 255, 255},      {kDodge, 100, 255, 255},    {kDodge, 1, 254, 255},   {kDodge, 200, 0, 200},
        {kDodge, 100, 128, 201},    {kLinear, 200, 100, 255},   {kLinear, 20, 100, 120}, {kOverlay, 128, 255, 255},
        {kOverlay, 129, 0, 4},      {kOverlay, 100, 200, 156},  {kHard, 255, 128, 255},  {kHard, 0, 129, 4},
        {kHard, 200, 100, 156},     {kSoft, 255, 0, 255},       {kSoft, 64, 255, 127},   {kSoft, 64, 0, 16},
    };
    for (const auto& e : examples) {
        for (int32_t level : {0, 3}) {
            Frame image = RowOf({e.base, e.base, e.base, 77}, 7), source = RowOf({e.blend, e.blend, e.blend, 9}, 7);
            BlendAt(level, e.mode, image, source);
            EXPECT_EQ(image.bytes, RowOf({e.after, e.after, e.after, 77}, 7).bytes)
                << "example " << &e - examples << ", level " << level;
        }
    }
}

// Every pair of base and blend value in every lane (a 259-pixel row ends in
// a partial group), then small odd widths: SSE2 gives the plain bytes, and
// alpha and row padding stay.
TEST(BlendModes, VariantsAgreeOnEveryPairOfValues) {
    std::mt19937 rng(5);
    Frame base = RandomFrame(rng, 259, 256, 4, 6), layer = RandomFrame(rng, 259, 256, 4, 2);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 259; ++x) {
            for (int32_t lane = 0; lane < 3; ++lane) {
                base.Pixel(x, y)[lane] = static_cast<uint8_t>(x + 85 * lane);
                layer.Pixel(x, y)[lane] = static_cast<uint8_t>(y);
            }
        }
    }
    std::vector<std::pair<Frame, Frame>> cases = {{base, layer}};
    for (int32_t width = 1; width <= 9; ++width) {
        cases.emplace_back(RandomFrame(rng, width, 2, 4, width % 3), RandomFrame(rng, width, 2, 4, 4));
    }
    for (size_t m = 0; m < std::size(kModes); ++m) {
        for (auto& [before, source] : cases) {
            const BlendMode mode = kModes[m];
            Frame plain = before, vector = before;
            BlendAt(0, mode, plain, source);
            BlendAt(3, mode, vector, source);
            ASSERT_EQ(plain.bytes, vector.bytes) << "mode " << m << ", width " << before.width;
            for (int32_t y = 0; y < before.height; ++y) {
                for (int32_t x = 0; x < before.width; ++x) ASSERT_EQ(plain.Pixel(x, y)[3], before.Pixel(x, y)[3]) << m;
            }
            ASSERT_TRUE(plain.PaddingEquals(before)) << m;
        }
    }
}

}  // namespace
