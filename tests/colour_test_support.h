// Helpers shared by the colour and ARGB buffer tests: padded random frames
// and images built at a chosen instruction-set level.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "argb/CImageARGB.h"
#include "core/InstructionSetLevel.h"

namespace colour_test {

// Natively every 8-bit colour is visited; the sanitizer build, unoptimised
// and instrumented, visits every 17th red value only.
#if defined(__SANITIZE_ADDRESS__)
constexpr int32_t kRedStep = 17;
#else
constexpr int32_t kRedStep = 1;
#endif

// A pixel buffer with `padding` bytes after each row, all bytes random.
struct Frame {
    std::vector<uint8_t> bytes;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
    int32_t bytesPerPixel = 0;

    ImageDesc Desc() { return ImageDesc{bytes.data(), width, height, stride, bytesPerPixel, false}; }
    uint8_t* Pixel(int32_t x, int32_t y) { return bytes.data() + y * stride + x * bytesPerPixel; }
    const uint8_t* Pixel(int32_t x, int32_t y) const {
        return bytes.data() + y * stride + x * bytesPerPixel;
    }

    // Whether the bytes after each row equal those of `before`.
    bool PaddingEquals(const Frame& before) const {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t i = width * bytesPerPixel; i < stride; ++i) {
                if (bytes[y * stride + i] != before.bytes[y * stride + i]) return false;
            }
        }
        return true;
    }
};

inline Frame RandomFrame(std::mt19937& rng, int32_t width, int32_t height, int32_t bytesPerPixel,
                         int32_t padding) {
    Frame frame;
    frame.width = width;
    frame.height = height;
    frame.bytesPerPixel = bytesPerPixel;
    frame.stride = width * bytesPerPixel + padding;
    frame.bytes.resize(static_cast<size_t>(frame.stride) * height);
    std::uniform_int_distribution<int> byte(0, 255);
    for (uint8_t& b : frame.bytes) b = static_cast<uint8_t>(byte(rng));
    return frame;
}

// An ARGB image at instruction-set `level` over a frame's bytes.
inline VelImageUtility::CImageARGB ImageAt(int32_t level, Frame& frame) {
    VelImageUtility::ScopedInstructionSetLevel scoped(level);
    return VelImageUtility::CImageARGB(frame.bytes.data(), frame.width, frame.height, frame.stride,
                                       frame.bytesPerPixel);
}

// Runs `op(image, frames)` once on an image at level 0 (plain variant) and
// once at level 3 (SSE2 variant), the image over frames[0], each run on its
// own copy of every frame; the two runs must leave identical bytes, and no
// frame's row padding may change.
template <class Operation>
void ExpectVariantsAgree(const std::vector<Frame>& frames, Operation op) {
    std::vector<Frame> plain = frames;
    std::vector<Frame> sse2 = frames;
    VelImageUtility::CImageARGB plainImage = ImageAt(0, plain[0]);
    VelImageUtility::CImageARGB sse2Image = ImageAt(3, sse2[0]);
    op(plainImage, plain);
    op(sse2Image, sse2);
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(plain[i].bytes, sse2[i].bytes) << "frame " << i << ", width " << frames[0].width
                                                 << ", height " << frames[0].height;
        ASSERT_TRUE(plain[i].PaddingEquals(frames[i])) << "frame " << i;
        ASSERT_TRUE(sse2[i].PaddingEquals(frames[i])) << "frame " << i;
    }
}

// Widths 1 to 2 x 16 + 1 (the widest vector step is 16 pixels), heights 1
// to 3, packed and padded rows.
template <class Visit>
void ForEachShape(Visit visit) {
    for (int32_t width = 1; width <= 33; ++width) {
        for (int32_t height = 1; height <= 3; ++height) {
            for (int32_t padding : {0, 7}) visit(width, height, padding);
        }
    }
}

}  // namespace colour_test
