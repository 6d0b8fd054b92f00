// Single-colour conversions and Clamp; the packed forms are swept with the
// whole-image conversions (colour_argb_conversion_test.cpp).
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

// One of the three-in, three-out conversions, on bytes or on 32-bit values.
template <class T>
Triple Call(void (ICImageUtility::*op)(T, T, T, T*, T*, T*), const Triple& in) {
    CImageUtility utility;
    T out[3] = {};
    (utility.*op)(T(in[0]), T(in[1]), T(in[2]), &out[0], &out[1], &out[2]);
    return {out[0], out[1], out[2]};
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

TEST(Clamp, BoundsAndInvertedRange) {
    const int32_t cases[][4] = {
        {40, 0, 30, 30}, {-5, 0, 30, 0}, {7, 10, 5, 10}, {12, 10, 5, 10}, {12, 0, 30, 12},
        {INT32_MIN, INT32_MIN, 0, INT32_MIN}, {INT32_MAX, 0, INT32_MAX, INT32_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(Clamp(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1];
}

}  // namespace
