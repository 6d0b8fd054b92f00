// Byte images for the tests: over memory the test owns, built at a chosen
// instruction-set level (0 runs the plain kernels, 3 the SSE2 ones).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "byte/CImageByte.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {
namespace test {

constexpr int32_t kPlainLevel = 0;
constexpr int32_t kSse2Level = 3;

inline CImageByte ByteImageAt(int32_t level, uint8_t* data, int32_t width, int32_t height,
                              int32_t stride) {
    ScopedInstructionSetLevel scoped(level);
    return CImageByte(data, width, height, stride, 1);
}

inline std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator() & 0xFF);
    return bytes;
}

// A packed plane descriptor over `bytes`.
inline ImageDesc PlaneDesc(std::vector<uint8_t>& bytes, int32_t width, int32_t height) {
    return ImageDesc{bytes.data(), width, height, width, 1, false};
}

using ByteOperation = std::function<void(CImageByte&)>;

// Runs `operation` on the same random packed image at the plain and at the
// SSE2 level, for widths 1 to 2 x 16 + 1 (every group and tail split) and
// heights 1 to 5, and expects identical bytes.
inline void ExpectSameBytesAtBothLevels(const ByteOperation& operation, uint32_t seed = 1) {
    for (int32_t height = 1; height <= 5; ++height) {
        for (int32_t width = 1; width <= 33; ++width) {
            std::vector<uint8_t> plain = RandomBytes(static_cast<size_t>(width) * height, seed + width * 7 + height);
            std::vector<uint8_t> sse2 = plain;
            CImageByte plainImage = ByteImageAt(kPlainLevel, plain.data(), width, height, width);
            CImageByte sse2Image = ByteImageAt(kSse2Level, sse2.data(), width, height, width);
            operation(plainImage);
            operation(sse2Image);
            ASSERT_EQ(plain, sse2) << width << " x " << height;
        }
    }
}

// Runs `operation` on a random image whose rows carry 3 bytes of padding at
// both levels and expects every byte, padding included, unchanged.
inline void ExpectPaddedImageUnchanged(const ByteOperation& operation) {
    for (int32_t level : {kPlainLevel, kSse2Level}) {
        const int32_t width = 13, height = 4, stride = 16;
        std::vector<uint8_t> bytes = RandomBytes(static_cast<size_t>(stride) * height, 99);
        const std::vector<uint8_t> before = bytes;
        CImageByte image = ByteImageAt(level, bytes.data(), width, height, stride);
        operation(image);
        ASSERT_EQ(bytes, before) << "level " << level;
    }
}

}  // namespace test
}  // namespace VelImageUtility
