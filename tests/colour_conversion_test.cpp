// Single-colour conversions, the packed pair conversions and Clamp.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "colour_test_support.h"
#include "core/CImageUtility.h"
#include "services/ColourConversion.h"
#include "services/ColourConversion_sse2.h"

using namespace VelImageUtility;

namespace {

// Two pixels in, the 16 result bytes out.
void CallPacked(ICImageUtility* utility, bool toYuv, const uint8_t in[16], uint8_t out[16]) {
    __m128i vector;
    std::memcpy(&vector, in, 16);
    __m128i result;
    if (toYuv) {
        utility->ConvertRGBToYUVPacked(vector, &result);
    } else {
        utility->ConvertYUVToRGBPacked(vector, &result);
    }
    std::memcpy(out, &result, 16);
}

class ColourConversion : public ::testing::Test {
protected:
    void SetUp() override { utility = GetCImageUtility(); }
    void TearDown() override { ReleaseCImageUtility(utility); }

    ICImageUtility* utility = nullptr;
};

TEST_F(ColourConversion, RgbToHslExamples) {
    struct Case {
        uint8_t r, g, b, h, s, l;
    } cases[] = {
        {255, 0, 0, 0, 255, 127},     {0, 255, 0, 85, 255, 127},  {0, 0, 255, 170, 255, 127},
        {255, 255, 255, 170, 0, 255}, {0, 0, 0, 170, 0, 0},       {128, 128, 128, 170, 0, 128},
        {255, 255, 0, 42, 255, 127},  {255, 0, 255, 213, 255, 127}, {200, 100, 50, 14, 153, 125},
        {10, 20, 30, 149, 127, 20},   {1, 0, 0, 0, 255, 0},       {254, 255, 255, 127, 255, 255},
    };
    for (const Case& c : cases) {
        uint8_t h = 1, s = 1, l = 1;
        utility->ConvertRGBToHSL(c.r, c.g, c.b, &h, &s, &l);
        EXPECT_EQ((std::vector<int>{h, s, l}), (std::vector<int>{c.h, c.s, c.l}))
            << int{c.r} << "," << int{c.g} << "," << int{c.b};
    }
}

TEST_F(ColourConversion, HslToRgbExamples) {
    struct Case {
        uint8_t h, s, l, r, g, b;
    } cases[] = {
        {0, 255, 127, 253, 0, 0},     {85, 255, 127, 2, 253, 0},    {170, 255, 127, 0, 4, 253},
        {0, 0, 255, 254, 254, 254},   {99, 0, 128, 127, 127, 127},  {0, 0, 0, 0, 0, 0},
        {42, 128, 200, 227, 226, 171}, {200, 50, 60, 64, 48, 71},   {255, 255, 127, 253, 0, 6},
        {0, 255, 255, 255, 253, 253},
    };
    for (const Case& c : cases) {
        uint8_t r = 1, g = 1, b = 1;
        utility->ConvertHSLToRGB(c.h, c.s, c.l, &r, &g, &b);
        EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{c.r, c.g, c.b}))
            << int{c.h} << "," << int{c.s} << "," << int{c.l};
    }
    // With saturation 0 every component is (l x 256 x 255) / 65532.
    for (int l = 0; l < 256; ++l) {
        uint8_t r, g, b;
        utility->ConvertHSLToRGB(77, 0, static_cast<uint8_t>(l), &r, &g, &b);
        ASSERT_EQ(r, l * 256 * 255 / 65532);
        ASSERT_TRUE(g == r && b == r);
    }
}

