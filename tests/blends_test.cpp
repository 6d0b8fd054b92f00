// Blend modes, opacity blends, composites, masked and feathered pastes of
// ARGB images, and the AYUV blends that share their arithmetic.

#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// ---- Opacity blends, blend modes, masked pull ----

PixelOperation Alpha(uint8_t o) { return [=](CImageARGB& i, const ImageDesc* s) { i.AlphaBlend(s, o); }; }
PixelOperation Additive(uint8_t o) { return [=](CImageARGB& i, const ImageDesc* s) { i.AdditiveBlend(s, o); }; }
PixelOperation Composite(uint8_t o) { return [=](CImageARGB& i, const ImageDesc* s) { i.AlphaComposite(s, o); }; }
// The byte image's rule (tested there at length) on the colour lanes; of a
// two-byte mask only the first byte of each counts.
PixelOperation Mask(int32_t level) {
    return [=](CImageARGB& i, const ImageDesc* s) {
        const ImageDesc mask{s->data, s->width, s->height, s->stride, 2, false};
        i.MaskByThreshold(&mask, level);
    };
}

using BlendMode = void (CImageARGB::*)(const ImageDesc*);
constexpr BlendMode kMultiply = &CImageARGB::MultiplyBlend, kScreen = &CImageARGB::ScreenBlend,
                    kDodge = &CImageARGB::ColorDodgeBlend, kLinear = &CImageARGB::LinearDodgeBlend,
                    kOverlay = &CImageARGB::OverlayBlend, kHard = &CImageARGB::HardLightBlend,
                    kSoft = &CImageARGB::SoftLightBlend;

// Grey `base` (alpha 77) under grey `blend` (alpha 9) gives grey `after`, alpha kept.
PixelExample Grey(BlendMode mode, uint32_t base, uint32_t blend, uint32_t after) {
    return {[mode](CImageARGB& i, const ImageDesc* s) { (i.*mode)(s); }, 0x4D000000 | base * 0x010101,
            0x09000000 | blend * 0x010101, 0x4D000000 | after * 0x010101};
}

TEST(BlendModesAndOpacityBlends, Examples) {
    ExpectPixelExamples({
        {Alpha(255), 0x09000000, 0xFFFFFFFF, 0x09FEFEFE},  // opaque is not quite a copy
        {Alpha(0), 0x091E140A, 0xFFFF00FF, 0x091E140A},    // opacity 0: weight 0
        {Alpha(255), 0x09646464, 0x800000C8, 0x09323296},  // the alpha itself at 255
        {Alpha(127), 0x09646464, 0x800000C8, 0x094B4B7D},  // (128 * 128) >> 8 = 64
        {Additive(255), 0x07646464, 0xFF0014C8, 0x076477FF}, {Additive(127), 0x07646464, 0x800014C8, 0x07646996},
        {Composite(128), 0x00030201, 0xC81E140A, 0x641E140A},  // onto transparent
        {Composite(255), 0x28030201, 0x001E140A, 0x28030201},  // a = 0
        {Composite(255), 0x28030201, 0xFF1E140A, 0xFF1E140A},  // a = 255
        {Composite(255), 0xFF000000, 0x80808080, 0xFF404040}, {Composite(255), 0x800064C8, 0x80C83200, 0xC0854242},
        // The AYUV blends are the ARGB arithmetic.
        {[](CImageARGB& i, auto s) { AyuvOf(i).AlphaBlend(s, 127); }, 0x09646464, 0x800000C8, 0x094B4B7D},
        {[](CImageARGB& i, auto s) { AyuvOf(i).AlphaComposite(s, 255); }, 0xFF000000, 0x80808080, 0xFF404040},
        {Mask(255), 0x21FFFFFF, 0x00800080, 0x21BFBFBF}, {Mask(100), 0x21C8C8C8, 0x00320032, 0x217D7D7D},
        {Mask(0), 0x214D4D4D, 0, 0x214D4D4D},
        Grey(kMultiply, 255, 255, 254), Grey(kMultiply, 200, 100, 78), Grey(kScreen, 0, 0, 1),
        Grey(kScreen, 100, 100, 162),   Grey(kDodge, 0, 255, 255),     Grey(kDodge, 100, 255, 255),
        Grey(kDodge, 1, 254, 255),      Grey(kDodge, 200, 0, 200),     Grey(kDodge, 100, 128, 201),
        Grey(kLinear, 200, 100, 255),   Grey(kLinear, 20, 100, 120),   Grey(kOverlay, 128, 255, 255),
        Grey(kOverlay, 129, 0, 4),      Grey(kOverlay, 100, 200, 156), Grey(kHard, 255, 128, 255),
        Grey(kHard, 0, 129, 4),         Grey(kHard, 200, 100, 156),    Grey(kSoft, 255, 0, 255),
        Grey(kSoft, 64, 255, 127),      Grey(kSoft, 64, 0, 16),
    });
}

// ---- Feathered paste ----

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
        // A 16 x 14 image of grey 10 (alpha 50, rows padded), a source of grey 210 (alpha 99) pasted at (3, 2).
        Frame image = Uniform(16, 14, 0x320A0A0Au, 4), source = Uniform(c.w, c.h, 0x63D2D2D2u);
        const ImageDesc desc = source.Desc();
        ImageAt(0, image).PasteFeathered(&desc, 3, 2, c.w, c.h, c.mode, c.feather);
        // Each pasted pixel as a digit, its weight in tenths of 256 rounded down, or 'C' for copied; then put back.
        std::vector<std::string> map(c.h);
        for (int32_t i = 0; i < c.w * c.h; ++i) {
            const uint8_t* p = image.Pixel(3 + i % c.w, 2 + i / c.w);
            map[i / c.w] += p[3] == 99 ? 'C' : static_cast<char>('0' + (p[0] - 10) * 10 / 200);
            SetPixel(image, 3 + i % c.w, 2 + i / c.w, 0x320A0A0Au);
        }
        EXPECT_EQ(map, c.map) << c.w << " x " << c.h << " mode " << c.mode;
        EXPECT_EQ(image.bytes, Uniform(16, 14, 0x320A0A0Au, 4).bytes);  // nothing else changed
    }
}

// The composite alone takes a source larger than the image (its top-left part).
TEST(OpacityBlends, OnlyTheCompositeTakesALargerSource) {
    std::mt19937 rng(3);
    const Frame before = RandomFrame(rng, 3, 2, 4, 4);
    Frame larger = RandomFrame(rng, 4, 3, 4, 0), part = larger;
    part.width = 3, part.height = 2;
    const ImageDesc largerDesc = larger.Desc(), partDesc = part.Desc();
    for (int32_t level : {0, 1, 3}) {
        Frame composite = before, expected = before, blended = before;
        ImageAt(level, composite).AlphaComposite(&largerDesc, 255);
        ImageAt(level, expected).AlphaComposite(&partDesc, 255);
        ImageAt(level, blended).AlphaBlend(&largerDesc, 255);
        EXPECT_EQ(composite.bytes, expected.bytes);
        EXPECT_NE(composite.bytes, before.bytes);
        EXPECT_EQ(blended.bytes, before.bytes);
    }
}

}  // namespace
