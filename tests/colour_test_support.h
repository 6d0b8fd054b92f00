// Helpers shared by the colour, ARGB and AYUV tests: padded random frames
// and images built at a chosen instruction-set level.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "VelImageUtility.h"
#include "argb/CImageARGB.h"
#include "ayuv/CImageAYUV.h"
#include "core/InstructionSetLevel.h"

namespace colour_test {

// Natively every 8-bit colour is visited; the sanitizer build, unoptimised
// and instrumented, visits every 17th red value only.
#if defined(__SANITIZE_ADDRESS__)
constexpr int32_t kRedStep = 17;
#else
constexpr int32_t kRedStep = 1;
#endif

// A pixel buffer whose rows may end in padding (stride above width x bytes
// per pixel).
struct Frame {
    std::vector<uint8_t> bytes;
    int32_t width, height, bytesPerPixel, stride;

    ImageDesc Desc() { return ImageDesc{bytes.data(), width, height, stride, bytesPerPixel, false}; }
    uint8_t* Pixel(int32_t x, int32_t y) { return bytes.data() + y * stride + x * bytesPerPixel; }

    // Whether the bytes after each row equal those of `before`.
    bool PaddingEquals(const Frame& before) const {
        for (int32_t i = 0; i < static_cast<int32_t>(bytes.size()); ++i) {
            if (i % stride >= width * bytesPerPixel && bytes[i] != before.bytes[i]) return false;
        }
        return true;
    }
};

// One row of the given bytes, or `height` rows of random bytes.
inline Frame FrameOf(const std::vector<uint8_t>& bytes, int32_t width, int32_t bytesPerPixel) {
    return Frame{bytes, width, 1, bytesPerPixel, static_cast<int32_t>(bytes.size())};
}

inline Frame RandomFrame(std::mt19937& rng, int32_t width, int32_t height, int32_t bytesPerPixel,
                         int32_t padding) {
    Frame frame{{}, width, height, bytesPerPixel, width * bytesPerPixel + padding};
    frame.bytes.resize(static_cast<size_t>(frame.stride) * height);
    for (uint8_t& b : frame.bytes) b = static_cast<uint8_t>(rng());
    return frame;
}

// Descriptors that misfit where `good` fits: narrower, shorter, without
// data, of `wrongBytesPerPixel`, with overlapping rows, wider.
inline std::vector<ImageDesc> MisfitsOf(const ImageDesc& good, int32_t wrongBytesPerPixel) {
    const ImageDesc g = good;
    const int32_t bpp = g.bytesPerPixel;
    return {{g.data, g.width - 1, g.height, g.stride, bpp, false},
            {g.data, g.width, g.height - 1, g.stride, bpp, false},
            {nullptr, g.width, g.height, g.stride, bpp, false},
            {g.data, g.width, g.height, g.stride, wrongBytesPerPixel, false},
            {g.data, g.width, g.height, g.width * bpp - 1, bpp, false},
            {g.data, g.width + 1, g.height, g.stride, bpp, false}};
}

// An ARGB (or other 4-byte) image at instruction-set `level` over a frame's
// bytes.
template <class Image = VelImageUtility::CImageARGB>
inline Image ImageAt(int32_t level, Frame& frame) {
    VelImageUtility::ScopedInstructionSetLevel scoped(level);
    return Image(frame.bytes.data(), frame.width, frame.height, frame.stride, frame.bytesPerPixel);
}

// Runs `op(image, descs)` on an image over frames[0] at level 0 (plain) and
// at level 3 (SSE2), `descs` describing frames 1 and on; each run works on
// its own copies, and both must leave identical bytes and row padding as it
// was.
template <class Image = VelImageUtility::CImageARGB, class Operation>
void ExpectVariantsAgree(const std::vector<Frame>& frames, Operation op) {
    std::vector<Frame> runs[2] = {frames, frames};
    for (int32_t run = 0; run < 2; ++run) {
        std::vector<ImageDesc> descs;
        for (size_t i = 1; i < frames.size(); ++i) descs.push_back(runs[run][i].Desc());
        Image image = ImageAt<Image>(3 * run, runs[run][0]);
        op(image, descs);
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(runs[0][i].bytes, runs[1][i].bytes)
            << "frame " << i << ", " << frames[0].width << "x" << frames[0].height;
        ASSERT_TRUE(runs[0][i].PaddingEquals(frames[i]) && runs[1][i].PaddingEquals(frames[i])) << i;
    }
}

}  // namespace colour_test
