#include <gtest/gtest.h>

#include <vector>

#include "io/PixelRows.h"

using namespace VelImageUtility;

namespace {

using Pixels = std::vector<uint8_t>;

TEST(IoPixelRows, EachRowRuleStopsAtTheRowEndAndRoundsAsStated) {
    // Red and blue swap into another row or in place; the bytes after the
    // two pixels stay as they were.
    Pixels row = {1, 2, 3, 4, 5, 6, 7, 8, 0xEE, 0xEE, 0xEE, 0xEE}, copy(12, 0xEE);
    SwapRedBlueRow(copy.data(), row.data(), 2);
    SwapRedBlueRow(row.data(), row.data(), 2);
    EXPECT_EQ(row, (Pixels{3, 2, 1, 4, 7, 6, 5, 8, 0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(copy, row);
    // 130 * 200 / 255 = 101.96 -> 101: premultiplying truncates.
    Pixels premultiply = {130, 255, 0, 200, 255, 255, 255, 1, 0xEE};
    PremultiplyRow(premultiply.data(), 2);
    EXPECT_EQ(premultiply, (Pixels{101, 200, 0, 200, 1, 1, 1, 1, 0xEE}));
    // (1 * 255 + 1) / 2 = 128: unpremultiplying rounds, saturates and gives
    // 0 at alpha 0; alpha 255 leaves colour alone.
    Pixels unpremultiply = {1, 200, 0, 2, 9, 9, 9, 0, 10, 20, 30, 255, 0xEE};
    UnpremultiplyRow(unpremultiply.data(), 3);
    EXPECT_EQ(unpremultiply, (Pixels{128, 255, 0, 2, 0, 0, 0, 0, 10, 20, 30, 255, 0xEE}));
    // Inks C 0, M 255, Y 51, K 102, stored plain or inverted: R = 255 * 153
    // / 255 = 153, G = 0, B = 204 * 153 / 255 = 122.4 -> 122.
    Pixels plain = {0, 255, 51, 102, 0xEE}, inverted = {255, 0, 204, 153, 0xEE};
    CmykToBgraRow(plain.data(), 1, false);
    CmykToBgraRow(inverted.data(), 1, true);
    EXPECT_EQ(plain, (Pixels{122, 0, 153, 255, 0xEE}));
    EXPECT_EQ(inverted, plain);
}

}  // namespace
