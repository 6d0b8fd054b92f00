// Single-colour conversions, the packed pair conversions and Clamp.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>

#include "test_support.h"
#include "core/CImageUtility.h"
#include "services/ColourConversion.h"

using namespace VelImageUtility;
using ::testing::PrintToString;

namespace {

using Triple = std::array<int32_t, 3>;
using Vector = std::array<uint8_t, 16>;

// One of the three-in, three-out conversions, on bytes or on 32-bit values.
template <class T>
Triple Call(void (ICImageUtility::*op)(T, T, T, T*, T*, T*), const Triple& in) {
    CImageUtility utility;
    T out[3] = {};
    (utility.*op)(static_cast<T>(in[0]), static_cast<T>(in[1]), static_cast<T>(in[2]), &out[0], &out[1],
                  &out[2]);
    return {out[0], out[1], out[2]};
}

Vector Packed(void (ICImageUtility::*op)(__m128i, __m128i*), const Vector& in) {
    CImageUtility utility;
    __m128i vector, result;
    std::memcpy(&vector, in.data(), 16);
    (utility.*op)(vector, &result);
    Vector out;
    std::memcpy(out.data(), &result, 16);
    return out;
}

TEST(ColourConversion, Examples) {
    const auto toHsl = &ICImageUtility::ConvertRGBToHSL, fromHsl = &ICImageUtility::ConvertHSLToRGB;
    const std::tuple<decltype(toHsl), Triple, Triple> hslCases[] = {
        {toHsl, {255, 0, 0}, {0, 255, 127}},        {toHsl, {0, 255, 0}, {85, 255, 127}},
        {toHsl, {0, 0, 255}, {170, 255, 127}},      {toHsl, {255, 255, 255}, {170, 0, 255}},
        {toHsl, {0, 0, 0}, {170, 0, 0}},            {toHsl, {128, 128, 128}, {170, 0, 128}},
        {toHsl, {255, 255, 0}, {42, 255, 127}},     {toHsl, {255, 0, 255}, {213, 255, 127}},
        {toHsl, {200, 100, 50}, {14, 153, 125}},    {toHsl, {10, 20, 30}, {149, 127, 20}},
        {toHsl, {1, 0, 0}, {0, 255, 0}},            {toHsl, {254, 255, 255}, {127, 255, 255}},
        {fromHsl, {0, 255, 127}, {253, 0, 0}},      {fromHsl, {85, 255, 127}, {2, 253, 0}},
        {fromHsl, {170, 255, 127}, {0, 4, 253}},    {fromHsl, {0, 0, 255}, {254, 254, 254}},
        {fromHsl, {99, 0, 128}, {127, 127, 127}},   {fromHsl, {0, 0, 0}, {0, 0, 0}},
        {fromHsl, {42, 128, 200}, {227, 226, 171}}, {fromHsl, {200, 50, 60}, {64, 48, 71}},
        {fromHsl, {255, 255, 127}, {253, 0, 6}},    {fromHsl, {0, 255, 255}, {255, 253, 253}},
    };
    for (const auto& [op, in, out] : hslCases) EXPECT_EQ(Call(op, in), out) << PrintToString(in);

    // None of the YUV conversions clamps.
    const auto toYuv = &ICImageUtility::ConvertRGBToYUV, fromYuv = &ICImageUtility::ConvertYUVToRGB;
    const auto noOffset = &ICImageUtility::ConvertRGBToYUVNoOffset;
    const std::tuple<decltype(toYuv), Triple, Triple> yuvCases[] = {
        {toYuv, {0, 0, 0}, {16, 128, 128}},          {toYuv, {255, 255, 255}, {235, 128, 128}},
        {toYuv, {255, 0, 0}, {82, 90, 240}},         {toYuv, {0, 255, 0}, {144, 54, 34}},
        {toYuv, {0, 0, 255}, {41, 240, 110}},        {toYuv, {1000, -5, 3}, {271, -17, 569}},
        {noOffset, {0, 0, 0}, {0, 0, 0}},            {noOffset, {255, 255, 255}, {219, 0, 0}},
        {noOffset, {255, 0, 0}, {66, -38, 112}},     {noOffset, {0, 255, 0}, {128, -74, -94}},
        {noOffset, {0, 0, 255}, {25, 112, -18}},     {noOffset, {1000, -5, 3}, {255, -145, 441}},
        {fromYuv, {16, 128, 128}, {0, 0, 0}},        {fromYuv, {235, 128, 128}, {255, 255, 255}},
        {fromYuv, {255, 128, 255}, {481, 175, 278}}, {fromYuv, {0, 0, 0}, {-223, 136, -277}},
        {fromYuv, {81, 90, 240}, {254, -1, -1}},
    };
    for (const auto& [op, in, out] : yuvCases) EXPECT_EQ(Call(op, in), out) << PrintToString(in);
}

TEST(ColourConversion, PackedFormsGiveAlphaZeroAndZeroHighHalf) {
    // Opaque white and transparent red, then 8 bytes that must be ignored.
    EXPECT_EQ(Packed(&ICImageUtility::ConvertRGBToYUVPacked,
                     {255, 255, 255, 255, 0, 0, 255, 0, 9, 9, 9, 9, 9, 9, 9, 9}),
              (Vector{128, 128, 235, 0, 240, 90, 82, 0}));
    // Y 255 with V 255 gives red 481, clamped to 255; the rest as the scalar form.
    EXPECT_EQ(Packed(&ICImageUtility::ConvertYUVToRGBPacked,
                     {255, 128, 255, 200, 128, 128, 16, 7, 1, 2, 3, 4, 5, 6, 7, 8}),
              (Vector{255, 175, 255, 0, 0, 0, 0, 0}));
}

// Every triple of bytes 2, 1, 0, two pixels per call, through both packed
// forms against the scalar ones (clamped for RGB); alphas and the ignored
// high half vary with the triple. The luma byte of every colour is its Y.
TEST(ColourConversion, PackedFormsAndLumaMatchScalarForEveryTriple) {
    CImageUtility utility;
    for (int32_t byte2 = 0; byte2 < 256; byte2 += test::kRedStep) {
        for (int32_t low = 0; low < 65536; low += 2) {
            Vector in, yuv{}, rgb{};
            for (int32_t i = 0; i < 16; ++i) in[i] = static_cast<uint8_t>(low * 7 + byte2 + i);
            for (int32_t p = 0; p < 2; ++p) {
                const int32_t byte1 = (low + p) >> 8, byte0 = (low + p) & 0xFF;
                in[4 * p] = static_cast<uint8_t>(byte0);
                in[4 * p + 1] = static_cast<uint8_t>(byte1);
                in[4 * p + 2] = static_cast<uint8_t>(byte2);
                const YuvValues y = RgbToYuv(byte2, byte1, byte0);
                const RgbValues r = YuvToRgb(byte2, byte1, byte0);
                const int32_t want[2][3] = {{y.v, y.u, y.y}, {r.b, r.g, r.r}};
                uint8_t luma = 0;
                utility.ConvertRGBToLuma(in[4 * p + 2], in[4 * p + 1], in[4 * p], &luma);
                ASSERT_EQ(luma, y.y) << byte2 << " " << low + p;
                for (int32_t i = 0; i < 3; ++i) {
                    yuv[4 * p + i] = static_cast<uint8_t>(want[0][i]);
                    rgb[4 * p + i] = static_cast<uint8_t>(Clamp(want[1][i], 0, 255));
                }
            }
            ASSERT_EQ(Packed(&ICImageUtility::ConvertRGBToYUVPacked, in), yuv) << byte2 << " " << low;
            ASSERT_EQ(Packed(&ICImageUtility::ConvertYUVToRGBPacked, in), rgb) << byte2 << " " << low;
        }
    }
}

TEST(Clamp, BoundsAndInvertedRange) {
    const int32_t cases[][4] = {
        {40, 0, 30, 30}, {-5, 0, 30, 0}, {7, 10, 5, 10}, {12, 10, 5, 10}, {12, 0, 30, 12},
        {INT32_MIN, INT32_MIN, 0, INT32_MIN}, {INT32_MAX, 0, INT32_MAX, INT32_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(Clamp(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1];
}

}  // namespace
