// Shared by the Linux file, resource and bitmap-handle tests: files in a
// temporary directory, the corpus of tests/data, loads from memory.
#pragma once

#ifndef _WIN32

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "VelImageUtility/PlatformStandIns.h"
#include "test_support.h"

namespace io_test {

using namespace VelImageUtility::test;

inline std::string DataDirectory() { return VIU_TEST_DATA; }

inline bool Exists(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

// A fresh directory, removed with its content afterwards.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = "/tmp/viu-io-XXXXXX";
        path_ = mkdtemp(&pattern[0]) != nullptr ? pattern : std::string();
    }
    ~TemporaryDirectory() {
        auto remove = [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); };
        if (!path_.empty()) nftw(path_.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The bytes as the one image resource of a stand-in module.
inline void LoadFromMemory(ICImageUtility* utility, ImageDesc* desc, const Bytes& bytes) {
    const VelResource resource = {"IMAGE", 1, bytes.data(), static_cast<uint32_t>(bytes.size())};
    VelModuleHandle module;
    utility->LoadFromResource(desc, VelMakeModuleHandle(&module, &resource, 1), "IMAGE", 1);
}

}  // namespace io_test

#endif
