// ARGB region and rotated drawing, fills and sampling, and the AYUV rotated
// draw and fills.

#include <array>

#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// The vector sample drops the lowest fraction bit and also writes alpha:
// 255 * 515 / 65536 floors to 2, 255 * 514 / 65536 to 1.
TEST(ArgbSampleBilinear, ExamplesEdgesAndTheVectorDifference) {
    Frame frame = Uniform(3, 2, 0);
    const uint32_t pixels[6] = {0x10000000u, 0x20FFFFFFu, 0x30405060u, 0x40808080u, 0x50000000u, 0x60102030u};
    for (int32_t i = 0; i < 6; ++i) SetPixel(frame, i % 3, i / 3, pixels[i]);
    const uint32_t last = 0xFFFF, outside = 0xAAAAAAAAu;  // last column or row: the pixel's own colour
    const struct { uint32_t x, y, plain, sse2; } cases[] = {
        {515, 0, 0xAA020202u, 0x10010101u}, {(2u << 16) | last, (1u << 16) | last, 0xAA102030u, 0x60102030u},
        {0x8000, 0x8000, 0xAA5F5F5Fu, 0x305F5F5Fu},  // even fractions: the colours agree
        {3u << 16, 0, outside, outside}, {0, 0xFFFF0000u, outside, outside}, {0x80000000u, 0, outside, outside}};
    for (int32_t i = 0; i < 12; ++i) {
        const auto& c = cases[i / 2];
        Bytes out(4, 0xAA);
        ImageAt(i % 2 * 3, frame).SampleBilinear(c.x, c.y, out.data());
        EXPECT_EQ(out, Uniform(1, 1, i % 2 ? c.sse2 : c.plain).bytes) << c.x << "," << c.y << " level " << i % 2 * 3;
    }
}

// One merge of the rotated draws: destination bytes d, sample colour k,
// weight a; the alpha byte as the mode leaves it.
void MergeExpected(int32_t mode, bool scaled, const int32_t k[3], int32_t a, uint8_t* d) {
    if (!scaled && mode != 0 && mode != 1) {
        d[0] = d[1] = d[2] = 0, d[3] = 255;
        return;
    }
    const int32_t alpha = d[3];
    const int32_t merged = alpha + a - alpha * a / 255;
    for (int32_t c = 0; c < 3; ++c) {
        if (mode == 0) {
            d[c] = static_cast<uint8_t>(std::min(255, scaled ? (d[c] * (256 - a) + a * k[c]) >> 8
                                                             : ((d[c] * (255 - a)) >> 8) + ((a * k[c]) >> 8)));
        } else if (mode == 1 || mode == 8) {
            d[c] = static_cast<uint8_t>(std::min(255, d[c] + ((a * k[c]) >> 8)));
        } else if (mode == 7 && merged != 0) {
            d[c] = static_cast<uint8_t>(std::min(255, (a * k[c] + ((d[c] * (256 - a) * alpha) >> 8)) / merged));
        }
    }
    d[3] = static_cast<uint8_t>(mode == 7 ? merged : mode == 8 ? 255 : alpha);
}

// Angle 0 with the source's size (powers of two keep the set-up exact):
// box pixel (i, j) samples at source (i, j) with fractions 0. Inside, the
// source pixel is merged by its alpha; on the rim the colour is the mean of
// the samples inside and the alpha the top-left sample's (0 outside). The
// plain AYUV draw is the ARGB one.
TEST(RotatedDrawing, AngleZeroIsACopyWithAnAveragedRim) {
    std::mt19937 rng(3);
    Frame source = RandomFrame(rng, 16, 8, 4, 0);
    ImageDesc src = source.Desc();
    const auto in = [&](int32_t i, int32_t j) { return i >= 0 && i < 16 && j >= 0 && j < 8; };
    for (bool scaled : {false, true}) {
        for (int32_t mode : {0, 1, 2, 7, 8}) {
            Frame before = RandomFrame(rng, 40, 24, 4, 4), frame = before, ayuv = before;
            CImageARGB image = ImageAt(0, frame);
            if (!scaled) image.DrawRotatedImage(&src, mode, 20.0f, 12.0f, 16.0f, 8.0f, 0.0f, 255);
            if (scaled) image.DrawRotatedImageScaled(&src, mode, 20.0f, 12.0f, 16.0f, 8.0f, 1.0f, 0.0f, 255);
            if (scaled) ImageAt<CImageAYUV>(0, ayuv).DrawRotatedImageScaled(&src, mode, 20.0f, 12.0f, 16.0f, 8.0f, 1.0f, 0.0f, 255);
            EXPECT_EQ(ayuv.bytes, scaled ? frame.bytes : before.bytes);
            // Source (0, 0) lands at (12, 8); the unscaled box has a margin of 1.
            const int32_t first = scaled ? 0 : -1, lastI = scaled ? 15 : 16, lastJ = scaled ? 7 : 8;
            Frame expected = before;
            for (int32_t j = first; j <= lastJ; ++j) {
                for (int32_t i = first; i <= lastI; ++i) {
                    int32_t n = 0, k[3] = {0, 0, 0};
                    for (int32_t t = 0; t < 4; ++t) {
                        const bool inside = in(i + t % 2, j + t / 2);
                        n += inside;
                        for (int32_t c = 0; inside && c < 3; ++c) k[c] += source.Pixel(i + t % 2, j + t / 2)[c];
                    }
                    if (n == 0 || (scaled && mode == 2)) continue;
                    for (int32_t c = 0; c < 3; ++c) k[c] = n == 4 ? source.Pixel(i, j)[c] : k[c] / n;
                    MergeExpected(mode, scaled, k, in(i, j) ? source.Pixel(i, j)[3] : 0, expected.Pixel(12 + i, 8 + j));
                }
            }
            EXPECT_EQ(frame.bytes, expected.bytes) << "scaled " << scaled << " mode " << mode;
        }
    }
}

