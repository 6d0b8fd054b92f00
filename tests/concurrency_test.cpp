// Distinct images used from several threads at once give the bytes they give
// on one thread: no operation shares state between calls on different
// images (the zoom blur's size tables, file I/O and handles included). Each
// run calls every slot (tests/slot_calls.h) with ordinary arguments.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "VelImageUtility.h"
#ifndef _WIN32
#include "VelImageUtility/PlatformStandIns.h"
#endif
#include "slot_calls.h"

namespace {

using namespace VelImageUtility::test;

// Arguments from a generator seeded by the image size, over this run's own
// images: an ARGB, an AYUV and a plane to work on, then an ARGB image, a
// plane and another ARGB image for the descriptors.
struct Ordinary {
    Ordinary(int32_t w, int32_t h, const std::string& file)
        : width(w), height(h), rng(static_cast<uint32_t>(w * 1000 + h)), path(file), widePath(file.begin(), file.end()),
          images{GetCImageARGB2(w, h), GetCImageAYUV2(w, h), GetCImageByte2(w, h), GetCImageARGB2(w, h),
                 GetCImageByte2(w, h), GetCImageARGB2(w, h)} {
        for (ICImageUtility* image : images) {
            for (int32_t k = 0; k < h * image->GetStride(); ++k) image->GetData()[k] = static_cast<uint8_t>(rng());
            descs.push_back(image->GetDesc());
        }
        std::remove(path.c_str());
    }
    int32_t width, height;
    std::mt19937 rng;
    std::string path;
    std::wstring widePath;
    std::vector<ICImageUtility*> images;
    std::vector<ImageDesc> descs;
    std::vector<uint8_t> result, scratch = std::vector<uint8_t>(64);
    uint32_t lists[3][4] = {};
    int32_t nextList = 0;
    RECT rect{};
    ImageDesc loaded{};
    HBITMAP bitmap = nullptr;

    int32_t I() { return static_cast<int32_t>(rng() % 6 + 1); }
    uint32_t U() { return rng(); }
    float F() { return 0.5f + static_cast<float>(rng() % 6) * 0.5f; }
    int32_t Count(int32_t max) const { return max < 3 ? max : 3; }
    template <typename T>
    T* Or(T* p) const { return p; }
    template <typename T>
    T* Out() { return reinterpret_cast<T*>(scratch.data()); }
    uint32_t* List() { return lists[nextList++ % 3]; }
    // Refused: a new buffer's bytes would be unset.
    Extent Size() const { return {-1, height}; }
    const RECT* Rect() { return &(rect = RECT{1, 1, width / 2, height / 2}); }
    const ImageDesc* D() { return &descs[3 + rng() % 2]; }
    const ImageDesc* Kept() const { return nullptr; }
    RawArgs Raw(bool = false) const { return RawOf(&descs[3], &descs[5]); }
    const wchar_t* PathW() const { return widePath.c_str(); }
    const char* PathA() const { return path.c_str(); }
    ImageDesc* Into() { return &(loaded = ImageDesc{}); }
    void Drop(uint8_t*) const {}
#ifdef _WIN32
    HBITMAP Bitmap() const { return nullptr; }
    HMODULE Module(bool) const { return nullptr; }
#else
    // The stand-in handle tables are shared by all threads.
    VelBitmapHandle bitmapRecord;
    VelModuleHandle moduleRecord;
    VelResource resource{};
    HBITMAP Bitmap() { return bitmap = VelMakeBitmapHandle(&bitmapRecord, width, height, 32, width * 4, descs[5].data); }
    HMODULE Module(bool bitmapResource) {
        resource = VelResource{bitmapResource ? RT_BITMAP : "IMAGE", 1, descs[4].data, static_cast<uint32_t>(width * height)};
        return VelMakeModuleHandle(&moduleRecord, &resource, 1);
    }
#endif
    void Loaded(ImageDesc* into) {
#ifndef _WIN32
        if (bitmap) VelReleaseBitmapHandle(bitmap);
#endif
        bitmap = nullptr;
        if (into) TakeLoaded(ImageDesc{}, *into, &result);
    }
};

// Every slot, twice, then the bytes of every image.
std::vector<uint8_t> RunEverything(int32_t width, int32_t height, const std::string& path) {
    using Calls = SlotCalls<Ordinary>;
    Ordinary a(width, height, path);
    auto* argb = static_cast<ICImageARGB*>(a.images[0]);
    for (int round = 0; round < 2; ++round) {
        for (const auto& slot : Calls::Common()) slot.call(argb, a);
        for (const auto& slot : Calls::Argb()) slot.call(argb, a);
        for (const auto& slot : Calls::Ayuv()) slot.call(static_cast<ICImageAYUV*>(a.images[1]), a);
        // AddTiledPattern and AddCrossHatch draw from the process's random sequence.
        for (const auto& slot : Calls::Byte()) {
            if (std::string(slot.name).rfind("Add", 0) != 0) slot.call(static_cast<ICImageByte*>(a.images[2]), a);
        }
    }
    for (ICImageUtility* image : a.images) {
        a.result.insert(a.result.end(), image->GetData(), image->GetData() + image->GetHeight() * image->GetStride());
    }
    for (size_t k : {0, 3, 5}) ReleaseCImageARGB(static_cast<ICImageARGB*>(a.images[k]));
    for (size_t k : {2, 4}) ReleaseCImageByte(static_cast<ICImageByte*>(a.images[k]));
    ReleaseCImageAYUV(static_cast<ICImageAYUV*>(a.images[1]));
    return a.result;
}

TEST(Concurrency, DistinctImagesOnSeveralThreadsGiveTheOneThreadBytes) {
    const int32_t sizes[][2] = {{37, 29}, {64, 48}, {23, 61}, {50, 17}};
    const size_t count = sizeof sizes / sizeof sizes[0];
    const std::string dir = testing::TempDir();
    std::vector<std::vector<uint8_t>> expected(count), got(count);
    for (size_t i = 0; i < count; ++i) {
        expected[i] = RunEverything(sizes[i][0], sizes[i][1], dir + "/concurrency_a" + std::to_string(i) + ".png");
    }
    std::vector<std::thread> threads;
    for (size_t i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round) {
                got[i] = RunEverything(sizes[i][0], sizes[i][1], dir + "/concurrency_b" + std::to_string(i) + ".png");
                if (got[i] != expected[i]) return;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(got[i], expected[i]) << "image " << i;
}

}  // namespace