TEST_F(ColourConversion, LumaAndYuvExamples) {
    struct Case {
        int32_t r, g, b, y, u, v, yNoOffset, uNoOffset, vNoOffset;
    } cases[] = {
        {0, 0, 0, 16, 128, 128, 0, 0, 0},       {255, 255, 255, 235, 128, 128, 219, 0, 0},
        {255, 0, 0, 82, 90, 240, 66, -38, 112}, {0, 255, 0, 144, 54, 34, 128, -74, -94},
        {0, 0, 255, 41, 240, 110, 25, 112, -18},
        {1000, -5, 3, 271, -17, 569, 255, -145, 441},  // no clamping
    };
    for (const Case& c : cases) {
        int32_t y, u, v;
        utility->ConvertRGBToYUV(c.r, c.g, c.b, &y, &u, &v);
        EXPECT_EQ((std::vector<int32_t>{y, u, v}), (std::vector<int32_t>{c.y, c.u, c.v}));
        utility->ConvertRGBToYUVNoOffset(c.r, c.g, c.b, &y, &u, &v);
        EXPECT_EQ((std::vector<int32_t>{y, u, v}),
                  (std::vector<int32_t>{c.yNoOffset, c.uNoOffset, c.vNoOffset}));
        if (c.r >= 0 && c.r <= 255 && c.g >= 0 && c.g <= 255 && c.b >= 0 && c.b <= 255) {
            uint8_t luma = 0;
            utility->ConvertRGBToLuma(static_cast<uint8_t>(c.r), static_cast<uint8_t>(c.g),
                                      static_cast<uint8_t>(c.b), &luma);
            EXPECT_EQ(luma, c.y);
        }
    }
}

TEST_F(ColourConversion, YuvToRgbExamplesAreNotClamped) {
    struct Case {
        int32_t y, u, v, r, g, b;
    } cases[] = {
        {16, 128, 128, 0, 0, 0},        {235, 128, 128, 255, 255, 255}, {255, 128, 255, 481, 175, 278},
        {0, 0, 0, -223, 136, -277},     {81, 90, 240, 254, -1, -1},
    };
    for (const Case& c : cases) {
        int32_t r, g, b;
        utility->ConvertYUVToRGB(c.y, c.u, c.v, &r, &g, &b);
        EXPECT_EQ((std::vector<int32_t>{r, g, b}), (std::vector<int32_t>{c.r, c.g, c.b}));
    }
}

TEST_F(ColourConversion, PackedFormsGiveAlphaZeroAndZeroHighHalf) {
    // Opaque white and transparent red, then 8 bytes that must be ignored.
    const uint8_t argb[16] = {255, 255, 255, 255, 0, 0, 255, 0, 9, 9, 9, 9, 9, 9, 9, 9};
    uint8_t out[16];
    CallPacked(utility, true, argb, out);
    const uint8_t ayuv[16] = {128, 128, 235, 0, 240, 90, 82, 0};
    EXPECT_EQ(0, std::memcmp(out, ayuv, 16));

    // Y 255 with V 255 gives red 481, clamped to 255; the rest as the scalar form.
    const uint8_t bright[16] = {255, 128, 255, 200, 128, 128, 16, 7, 1, 2, 3, 4, 5, 6, 7, 8};
    CallPacked(utility, false, bright, out);
    const uint8_t rgb[16] = {255, 175, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(out, rgb, 16));
}

// Every triple of bytes 2, 1, 0, two pixels per call, against `expected`
// (the four bytes of the scalar form); alphas and the ignored high half
// vary with the triple, the high half of the result must be zero.
template <class Expected>
void ExpectPackedMatchesForEveryTriple(ICImageUtility* utility, bool toYuv, Expected expected) {
    for (int32_t byte2 = 0; byte2 < 256; byte2 += colour_test::kRedStep) {
        for (int32_t low = 0; low < 65536; low += 2) {
            uint8_t in[16], out[16];
            for (int32_t i = 0; i < 16; ++i) in[i] = static_cast<uint8_t>(low * 7 + byte2 + i);
            for (int32_t p = 0; p < 2; ++p) {
                in[4 * p] = static_cast<uint8_t>(low + p);
                in[4 * p + 1] = static_cast<uint8_t>((low + p) >> 8);
                in[4 * p + 2] = static_cast<uint8_t>(byte2);
            }
            CallPacked(utility, toYuv, in, out);
            for (int32_t p = 0; p < 2; ++p) {
                const std::array<uint8_t, 4> want = expected(byte2, in[4 * p + 1], in[4 * p]);
                ASSERT_EQ(0, std::memcmp(out + 4 * p, want.data(), 4)) << byte2 << " " << low + p;
            }
            ASSERT_EQ(0, std::memcmp(out + 8, "\0\0\0\0\0\0\0\0", 8));
        }
    }
}

TEST_F(ColourConversion, PackedRgbToYuvMatchesScalarForEveryColour) {
    ExpectPackedMatchesForEveryTriple(utility, true, [](int32_t r, int32_t g, int32_t b) {
        const YuvValues yuv = RgbToYuv(r, g, b);
        return std::array<uint8_t, 4>{static_cast<uint8_t>(yuv.v), static_cast<uint8_t>(yuv.u),
                                      static_cast<uint8_t>(yuv.y), 0};
    });
}

