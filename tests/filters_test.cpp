// Blurs, selection and median, colour key and gradient, and the ARGB
// neighbourhood filters.

#include "services/FilterServices.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// A service run from `src` into `dst` by an image at `level`.
using Service = std::function<void(CImageUtility&, Frame& dst, Frame& src)>;

Frame RunService(const Service& service, int32_t level, Frame src, Frame dst) {
    CImageARGB image = ImageAt(level, src);
    service(image, dst, src);
    return dst;
}

// A blur service of (destination, source, size, strides, radius): a member or a free function.
template <class Blur>
Service Rows(Blur blur, int32_t radius) {
    return [=](CImageUtility& u, Frame& d, Frame& s) {
        if constexpr (std::is_member_function_pointer_v<Blur>)
            (u.*blur)(d.bytes.data(), s.bytes.data(), s.width, s.height, d.stride, s.stride, radius);
        else
            blur(d.bytes.data(), s.bytes.data(), s.width, s.height, d.stride, s.stride, radius);
    };
}
Service Box(int32_t radius) { return Rows(&CImageUtility::BoxBlur, radius); }
Service OpaqueBox(int32_t radius) { return Rows(&CImageUtility::BoxBlurAlphaWeighted, radius); }
Service Gaussian(int32_t radius) {
    return [=](CImageUtility& u, Frame& d, Frame& s) {
        u.GaussianBlur(radius, s.bytes.data(), d.bytes.data(), s.width, s.height, s.stride, d.stride);
    };
}
// Packed rows only: ZoomBlur does not use the strides.
Service Zoom(int32_t steps) { return Rows(&CImageUtility::ZoomBlur, steps); }

// The ARGB box blur service and the Byte blur in place: the radius is first
// limited to fit the image (`used`); a radius below 1 (-1 in `used`) leaves
// the image, the service copying it with its alpha. A 4200-wide window of
// 255 sums past 32 bits; its mean must stay 255.
TEST(BoxBlurs, AreTheClippedWindowMeans) {
    std::mt19937 rng(1);
    const struct { bool byte; int32_t width, height, radius, used; } cases[] = {
        {false, 7, 5, 1, 1},  {false, 9, 9, 3, 3},   {false, 3, 3, 5, 1},   {false, 8, 3, 2, 1},  {false, 1, 4, 9, 0},
        {false, 3, 2, 0, -1}, {false, 3, 2, -3, -1}, {true, 7, 5, 2, 2},    {true, 9, 9, 4, 4},   {true, 12, 11, 3, 3},
        {true, 5, 100, 10, 2}, {true, 120, 90, 20, 20}, {true, 2, 2, 5, -1}, {true, 6, 4, -3, -1}, {true, 1, 1, 1, -1},
        {true, 6, 1, 2, -1},  {true, 1, 6, 1, -1}};
    for (const auto& c : cases) {
        const Frame before = RandomFrame(rng, c.width, c.height, c.byte ? 1 : 4, c.byte ? 0 : 8);
        Frame out = RandomFrame(rng, c.width, c.height, 4, 4), result = c.byte ? before : out;
        if (c.byte) ImageAt<CImageByte>(kPlainLevel, result).BoxBlurInPlace(c.radius);
        if (!c.byte) result = RunService(Box(c.radius), kPlainLevel, before, out);
        Frame expected = c.used < 0 ? before : WindowMeans(before, c.used);
        for (int32_t y = 0; y < c.height; ++y) {
            EXPECT_TRUE(std::equal(result.Pixel(0, y), result.Pixel(c.width, y), expected.Pixel(0, y)))
                << c.byte << ": " << c.width << " x " << c.height << " r " << c.radius;
        }
        EXPECT_TRUE(result.PaddingEquals(c.byte ? before : out));
    }
    Bytes white(4200u * 4200u, 255);
    ByteImageAt(kPlainLevel, white.data(), 4200, 4200, 4200).BoxBlurInPlace(2100);
    EXPECT_EQ(white, Bytes(white.size(), 255));
    // The alpha-weighted blur: a single opaque pixel spreads its colour, with its alpha over the area.
    Frame src = Uniform(7, 6, 0x00FFFFFFu);  // transparent white must not count
    SetPixel(src, 3, 2, 0xFF1E140Au);
    Frame out = RunService(OpaqueBox(1), kPlainLevel, src, Uniform(7, 6, 0x55555555u, 8));
    for (int32_t i = 0; i < 42; ++i)  // 255 / 9 = 28
        EXPECT_EQ(PixelAt(out, i % 7, i / 7), std::abs(i % 7 - 3) < 2 && std::abs(i / 7 - 2) < 2 ? 0x1C1E140Au : 0u) << i;
    EXPECT_EQ(RunService(OpaqueBox(0), kPlainLevel, src, Uniform(7, 6, 7)).bytes, Uniform(7, 6, 7).bytes);
}

