// Helpers shared by the colour and ARGB buffer tests: padded random frames
// and images built at a chosen instruction-set level.
#pragma once

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

// An ARGB image at instruction-set `level` over a frame's bytes.
inline VelImageUtility::CImageARGB ImageAt(int32_t level, Frame& frame) {
    VelImageUtility::ScopedInstructionSetLevel scoped(level);
    return VelImageUtility::CImageARGB(frame.bytes.data(), frame.width, frame.height, frame.stride,
                                       frame.bytesPerPixel);
}

}  // namespace colour_test
