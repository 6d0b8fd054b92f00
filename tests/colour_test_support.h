// Helpers shared by the colour and ARGB buffer tests: padded random frames
// and images built at a chosen instruction-set level.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "VelImageUtility.h"

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

}  // namespace colour_test
