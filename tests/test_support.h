// Helpers shared by the unit tests: images at a chosen instruction-set level
// (0 runs the plain kernels, 3 the SSE2 ones) over memory the test owns,
// random padded frames, and caller descriptors for the loaders.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "VelImageUtility.h"
#include "argb/CImageARGB.h"
#include "ayuv/CImageAYUV.h"
#include "byte/CImageByte.h"
#include "core/InstructionSetLevel.h"

namespace VelImageUtility {
namespace test {

using Bytes = std::vector<uint8_t>;
constexpr int32_t kPlainLevel = 0;
constexpr int32_t kSse2Level = 3;

// Natively every 8-bit colour is visited; the sanitizer build, unoptimised
// and instrumented, visits every 17th colour only.
#if defined(__SANITIZE_ADDRESS__)
constexpr int32_t kRedStep = 17;
#else
constexpr int32_t kRedStep = 1;
#endif

inline Bytes RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(generator());
    return bytes;
}

// A pixel buffer whose rows may end in padding (stride above width x bytes per pixel).
struct Frame {
    Bytes bytes;
    int32_t width, height, bytesPerPixel, stride;

    ImageDesc Desc() { return ImageDesc{bytes.data(), width, height, stride, bytesPerPixel, false}; }
    uint8_t* Pixel(int32_t x, int32_t y) { return bytes.data() + y * stride + x * bytesPerPixel; }
    // Whether the bytes after each row equal those of `before`.
    bool PaddingEquals(const Frame& before) const {
        for (size_t i = 0; i < bytes.size(); ++i)
            if (int32_t(i % stride) >= width * bytesPerPixel && bytes[i] != before.bytes[i]) return false;
        return true;
    }
};

// One row of the given bytes, or `height` rows of random bytes.
inline Frame FrameOf(const Bytes& bytes, int32_t width, int32_t bytesPerPixel) {
    return Frame{bytes, width, 1, bytesPerPixel, static_cast<int32_t>(bytes.size())};
}
inline Frame RandomFrame(std::mt19937& rng, int32_t width, int32_t height, int32_t bytesPerPixel, int32_t padding) {
    const int32_t stride = width * bytesPerPixel + padding;
    return Frame{RandomBytes(size_t(stride) * height, uint32_t(rng())), width, height, bytesPerPixel, stride};
}

inline uint32_t PixelAt(Frame& frame, int32_t x, int32_t y) {
    uint32_t pixel;
    std::memcpy(&pixel, frame.Pixel(x, y), 4);
    return pixel;
}
inline void SetPixel(Frame& frame, int32_t x, int32_t y, uint32_t pixel) { std::memcpy(frame.Pixel(x, y), &pixel, 4); }

// Every pixel `pixel` (little-endian: byte 0 lowest), padding bytes 0xEE.
inline Frame Uniform(int32_t width, int32_t height, uint32_t pixel, int32_t padding = 0) {
    Frame frame{Bytes(size_t(width * 4 + padding) * height, 0xEE), width, height, 4, width * 4 + padding};
    for (int32_t i = 0; i < width * height; ++i) SetPixel(frame, i % width, i / width, pixel);
    return frame;
}

// An ARGB (or other 4-byte) image at instruction-set `level` over a frame's bytes.
template <class Image = CImageARGB>
inline Image ImageAt(int32_t level, Frame& frame) {
    ScopedInstructionSetLevel scoped(level);
    return Image(frame.bytes.data(), frame.width, frame.height, frame.stride, frame.bytesPerPixel);
}

// The mean of each colour byte (a 1-byte pixel's, or the first three; alpha
// becomes 0) over the window of `radius` clipped to the image.
inline Frame WindowMeans(Frame frame, int32_t radius) {
    const Frame source = frame;
    const int32_t lanes = std::min(frame.bytesPerPixel, 3);
    for (int32_t i = 0; i < frame.width * frame.height * lanes; ++i) {
        const int32_t x = i / lanes % frame.width, y = i / lanes / frame.width, c = i % lanes;
        uint32_t sum = 0, area = 0;
        for (int32_t v = std::max(0, y - radius); v <= std::min(frame.height - 1, y + radius); ++v) {
            for (int32_t u = std::max(0, x - radius); u <= std::min(frame.width - 1, x + radius); ++u, ++area)
                sum += source.bytes[size_t(v) * source.stride + size_t(u) * source.bytesPerPixel + c];
        }
        frame.Pixel(x, y)[c] = static_cast<uint8_t>(sum / area);
        if (lanes == 3) frame.Pixel(x, y)[3] = 0;
    }
    return frame;
}

// An AYUV image over the same pixels at the same level.
inline CImageAYUV AyuvOf(CImageARGB& image) {
    ScopedInstructionSetLevel scoped(image.level);
    return CImageAYUV(image.data, image.width, image.height, image.stride, 4);
}

// An operation on an image given a same-size source; 8 x 2 pixels all holding
// `before` (0xAARRGGBB), a source of `source` pixels, and what the pixels
// hold after at levels 0 and 1 and at level 3 (`sse2`, if not as 0).
using PixelOperation = std::function<void(CImageARGB& image, const ImageDesc* source)>;
struct PixelExample { PixelOperation operation; uint32_t before, source, after, sse2 = 0; };

inline void ExpectPixelExamples(const std::vector<PixelExample>& examples) {
    for (const PixelExample& e : examples) {
        for (int32_t level : {0, 1, 3}) {
            Frame image = Uniform(8, 2, e.before), source = Uniform(8, 2, e.source);
            const ImageDesc desc = source.Desc();
            CImageARGB argb = ImageAt(level, image);
            e.operation(argb, &desc);
            const uint32_t after = level == 3 && e.sse2 != 0 ? e.sse2 : e.after;
            EXPECT_EQ(image.bytes, Uniform(8, 2, after).bytes) << &e - examples.data() << " at level " << level;
        }
    }
}

inline CImageByte ByteImageAt(int32_t level, uint8_t* data, int32_t width, int32_t height, int32_t stride) {
    ScopedInstructionSetLevel scoped(level);
    return CImageByte(data, width, height, stride, 1);
}
// A packed plane descriptor over `bytes`.
inline ImageDesc PlaneDesc(Bytes& plane, int32_t w, int32_t h) { return {plane.data(), w, h, w, 1, false}; }

using ByteOperation = std::function<void(CImageByte&)>;

// An operation on an image whose pixels all hold `before`, and the value they hold after.
struct OneValueExample { ByteOperation operation; uint8_t before, after; };

// Each example on 27 pixels (a group of 16, one of 8 and a plain tail of 3) at both levels.
inline void ExpectOneValueExamples(const std::vector<OneValueExample>& examples) {
    for (size_t row = 0; row < examples.size(); ++row) {
        for (int32_t level : {kPlainLevel, kSse2Level}) {
            Bytes bytes(27, examples[row].before);
            CImageByte image = ByteImageAt(level, bytes.data(), 27, 1, 27);
            examples[row].operation(image);
            EXPECT_EQ(bytes, Bytes(27, examples[row].after)) << "row " << row << ", level " << level;
        }
    }
}

// ---- Loaders

inline Bytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
inline std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A descriptor over a caller buffer filled with a pattern (`copy` set, as
// a host may leave it, unless told): a failed load must leave both exactly as they were;
// a load must describe a new owned packed buffer, which the documented
// hand-over (SetDesc on an ARGB image, then its release) frees.
class CallerImage {
public:
    explicit CallerImage(bool copy = true) : buffer_(2 * 16, 0x5A), copy_(copy), desc_{} { Reset(); }
    ~CallerImage() { Reset(); }
    ImageDesc* Desc() { return &desc_; }
    bool Untouched() const {
        return desc_.data == buffer_.data() && desc_.width == 3 && desc_.height == 2 && desc_.stride == 16 &&
               desc_.bytesPerPixel == 4 && desc_.copy == copy_ && buffer_ == Bytes(buffer_.size(), 0x5A);
    }
    bool Loaded(int32_t width, int32_t height) const {
        return desc_.data != buffer_.data() && desc_.data != nullptr && desc_.width == width &&
               desc_.height == height && desc_.stride == width * 4 && desc_.bytesPerPixel == 4 && desc_.copy &&
               buffer_ == Bytes(buffer_.size(), 0x5A);
    }
    Bytes Pixels() const { return Bytes(desc_.data, desc_.data + size_t(desc_.stride) * desc_.height); }
    // Whether a load happened (checked as above); the caller's descriptor is restored.
    bool ValidLoadReleased() {
        const bool valid = Loaded(desc_.width, desc_.height) && desc_.width > 0 && desc_.height > 0;
        Reset();
        return valid;
    }

private:
    void Reset() {
        if (desc_.data != buffer_.data() && desc_.data != nullptr) {
            ICImageARGB* owner = GetCImageARGB();
            owner->SetDesc(&desc_);
            ReleaseCImageARGB(owner);
        }
        desc_ = ImageDesc{buffer_.data(), 3, 2, 16, 4, copy_};
    }
    Bytes buffer_;
    bool copy_;
    ImageDesc desc_;
};

// A smooth picture (as JPEG wants it) with many alphas from 0 up.
inline Bytes TestPicture(int32_t width = 13, int32_t height = 9) {
    Bytes pixels(size_t(width) * height * 4);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
            p[1] = static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
            p[2] = static_cast<uint8_t>(40 + (p[0] + p[1]) / 3);
            p[3] = static_cast<uint8_t>((y * width + x) * 7);
        }
    }
    return pixels;
}

}  // namespace test
}  // namespace VelImageUtility