TEST(ZoomBlur, StepsAverageTheEnlargedImages) {
    Frame white = Uniform(9, 7, 0x33FFFFFFu), before = Uniform(9, 7, 0xAB000000u);
    // (21845 * 765) >> 16; the destination's alpha stays.
    EXPECT_EQ(PixelAt(white = RunService(Zoom(3), kPlainLevel, white, before), 4, 3), 0xABFEFEFEu);
    std::mt19937 rng(3);
    Frame src = RandomFrame(rng, 9, 7, 4, 0);
    Frame one = RunService(Zoom(1), kPlainLevel, src, before);  // colour copied, alpha left
    for (int32_t i = 0; i < 63; ++i)
        EXPECT_EQ(PixelAt(one, i % 9, i / 9), (PixelAt(src, i % 9, i / 9) & 0xFFFFFFu) | 0xAB000000u);
    EXPECT_EQ(RunService(Zoom(40), kPlainLevel, src, before).bytes, RunService(Zoom(30), kPlainLevel, src, before).bytes);
    for (int32_t steps : {0, -2}) EXPECT_EQ(RunService(Zoom(steps), kPlainLevel, src, before).bytes, src.bytes);
    // 2 x 4, steps 2: step 1 samples the image enlarged to 4 x 8, centred
    // (offset 2 rows, half scale), so row y also reads row (y + 2) / 2.
    Frame rows = Uniform(2, 4, 0), averaged = Uniform(2, 4, 0);
    for (int32_t y = 0; y < 4; ++y) SetPixel(rows, 0, y, 0x0A0A0Au * (y + 1)), SetPixel(rows, 1, y, 0x0A0A0Au * (y + 1));
    averaged = RunService(Zoom(2), kPlainLevel, rows, averaged);
    for (auto [y, value] : {std::pair{0, 15u}, {1, 20u}, {2, 30u}, {3, 35u}})
        EXPECT_EQ(PixelAt(averaged, 1, y), 0x010101u * value) << y;
}

// Radius 24: the weights add up to 32762, and rows of 7 and 8 give the
// middle row the exact half 7.5, which every vector tier rounds to the even 8.
TEST(GaussianBlur, VectorTiersRoundAnExactHalfToEven) {
    Frame rows = Uniform(56, 49, 0x07070707u);
    for (int32_t y : {2, 4, 5, 8, 9, 11, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24})
        for (int32_t x = 0; x < 56; ++x) SetPixel(rows, x, y, 0x08080808u);
    for (VectorTier tier : {VectorTier::Sse2, VectorTier::Avx2}) {
        ScopedVectorTier scoped(tier);
        Frame out = RunService(Gaussian(24), kSse2Level, rows, Uniform(56, 49, 0));
        for (int32_t x = 0; x < 56; ++x) EXPECT_EQ(PixelAt(out, x, 24), 0x01080808u) << x;
    }
}

