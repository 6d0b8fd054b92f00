// Blend modes, opacity blends, composites, masked and feathered pastes of
// ARGB images, and the AYUV blends that share their arithmetic.

#include <array>
#include <cmath>

#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

using Pixel = std::array<uint8_t, 4>;  // bytes 0..3, alpha last
constexpr int32_t kLevels[] = {0, 1, 3};

Frame RowOf(Pixel pixel, int32_t width) {
    return Uniform(width, 1, uint32_t(pixel[0]) | uint32_t(pixel[1]) << 8 | uint32_t(pixel[2]) << 16 | uint32_t(pixel[3]) << 24);
}

// ---- Opacity blends ----

using OpacityBlend = void (*)(int32_t level, Frame& image, const ImageDesc* source, uint8_t opacity);
void ArgbAlpha(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { ImageAt<CImageARGB>(l, f).AlphaBlend(s, o); }
void ArgbAdditive(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { ImageAt<CImageARGB>(l, f).AdditiveBlend(s, o); }
void ArgbComposite(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { ImageAt<CImageARGB>(l, f).AlphaComposite(s, o); }
void AyuvAlpha(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { ImageAt<CImageAYUV>(l, f).AlphaBlend(s, o); }
void AyuvComposite(int32_t l, Frame& f, const ImageDesc* s, uint8_t o) { ImageAt<CImageAYUV>(l, f).AlphaComposite(s, o); }

TEST(OpacityBlends, Examples) {
    const struct { OpacityBlend blend; Pixel before, source; uint8_t opacity; Pixel after; } examples[] = {
        {ArgbAlpha, {0, 0, 0, 9}, {255, 255, 255, 255}, 255, {254, 254, 254, 9}},  // opaque is not quite a copy
        {ArgbAlpha, {10, 20, 30, 9}, {255, 0, 255, 255}, 0, {10, 20, 30, 9}},       // opacity 0: weight 0
        {ArgbAlpha, {100, 100, 100, 9}, {200, 0, 0, 128}, 255, {150, 50, 50, 9}},  // the alpha itself at 255
        {ArgbAlpha, {100, 100, 100, 9}, {200, 0, 0, 128}, 127, {125, 75, 75, 9}},  // (128 * 128) >> 8 = 64
        {ArgbAdditive, {100, 100, 100, 7}, {200, 20, 0, 255}, 255, {255, 119, 100, 7}},
        {ArgbAdditive, {100, 100, 100, 7}, {200, 20, 0, 128}, 127, {150, 105, 100, 7}},
        {ArgbComposite, {1, 2, 3, 0}, {10, 20, 30, 200}, 128, {10, 20, 30, 100}},     // onto transparent
        {ArgbComposite, {1, 2, 3, 40}, {10, 20, 30, 0}, 255, {1, 2, 3, 40}},          // a = 0
        {ArgbComposite, {1, 2, 3, 40}, {10, 20, 30, 255}, 255, {10, 20, 30, 255}},    // a = 255
        {ArgbComposite, {0, 0, 0, 255}, {128, 128, 128, 128}, 255, {64, 64, 64, 255}},
        {ArgbComposite, {200, 100, 0, 128}, {0, 50, 200, 128}, 255, {66, 66, 133, 192}},
        {AyuvAlpha, {100, 100, 100, 9}, {200, 0, 0, 128}, 127, {125, 75, 75, 9}},  // the ARGB arithmetic
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

// ---- Blend modes ----

using BlendMode = void (CImageARGB::*)(const ImageDesc*);
constexpr BlendMode kMultiply = &CImageARGB::MultiplyBlend, kScreen = &CImageARGB::ScreenBlend,
                    kDodge = &CImageARGB::ColorDodgeBlend, kLinear = &CImageARGB::LinearDodgeBlend,
                    kOverlay = &CImageARGB::OverlayBlend, kHard = &CImageARGB::HardLightBlend,
                    kSoft = &CImageARGB::SoftLightBlend;

TEST(BlendModes, Examples) {
    const struct { BlendMode mode; uint8_t base, blend, after; } examples[] = {
        {kMultiply, 255, 255, 254}, {kMultiply, 200, 100, 78},  {kScreen, 0, 0, 1},      {kScreen, 100, 100, 162},
        {kDodge, 0, 255, 255},      {kDodge, 100, 255, 255},    {kDodge, 1, 254, 255},   {kDodge, 200, 0, 200},
        {kDodge, 100, 128, 201},    {kLinear, 200, 100, 255},   {kLinear, 20, 100, 120}, {kOverlay, 128, 255, 255},
        {kOverlay, 129, 0, 4},      {kOverlay, 100, 200, 156},  {kHard, 255, 128, 255},  {kHard, 0, 129, 4},
        {kHard, 200, 100, 156},     {kSoft, 255, 0, 255},       {kSoft, 64, 255, 127},   {kSoft, 64, 0, 16},
    };
    for (const auto& e : examples) {
        for (int32_t level : {0, 3}) {
            Frame image = RowOf({e.base, e.base, e.base, 77}, 7), source = RowOf({e.blend, e.blend, e.blend, 9}, 7);
            const ImageDesc desc = source.Desc();
            (ImageAt(level, image).*e.mode)(&desc);
            EXPECT_EQ(image.bytes, RowOf({e.after, e.after, e.after, 77}, 7).bytes) << "example " << &e - examples << ", level " << level;
        }
    }
}

// ---- Feathered paste and masked pull ----

// A 16 x 14 image of grey 10 (alpha 50, rows padded) with a w x h source of
// grey 210 (alpha 99) pasted at (3, 2).
Frame PastedFrame(int32_t w, int32_t h, uint32_t mode, float feather, int32_t x = 3, int32_t y = 2) {
    Frame image = Uniform(16, 14, 0x320A0A0Au, 4), source = RowOf({210, 210, 210, 99}, w * h);
    source.width = w, source.height = h, source.stride = 4 * w;
    const ImageDesc desc = source.Desc();
    ImageAt<CImageARGB>(0, image).PasteFeathered(&desc, x, y, w, h, mode, feather);
    return image;
}

// Each pasted pixel as a digit: its weight in tenths of 256, rounded down
// (colour 10 + 200 * weight / 256), or 'C' for copied.
std::vector<std::string> PasteMap(Frame& image, int32_t w, int32_t h) {
    std::vector<std::string> rows;
    for (int32_t j = 0; j < h; ++j) {
        std::string row;
        for (int32_t i = 0; i < w; ++i) {
            const uint8_t* p = image.Pixel(3 + i, 2 + j);
            row += p[3] == 99 ? 'C' : static_cast<char>('0' + (p[0] - 10) * 10 / 200);
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(PasteFeathered, RingsAndEllipses) {
    const struct { int32_t w, h; uint32_t mode; float feather; std::vector<std::string> map; } cases[] = {
        // F = 5: rings 0, 51, 102, 153, 204; nothing copied.
        {10, 10, 0, 1.0f, {"0000000000", "0111111110", "0133333310", "0135555310", "0135775310",
                           "0135775310", "0135555310", "0133333310", "0111111110", "0000000000"}},
        {7, 5, 0, 1.0f, {"0000000", "0555550", "05CCC50", "0555550", "0000000"}},       // F = 2: 0, 128
        {6, 6, 0, 0.5f, {"000000", "066660", "06CC60", "06CC60", "066660", "000000"}},  // F = 1.5: 0, 170
        {5, 5, 0, 0.0f, {"CCCCC", "CCCCC", "CCCCC", "CCCCC", "CCCCC"}},
        // Inside when dx^2 / 6 + dy^2 / 6 <= 1; the corners stay ('0').
        {5, 5, 1, 0.0f, {"0CCC0", "CCCCC", "CCCCC", "CCCCC", "0CCC0"}},
        {5, 5, 1, 0.5f, {"03630", "3CCC3", "6CCC6", "3CCC3", "03630"}},  // r 5/6 gives 85, 4/6 gives 170
        {7, 3, 1, 0.0f, {"0CCCCC0", "CCCCCCC", "0CCCCC0"}},              // dx^2 / 12 + dy^2 / 2
        {1, 3, 1, 0.0f, {"C", "C", "C"}},                                 // a one-pixel side
    };
    for (const auto& c : cases) {
        Frame image = PastedFrame(c.w, c.h, c.mode, c.feather);
        EXPECT_EQ(PasteMap(image, c.w, c.h), c.map) << c.w << " x " << c.h << " mode " << c.mode;
        for (int32_t y = 0; y < 14; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                if (x >= 3 && x < 3 + c.w && y >= 2 && y < 2 + c.h) continue;
                ASSERT_EQ(PixelAt(image, x, y), 0x320A0A0Au) << x << "," << y;
            }
        }
    }
}

TEST(MaskByThreshold, PullsColourTowardTheMask) {
    // The byte image's rule (tested there at length) on the colour lanes.
    const struct { int32_t level; uint8_t maskByte, before, after; } cases[] = {{255, 128, 255, 191}, {100, 50, 200, 125}, {0, 0, 77, 77}};
    for (const auto& c : cases) {
        // A two-byte mask: only the first byte of each counts.
        std::vector<uint8_t> mask(14, 0);
        for (size_t i = 0; i < mask.size(); i += 2) mask[i] = c.maskByte;
        const ImageDesc maskDesc{mask.data(), 7, 1, 14, 2, false};
        Frame image = RowOf({c.before, c.before, c.before, 33}, 7);
        ImageAt<CImageARGB>(0, image).MaskByThreshold(&maskDesc, c.level);
        EXPECT_EQ(image.bytes, RowOf({c.after, c.after, c.after, 33}, 7).bytes) << c.level << " " << int{c.maskByte};
    }
}

// The composite alone takes a source larger than the image (its top-left part).
TEST(OpacityBlends, OnlyTheCompositeTakesALargerSource) {
    std::mt19937 rng(3);
    const Frame before = RandomFrame(rng, 3, 2, 4, 4);
    Frame larger = RandomFrame(rng, 4, 3, 4, 0), part = larger;
    part.width = 3, part.height = 2;
    const ImageDesc largerDesc = larger.Desc(), partDesc = part.Desc();
    for (int32_t level : kLevels) {
        Frame composite = before, expected = before, blended = before;
        ArgbComposite(level, composite, &largerDesc, 255);
        ArgbComposite(level, expected, &partDesc, 255);
        ArgbAlpha(level, blended, &largerDesc, 255);
        EXPECT_EQ(composite.bytes, expected.bytes);
        EXPECT_NE(composite.bytes, before.bytes);
        EXPECT_EQ(blended.bytes, before.bytes);
    }
}

}  // namespace