// A draw into a view of the frame whose borders cut the footprint changes
// exactly the view's part of what the uncut draw changes (an integer
// centre keeps the two set-ups alike).
TEST(RotatedDrawing, ClippedFootprintIsTheUncutDrawsPart) {
    std::mt19937 rng(11);
    Frame source = RandomFrame(rng, 13, 9, 4, 0);
    ImageDesc src = source.Desc();
    const Frame before = RandomFrame(rng, 60, 60, 4, 0);
    for (int32_t run = 0; run < 36; ++run) {  // twelve trials of each of three kinds of draw
        const int32_t trial = run / 3, kind = run % 3;
        const float angle = static_cast<float>(trial) * 0.55f, vscale = 0.5f + 0.1f * static_cast<float>(trial);
        const auto draw = [&](uint8_t* data, int32_t w, int32_t h, float cx, float cy) {
            ScopedInstructionSetLevel level(3);
            if (kind == 0) CImageARGB(data, w, h, 240, 4).DrawRotatedImage(&src, 0, cx, cy, 26.0f, 18.0f, angle, 200);
            if (kind == 1) CImageARGB(data, w, h, 240, 4).DrawRotatedImageScaled(&src, 7, cx, cy, 26.0f, 18.0f, vscale, angle, 200);
            if (kind == 2) CImageAYUV(data, w, h, 240, 4).DrawRotatedImageScaled(&src, 0, cx, cy, 26.0f, 18.0f, vscale, angle, 200);
        };
        Frame whole = before;
        draw(whole.bytes.data(), 60, 60, 30.0f, 30.0f);
        for (const auto [x, y, w, h] : {std::array{25, 22, 20, 30}, {0, 31, 60, 7}, {33, 0, 5, 60}, {15, 15, 31, 31}}) {
            Frame cut = before, expected = before;
            draw(cut.Pixel(x, y), w, h, 30.0f - static_cast<float>(x), 30.0f - static_cast<float>(y));
            for (int32_t row = y; row < y + h; ++row) std::copy_n(whole.Pixel(x, row), 4 * w, expected.Pixel(x, row));
            EXPECT_EQ(cut.bytes, expected.bytes) << trial << " kind " << kind << " view " << x << "," << y;
        }
    }
}

// DrawImage against its recipe: the visible part of the rectangle gets the
// matching share of the source resized to its size, merged by the mode's
// blend. Rectangles inside, out at the top left, out at the bottom right,
// and larger than the image.
TEST(ArgbDrawImage, ResizedShareMergedByTheModesBlend) {
    std::mt19937 rng(10);
    Frame source = RandomFrame(rng, 30, 24, 4, 4);
    ImageDesc src = source.Desc();
    const auto share = [](int32_t offset, int32_t size, int32_t sourceSize) {
        return static_cast<int32_t>(static_cast<float>(offset) / static_cast<float>(size) * static_cast<float>(sourceSize));
    };
    struct Placement { int32_t x, y, w, h; };
    for (const Placement& p : {Placement{5, 6, 30, 30}, Placement{-10, -10, 30, 30},
                               Placement{25, 30, 30, 24}, Placement{-10, -7, 60, 55}}) {
        for (int32_t mode : {0, 1, 7, 8, 3}) {
            const Frame before = RandomFrame(rng, 40, 40, 4, 4);
            Frame frame = before, expected = before;
            ImageAt(0, frame).DrawImage(&src, mode, float(p.x) + (p.x < 0 ? -0.7f : 0.7f), float(p.y), float(p.w) + 0.9f, float(p.h), 120);
            CImageARGB target = ImageAt(0, expected), whole = ImageAt(0, source);
            ImageDesc visible, part;
            ASSERT_EQ(target.GetRegionDesc(&visible, p.x, p.y, p.w, p.h), 1);
            whole.GetRegionDesc(&part, share(std::max(0, -p.x), p.w, 30), share(std::max(0, -p.y), p.h, 24),
                                share(visible.width, p.w, 30), share(visible.height, p.h, 24));
            Frame scaled = RandomFrame(rng, visible.width, visible.height, 4, 0);
            ImageDesc scaledDesc = scaled.Desc();
            CImageARGB(part.data, part.width, part.height, part.stride, 4).ResizeTo(&scaledDesc, 0);
            target.AttachBuffer(visible.data, visible.width, visible.height, visible.stride);
            if (mode == 0) target.AlphaBlend(&scaledDesc, 120);
            if (mode == 1) target.AdditiveBlend(&scaledDesc, 120);
            if (mode == 7 || mode == 8) target.AlphaComposite(&scaledDesc, 120);
            if (mode == 3) target.FillColorKeepAlpha(255, 0, 0);
            if (mode == 3 || mode == 8) target.SetAlpha(255);
            EXPECT_EQ(frame.bytes, expected.bytes) << p.x << " " << p.y << " mode " << mode;
            EXPECT_NE(frame.bytes, before.bytes);
        }
    }
}

}  // namespace