TEST_F(ColourConversion, PackedYuvToRgbMatchesClampedScalarForEveryTriple) {
    ExpectPackedMatchesForEveryTriple(utility, false, [](int32_t y, int32_t u, int32_t v) {
        const RgbValues rgb = YuvToRgb(y, u, v);
        return std::array<uint8_t, 4>{static_cast<uint8_t>(Clamp(rgb.b, 0, 255)),
                                      static_cast<uint8_t>(Clamp(rgb.g, 0, 255)),
                                      static_cast<uint8_t>(Clamp(rgb.r, 0, 255)), 0};
    });
}

// The vector HSL rule does its divisions in single precision; every colour
// must still give the integer rule's full-scale values.
TEST(ColourConversionSse2, HslOfEveryColourMatchesIntegerRule) {
    for (int32_t red = 0; red < 256; red += colour_test::kRedStep) {
        for (int32_t greenBlue = 0; greenBlue < 65536; greenBlue += 4) {
            alignas(16) int32_t h[4], s[4], l[4];
            const __m128i pixels = _mm_add_epi32(_mm_set1_epi32(red << 16 | greenBlue | 0x5A000000),
                                                 _mm_setr_epi32(0, 1, 2, 3));
            const HslLanes lanes = ArgbToHsl4_Sse2(pixels);
            _mm_store_si128(reinterpret_cast<__m128i*>(h), lanes.h);
            _mm_store_si128(reinterpret_cast<__m128i*>(s), lanes.s);
            _mm_store_si128(reinterpret_cast<__m128i*>(l), lanes.l);
            for (int32_t i = 0; i < 4; ++i) {
                const int32_t colour = greenBlue + i;
                const HslValues expected = RgbToHslFullScale(red, colour >> 8, colour & 0xFF);
                ASSERT_TRUE(h[i] == expected.h && s[i] == expected.s && l[i] == expected.l)
                    << red << "," << (colour >> 8) << "," << (colour & 0xFF) << ": " << h[i] << ","
                    << s[i] << "," << l[i] << " instead of " << expected.h << "," << expected.s << ","
                    << expected.l;
            }
        }
    }
}

TEST(Clamp, BoundsAndInvertedRange) {
    struct Case {
        int32_t x, lo, hi, result;
    } cases[] = {
        {40, 0, 30, 30}, {-5, 0, 30, 0}, {7, 10, 5, 10}, {12, 0, 30, 12},
        {INT32_MIN, INT32_MIN, 0, INT32_MIN}, {INT32_MAX, 0, INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(Clamp(c.x, c.lo, c.hi), c.result) << c.x;
}

TEST_F(ColourConversion, ReservedEntriesOnlyCheckPointers) {
    uint8_t a = 1, b = 2;
    utility->ReservedA(&a, 1, 2, 3, &b, 4, 5, 6);
    utility->ReservedA(nullptr, 0, 0, 0, nullptr, 0, 0, 0);
    EXPECT_EQ(a + b, 3);
    EXPECT_EQ(utility->ReservedB(&a, 1, 2, 3, &b, 4), VIU_S_OK);
    EXPECT_EQ(utility->ReservedB(nullptr, 1, 2, 3, &b, 4), VIU_E_INVALIDARG);
    EXPECT_EQ(utility->ReservedB(&a, 1, 2, 3, nullptr, 4), VIU_E_INVALIDARG);
}

// The typed interfaces reach the same code through their own tables.
TEST(ColourConversionThroughTypedImages, SameResultsAsUtility) {
    ICImageARGB* argb = GetCImageARGB();
    ICImageByte* byte = GetCImageByte();
    uint8_t h = 0, s = 0, l = 0;
    argb->ConvertRGBToHSL(0, 255, 0, &h, &s, &l);
    EXPECT_EQ((std::vector<int>{h, s, l}), (std::vector<int>{85, 255, 127}));
    int32_t y, u, v;
    byte->ConvertRGBToYUV(255, 255, 255, &y, &u, &v);
    EXPECT_EQ((std::vector<int32_t>{y, u, v}), (std::vector<int32_t>{235, 128, 128}));
    ReleaseCImageARGB(argb);
    ReleaseCImageByte(byte);
}

}  // namespace
