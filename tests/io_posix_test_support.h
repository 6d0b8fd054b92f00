// Shared by the Linux file, resource and bitmap-handle tests: files in a
// temporary directory, the corpus of tests/data, descriptors that a failed
// load must leave exactly as they were.
#pragma once

#ifndef _WIN32

#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "VelImageUtility.h"
#include "VelImageUtility/PlatformStandIns.h"
#include "core/CImageBase.h"

namespace io_test {

using Bytes = std::vector<uint8_t>;

inline std::string DataDirectory() {
    std::string source = __FILE__;
    return source.substr(0, source.rfind('/')) + "/data/";
}

inline Bytes ReadFile(const std::string& path) {
    Bytes bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    uint8_t chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

inline bool Exists(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

// Only for ASCII text.
inline std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A fresh directory, removed with its content afterwards.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = "/tmp/viu-io-XXXXXX";
        path_ = mkdtemp(&pattern[0]) != nullptr ? pattern : std::string();
    }
    ~TemporaryDirectory() {
        if (path_.empty()) return;
        nftw(
            path_.c_str(), [](const char* path, const struct stat*, int, struct FTW*) { return remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A descriptor over a caller buffer filled with a pattern: a failed load
// must leave both exactly as they were.
class CallerImage {
public:
    CallerImage() : buffer_(2 * 16, 0x5A), desc_{buffer_.data(), 3, 2, 16, 4, false} {}
    ImageDesc* Desc() { return &desc_; }
    bool Untouched() const {
        bool same = desc_.data == buffer_.data() && desc_.width == 3 && desc_.height == 2 && desc_.stride == 16 &&
                    desc_.bytesPerPixel == 4 && !desc_.copy;
        for (uint8_t byte : buffer_) same = same && byte == 0x5A;
        return same;
    }
    // A load changed the descriptor: it must describe a new owned packed
    // buffer, which is released here.
    bool ValidLoadReleased() {
        const bool valid = desc_.data != nullptr && desc_.data != buffer_.data() && desc_.width > 0 &&
                           desc_.height > 0 && desc_.stride == desc_.width * 4 && desc_.bytesPerPixel == 4 &&
                           desc_.copy;
        if (valid) VelImageUtility::ReleasePixelBuffer(desc_.data);
        desc_ = ImageDesc{buffer_.data(), 3, 2, 16, 4, false};
        return valid;
    }

private:
    Bytes buffer_;
    ImageDesc desc_;
};

// An image the loaders made; its buffer is released with it.
struct LoadedImage {
    ImageDesc desc{nullptr, 0, 0, 0, 0, false};
    LoadedImage() = default;
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;
    ~LoadedImage() {
        if (desc.copy) VelImageUtility::ReleasePixelBuffer(desc.data);
    }
    Bytes Pixels() const {
        return desc.data == nullptr ? Bytes() : Bytes(desc.data, desc.data + size_t(desc.stride) * desc.height);
    }
};

// The bytes as the one image resource of a stand-in module.
inline void LoadFromMemory(ICImageUtility* utility, ImageDesc* desc, const Bytes& bytes) {
    const VelResource resource = {"IMAGE", 1, bytes.data(), static_cast<uint32_t>(bytes.size())};
    VelModuleHandle module;
    utility->LoadFromResource(desc, VelMakeModuleHandle(&module, &resource, 1), "IMAGE", 1);
}

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

}  // namespace io_test

#endif