// Radius 0 copies. The weights add up to just under 32768, so each plain
// >> 15 may leave a flat colour one or two lower; alpha is 0 on the plain
// level, 1 on SSE2. A lone bright pixel spreads evenly about itself.
TEST(GaussianBlur, ExamplesAtBothLevels) {
    std::mt19937 rng(6);
    Frame src = RandomFrame(rng, 6, 5, 4, 4), impulse = Uniform(9, 9, 0);
    SetPixel(impulse, 4, 4, 0x00FFFFFFu);
    for (int32_t level : {kPlainLevel, kSse2Level}) {
        Frame copy = RunService(Gaussian(0), level, src, Uniform(6, 5, 0, 4));
        for (int32_t i = 0; i < 30; ++i) EXPECT_EQ(PixelAt(copy, i % 6, i / 6), PixelAt(src, i % 6, i / 6));
        Frame flat = RunService(Gaussian(2), level, Uniform(6, 5, 0xFF647850u), Uniform(6, 5, 0));
        const int32_t colour[4] = {0x50, 0x78, 0x64, level == kPlainLevel ? 0 : 1};
        for (int32_t i = 0; i < 120; ++i) {
            const int32_t lower = colour[i % 4] - flat.bytes[i];
            EXPECT_TRUE(lower >= 0 && lower <= (level == kPlainLevel && i % 4 < 3 ? 2 : 0)) << i;
        }
        Frame out = RunService(Gaussian(2), level, impulse, Uniform(9, 9, 0));
        for (int32_t k = 1; k <= 4; ++k) {
            EXPECT_EQ(PixelAt(out, 4, 4 - k), PixelAt(out, 4, 4 + k)) << level << " " << k;
            EXPECT_EQ(PixelAt(out, 4 - k, 4), PixelAt(out, 4 + k, 4)) << level << " " << k;
        }
        EXPECT_GT(PixelAt(out, 4, 4) & 0xFF, PixelAt(out, 4, 3) & 0xFF);
    }
    // Alpha-weighted: transparent pixels do not count, and alpha falls off at the borders.
    src = Uniform(9, 9, 0xFF204060u);
    SetPixel(src, 4, 4, 0x00FFFFFFu);
    Frame dst = Uniform(9, 9, 0);
    CImageARGB image = ImageAt(kPlainLevel, src);
    image.GaussianBlurAlphaWeighted(2, src.bytes.data(), dst.bytes.data(), 9, 9, 0, 0);
    EXPECT_EQ(PixelAt(dst, 4, 4) & 0xFFFFFFu, 0x204060u);  // colour of the opaque neighbours only
    EXPECT_LT(dst.Pixel(0, 0)[3], dst.Pixel(4, 2)[3]);
    image.GaussianBlurAlphaWeighted(10, src.bytes.data(), dst.bytes.data(), 9, 9, 0, 0);  // too wide: a copy
    EXPECT_EQ(dst.bytes, src.bytes);
}

TEST(SelectKth, ReturnsTheKthSmallestOfAnyListAndMedianFilterUsesIt) {
    CImageUtility utility;
    std::mt19937 rng(8);
    for (int32_t count : {1, 2, 2, 3, 5, 10, 100, 4000}) {
        std::vector<uint32_t> values(count), lower(count), upper(count);
        for (uint32_t& v : values) v = rng() % (count / 2 + 2);  // many equal values
        std::vector<uint32_t> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const int32_t k = static_cast<int32_t>(rng() % count);
        EXPECT_EQ(utility.SelectKth(values.data(), count, k, lower.data(), upper.data()), sorted[k]) << count;
    }
    std::vector<uint32_t> values{1, 2};
    EXPECT_EQ(utility.SelectKth(values.data(), 2, 2, values.data(), values.data()), 0u);  // k out of range
    // The median filter built on it removes specks and fits its window to the image.
    Frame dark = Uniform(6, 5, 0xFF101010u), dst = Uniform(6, 5, 0x99999999u, 4);
    SetPixel(dark, 2, 2, 0xFFFFFFFFu);
    EXPECT_EQ(utility.MedianFilter(3, dark.bytes.data(), dst.bytes.data(), 6, 5, dark.stride, dst.stride), VIU_S_OK);
    EXPECT_EQ(dst.bytes, Uniform(6, 5, 0x00101010u, 4).bytes);  // padding kept
    Frame src = RandomFrame(rng, 5, 4, 4, 0), one = Uniform(5, 4, 0);
    EXPECT_EQ(utility.MedianFilter(1, src.bytes.data(), one.bytes.data(), 5, 4, 20, 20), VIU_S_OK);
    for (int32_t i = 0; i < 20; ++i) EXPECT_EQ(PixelAt(one, i % 5, i / 5), PixelAt(src, i % 5, i / 5) & 0xFFFFFFu);
    Frame fitted = Uniform(5, 4, 0), huge = Uniform(5, 4, 0);  // a window larger than the image fits it
    utility.MedianFilter(4, src.bytes.data(), fitted.bytes.data(), 5, 4, 20, 20);
    EXPECT_EQ(utility.MedianFilter(1000000, src.bytes.data(), huge.bytes.data(), 5, 4, 20, 20), VIU_S_OK);
    EXPECT_EQ(huge.bytes, fitted.bytes);
}

