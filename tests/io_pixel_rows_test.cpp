#include <gtest/gtest.h>

#include <vector>

#include "io/PixelRows.h"

using namespace VelImageUtility;

namespace {

using Pixels = std::vector<uint8_t>;

TEST(IoPixelRows, SwapRedBlueCopiesOrWorksInPlaceAndStopsAtTheRowEnd) {
    const Pixels source = {1, 2, 3, 4, 5, 6, 7, 8};
    Pixels copy(12, 0xEE);
    SwapRedBlueRow(copy.data(), source.data(), 2);
    EXPECT_EQ(copy, (Pixels{3, 2, 1, 4, 7, 6, 5, 8, 0xEE, 0xEE, 0xEE, 0xEE}));
    Pixels inPlace = source;
    SwapRedBlueRow(inPlace.data(), inPlace.data(), 2);
    EXPECT_EQ(inPlace, (Pixels{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(IoPixelRows, PremultiplyTruncatesAndUnpremultiplyRounds) {
    // 200 * 128 / 255 = 100.39 -> 100; 255 * 1 / 255 = 1.
    Pixels row = {200, 255, 0, 128, 255, 255, 255, 1, 10, 20, 30, 255, 90, 90, 90, 0};
    PremultiplyRow(row.data(), 4);
    EXPECT_EQ(row, (Pixels{100, 128, 0, 128, 1, 1, 1, 1, 10, 20, 30, 255, 0, 0, 0, 0}));
    // (100 * 255 + 64) / 128 = 199.7 -> 199; 1 at alpha 1 -> 255; 0 alpha -> 0.
    Pixels premultiplied = {100, 128, 0, 128, 1, 1, 1, 1, 10, 20, 30, 255, 9, 9, 9, 0, 200, 0, 0, 100};
    UnpremultiplyRow(premultiplied.data(), 5);
    EXPECT_EQ(premultiplied, (Pixels{199, 255, 0, 128, 255, 255, 255, 1, 10, 20, 30, 255, 0, 0, 0, 0,
                                     255, 0, 0, 100}));
}

TEST(IoPixelRows, CmykInvertedAndPlainGiveTheSameColour) {
    // Inks C 0, M 255, Y 51, K 102: R = 255 * 153 / 255 = 153, G = 0,
    // B = 204 * 153 / 255 = 122.4 -> 122.
    Pixels plain = {0, 255, 51, 102};
    Pixels inverted = {255, 0, 204, 153};
    CmykToBgraRow(plain.data(), 1, false);
    CmykToBgraRow(inverted.data(), 1, true);
    EXPECT_EQ(plain, (Pixels{122, 0, 153, 255}));
    EXPECT_EQ(inverted, plain);
}

}  // namespace
