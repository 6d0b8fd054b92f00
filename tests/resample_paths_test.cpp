#include <gtest/gtest.h>

#include <random>

#include "resample/Resample.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// Exact halving and doubling, on one axis or both, take shortcuts that must
// give the bytes of the general rules: mode 0 those of the plain row, mode 2
// every sample averaged afresh. Sources start at (1, 2) with padded strides.
TEST(ResizePaths, HalvingAndDoublingGiveTheBytesOfTheGeneralRules) {
    const int32_t shapes[][4] = {{2, 2, 1, 1},  {18, 10, 9, 5}, {40, 6, 20, 3}, {10, 3, 5, 7},  {9, 22, 4, 11},
                                 {2, 2, 4, 4},  {3, 5, 6, 10},  {9, 4, 18, 8},  {5, 9, 10, 5},  {7, 2, 13, 4},
                                 {12, 8, 24, 4}, {16, 6, 8, 12}};
    std::mt19937 random(31);
    auto position = [](int64_t i, int64_t source, int64_t size) {  // in 1/128 source pixel
        const int64_t p = 256 * i * source / size;
        return (p >> 8) == source - 1 ? 128 * (source - 1) - 1 : p >> 1;
    };
    for (const auto& s : shapes) {
        Frame source = RandomFrame(random, s[0] + 1, s[1] + 2, 4, 8);
        for (int32_t mode : {0, 2}) {
            Frame actual{Bytes(size_t(4 * s[2] + 12) * s[3], 0xEE), s[2], s[3], 4, 4 * s[2] + 12}, expected = actual;
            ResampleContext context;
            InitResampler(&context);
            (mode == 0 ? ResampleBilinear : ResampleBoxAverage)(&context, source.bytes.data(), 1, 2, s[0], s[1], source.stride,
                                                                actual.bytes.data(), 0, 0, s[2], s[3], actual.stride);
            if (mode == 0) {
                ResampleBilinearWithRow(ResampleBilinearRow_Plain, &context, source.bytes.data(), 1, 2, s[0], s[1],
                                        source.stride, expected.bytes.data(), 0, 0, s[2], s[3], expected.stride);
            }
            ReleaseResampler(&context);
            const int64_t stepX = (32 * s[0] + s[2] / 2) / s[2], stepY = (32 * s[1] + s[3] / 2) / s[3];
            for (int32_t i = 0; mode == 2 && i < 4 * s[2] * s[3]; ++i) {
                const int32_t x = i / 4 % s[2], y = i / 4 / s[2];
                const int64_t left = position(x, s[0], s[2]), top = position(y, s[1], s[3]);
                int32_t mean = 0;
                for (int32_t k = 0; k < 4; ++k) {
                    int32_t sum = 0;
                    for (int32_t j = 0; j < 4; ++j)
                        sum += source.Pixel(1 + int32_t((left + j * stepX) >> 7), 2 + int32_t((top + k * stepY) >> 7))[i % 4];
                    mean += sum >> 2;
                }
                expected.Pixel(x, y)[i % 4] = uint8_t(mean >> 2);
                if (x == 0) std::fill_n(expected.Pixel(s[2], y), 12, 0);  // mode 2 clears the row padding
            }
            ASSERT_EQ(actual.bytes, expected.bytes) << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3] << " mode " << mode;
        }
    }
}

}  // namespace