TEST(ColourKey, AlphaCountsTheSamplesThatDifferFromTheKey) {
    // Key red 0x10, green 0x20, blue 0x30; tolerance 4.
    const uint32_t key = 0x302010u, alike = 0xFF122231u, unlike = 0xFF502030u;
    const struct { uint32_t pixels[4]; uint8_t alpha; } cases[] = {  // self, right, below, below right
        {{alike, alike, alike, alike}, 0}, {{alike, unlike, alike, alike}, 64}, {{unlike, alike, unlike, alike}, 128},
        {{unlike, unlike, unlike, unlike}, 255}, {{alike & 0xFFFFFF, unlike, unlike, unlike}, 0}};
    CImageUtility utility;
    const SIZE size{2, 2};
    for (const auto& c : cases) {
        Frame image = Uniform(2, 2, 0);
        for (int32_t p = 0; p < 4; ++p) SetPixel(image, p % 2, p / 2, c.pixels[p]);
        utility.SetAlphaFromColorKey(image.bytes.data(), &size, key, 4);
        EXPECT_EQ(image.Pixel(0, 0)[3], c.alpha);
        EXPECT_EQ(PixelAt(image, 0, 0) & 0xFFFFFF, c.pixels[0] & 0xFFFFFF);
    }
}

TEST(FillGradient, CornersFollowTheDirection) {
    CImageUtility utility;
    const uint32_t a = 0x0000C8u, b = 0x640000u;  // red 200; blue 100
    const SIZE size{5, 5};
    const RECT rect{0, 0, 4, 4};
    auto fill = [&](int32_t direction, uint32_t first, uint32_t second) {
        Frame image = Uniform(5, 5, 0xFF000000u);
        SetPixel(image, 2, 2, 0x00ABCDEFu);  // transparent: left alone
        utility.FillGradient(image.bytes.data(), &size, &rect, direction, first, second);
        return image;
    };
    Frame down = fill(1, a, b), diagonal = fill(4, a, b);
    // A at the top, B at the bottom.
    EXPECT_EQ((std::vector<uint32_t>{PixelAt(down, 0, 0), PixelAt(down, 4, 4), PixelAt(down, 3, 2), PixelAt(down, 2, 2)}),
              (std::vector<uint32_t>{0xFFC80000u, 0xFF000064u, 0xFF640032u, 0x00ABCDEFu}));
    EXPECT_EQ(fill(0, b, a).bytes, down.bytes);
    // B top-left, mid elsewhere on the cross diagonal, A bottom-right.
    EXPECT_EQ((std::vector<uint32_t>{PixelAt(diagonal, 0, 0), PixelAt(diagonal, 4, 0), PixelAt(diagonal, 4, 4)}),
              (std::vector<uint32_t>{0xFF000064u, 0xFF640032u, 0xFFC80000u}));
}

