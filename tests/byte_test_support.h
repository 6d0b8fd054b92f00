// Byte images for the tests: over memory the test owns, built at a chosen
// instruction-set level (0 runs the plain kernels, 3 the SSE2 ones).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "byte/CImageByte.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {
namespace test {

constexpr int32_t kPlainLevel = 0;
constexpr int32_t kSse2Level = 3;

inline CImageByte ByteImageAt(int32_t level, uint8_t* data, int32_t width, int32_t height, int32_t stride,
                              int32_t bytesPerPixel = 1) {
    ScopedInstructionSetLevel scoped(level);
    return CImageByte(data, width, height, stride, bytesPerPixel);
}

inline std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
    return bytes;
}

// A packed plane descriptor over `bytes`.
inline ImageDesc PlaneDesc(std::vector<uint8_t>& bytes, int32_t width, int32_t height) {
    return ImageDesc{bytes.data(), width, height, width, 1, false};
}

using ByteOperation = std::function<void(CImageByte&)>;

// An operation on an image whose pixels all hold `before`, and the value they hold after.
struct OneValueExample {
    ByteOperation operation;
    uint8_t before, after;
};

// Each example on 27 pixels (a group of 16, one of 8 and a plain tail of 3) at both levels.
inline void ExpectOneValueExamples(const std::vector<OneValueExample>& examples) {
    for (size_t row = 0; row < examples.size(); ++row) {
        for (int32_t level : {kPlainLevel, kSse2Level}) {
            std::vector<uint8_t> bytes(27, examples[row].before);
            CImageByte image = ByteImageAt(level, bytes.data(), 27, 1, 27);
            examples[row].operation(image);
            EXPECT_EQ(bytes, std::vector<uint8_t>(27, examples[row].after)) << "row " << row << ", level " << level;
        }
    }
}

// The buffer of a random image (16 spare bytes after its last row) after
// `operation` ran on it at `level`, the C runtime's sequence seeded first.
inline std::vector<uint8_t> AfterOperation(const ByteOperation& operation, int32_t level, int32_t width,
                                           int32_t height, int32_t stride, uint32_t seed, int32_t bytesPerPixel = 1) {
    std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(stride) * height + 16, seed);
    CImageByte image = ByteImageAt(level, bytes.data(), width, height, stride, bytesPerPixel);
    std::srand(seed);
    operation(image);
    return bytes;
}

// For an operation that needs packed one-byte rows: plain and SSE2 give
// identical bytes for widths 1 to 2 x 16 + 1 (every group and tail split)
// and heights 1 to 5, nothing past the run changes, and images with padded
// rows or 4-byte pixels come back unchanged at both levels.
inline void ExpectVariantsAgreeOnPackedImagesOnly(const ByteOperation& operation) {
    for (int32_t height = 1; height <= 5; ++height) {
        for (int32_t width = 1; width <= 33; ++width) {
            const uint32_t seed = static_cast<uint32_t>(width * 7 + height);
            const std::vector<uint8_t> plain = AfterOperation(operation, kPlainLevel, width, height, width, seed);
            ASSERT_EQ(plain, AfterOperation(operation, kSse2Level, width, height, width, seed))
                << width << " x " << height;
            const std::vector<uint8_t> before = RandomBytes(plain.size(), seed);
            ASSERT_TRUE(std::equal(plain.end() - 16, plain.end(), before.end() - 16)) << width << " x " << height;
        }
    }
    for (int32_t level : {kPlainLevel, kSse2Level}) {
        ASSERT_EQ(AfterOperation(operation, level, 13, 4, 16, 99), RandomBytes(4 * 16 + 16, 99)) << level;
        ASSERT_EQ(AfterOperation(operation, level, 4, 4, 16, 98, 4), RandomBytes(4 * 16 + 16, 98)) << level;
    }
}

}  // namespace test
}  // namespace VelImageUtility