TEST(ArgbNeighbourhood, EmbossAndGradientMagnitude) {
    Frame image = Uniform(5, 4, 0xFF101010u, 8);  // luma 16 on the left, 235 from column 3
    for (int32_t y = 0; y < 4; ++y) SetPixel(image, 3, y, 0xFFFFFFFFu), SetPixel(image, 4, y, 0xFFFFFFFFu);
    CImageARGB argb = ImageAt(kPlainLevel, image);
    Bytes plane(20, 7);
    ImageDesc planeDesc = PlaneDesc(plane, 5, 4);
    argb.EmbossToPlane(&planeDesc, 3);  // toward the right
    EXPECT_EQ(plane, (Bytes{128, 128, 128, 128, 128, 128, 128, 255, 255, 128,  // the rim and the step's two columns
                            128, 128, 255, 255, 128, 128, 128, 128, 128, 128}));
    argb.EmbossToPlane(&planeDesc, 7);
    EXPECT_EQ(plane[7], 1);
    Frame flat = Uniform(4, 4, 0xFF506070u), out = Uniform(4, 4, 0x7F0A0B0Cu, 4);
    ImageDesc outDesc = out.Desc();
    ImageAt(kPlainLevel, flat).GradientMagnitude(&outDesc);
    EXPECT_EQ(out.bytes, Uniform(4, 4, 0x7F000000u, 4).bytes);  // padding kept
    Frame steps = Uniform(3, 3, 0);
    // Blue 255 across; green 3 across, 6 - 2 = 4 down, the centre itself 100.
    SetPixel(steps, 2, 1, 0x000003FFu), SetPixel(steps, 1, 2, 0x00000600u);
    SetPixel(steps, 1, 0, 0x00000200u), SetPixel(steps, 1, 1, 0x00006400u);
    Frame small = Uniform(3, 3, 0x7F000000u);
    ImageDesc smallDesc = small.Desc();
    ImageAt(kPlainLevel, steps).GradientMagnitude(&smallDesc);
    EXPECT_EQ(PixelAt(small, 1, 1), 0x7F0005FFu);
}

// Each blur of an image over itself, keeping only the rows still to be read,
// gives the bytes its service writes from a copy: rows land at their own
// stride, the padding stays. A third of the alphas are 0.
TEST(InPlaceBlurs, EqualTheServicesFromACopyLeavingThePadding) {
    std::mt19937 rng(31);
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1},  {1, 9},  {9, 1},  {2, 7},   {7, 5},
                                                 {13, 11}, {3, 40}, {40, 3}, {131, 130}};
    for (const auto& [width, height] : sizes) {
        Frame src = RandomFrame(rng, width, height, 4, 12);
        for (size_t i = 3; i < src.bytes.size(); i += 4) src.bytes[i] = src.bytes[i] % 3 ? src.bytes[i] : 0;
        for (int32_t r : {INT32_MIN, 0, 1, 2, 3, 5, 64}) {
            const std::pair<std::function<void(CImageARGB&)>, Service> blurs[] = {
                {[=](CImageARGB& i) { i.ApplyBoxBlur(r); }, Box(r)},
                {[=](CImageARGB& i) { AyuvOf(i).BoxBlurInPlace(r); }, Box(r)},
                {[=](CImageARGB& i) { i.ApplyBoxBlurAlphaWeighted(r); }, OpaqueBox(r)},
                {[=](CImageARGB& i) { i.ApplyGaussianBlur(r); }, Gaussian(r)},
                {[=](CImageARGB& i) { i.ApplyGaussianBlurAlphaWeighted(r); }, Rows(GaussianBlurAlphaWeightedRows, r)},
                {[=](CImageARGB& i) { i.ApplyZoomBlur(r); }, Rows(ZoomBlurRows, r)}};
            for (int32_t level : {kPlainLevel, kSse2Level}) {
                for (size_t b = 0; b < std::size(blurs); ++b) {
                    Frame image = src;
                    CImageARGB argb = ImageAt(level, image);
                    blurs[b].first(argb);
                    EXPECT_EQ(image.bytes, RunService(blurs[b].second, level, src, src).bytes)
                        << width << "x" << height << " r " << r << " level " << level << " blur " << b;
                }
            }
        }
    }
}

// A destination that is its own source changes rows the blurs still read.
// The result is not defined, but sums and counts that no longer agree must
// not take a blur outside its buffers or tables.
TEST(BlurServices, WithTheSourceAsDestinationStayInBounds) {
    std::mt19937 rng(37);
    for (VectorTier tier : {VectorTier::Sse2, VectorTier::Avx2}) {
        ScopedVectorTier held(tier);
        for (int32_t level : {kPlainLevel, kSse2Level}) {
            for (int32_t r : {1, 2, 5}) {
                for (const Service& blur : {Box(r), OpaqueBox(r)}) {
                    Frame frame = RandomFrame(rng, 37, 23, 4, 4);
                    for (size_t i = 3; i < frame.bytes.size(); i += 4) frame.bytes[i] &= frame.bytes[i] % 3 ? 0 : 255;
                    CImageARGB image = ImageAt(level, frame);
                    blur(image, frame, frame);
                }
            }
        }
    }
}

}  // namespace
