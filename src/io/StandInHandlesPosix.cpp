#include "io/StandInHandlesPosix.h"

#include <cstring>
#include <mutex>
#include <set>

#include "core/InputChecks.h"
#include "io/ImageCodecsPosix.h"

namespace VelImageUtility {

namespace {

// A resource name or type: an integer, or a name.
struct ResourceKey {
    bool isInteger = false;
    uint32_t integer = 0;
    const char* name = nullptr;
};

ResourceKey MakeKey(const char* nameOrInteger) {
    ResourceKey key;
    if (IS_INTRESOURCE(nameOrInteger)) {
        key.isInteger = true;
        key.integer = static_cast<uint16_t>(reinterpret_cast<uintptr_t>(nameOrInteger));
        return key;
    }
    key.name = nameOrInteger;
    if (nameOrInteger[0] == '#' && nameOrInteger[1] != '\0') {
        uint32_t value = 0;
        const char* digit = nameOrInteger + 1;
        for (; *digit >= '0' && *digit <= '9' && value <= 0xFFFF; ++digit) value = value * 10 + (*digit - '0');
        if (*digit == '\0' && value <= 0xFFFF) {
            key.isInteger = true;
            key.integer = value;
        }
    }
    return key;
}

// The live handles, as the system keeps its handle tables: only addresses
// found here are ever read.
struct HandleTable {
    std::mutex mutex;
    std::set<const void*> bitmaps;
    std::set<const void*> modules;
};

HandleTable& Handles() {
    static HandleTable* table = new HandleTable;  // lives as long as the process
    return *table;
}

template <typename Record>
bool CopyLive(const std::set<const void*>& live, const Record* handle, Record& record) {
    if (live.count(handle) == 0) return false;
    record = *handle;
    return true;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameKey(const ResourceKey& a, const ResourceKey& b) {
    if (a.isInteger || b.isInteger) return a.isInteger == b.isInteger && a.integer == b.integer;
    const char* x = a.name;
    const char* y = b.name;
    for (; *x != '\0' && UpperAscii(*x) == UpperAscii(*y); ++x, ++y) {
    }
    return *x == '\0' && *y == '\0';
}

}  // namespace

bool CopyLiveBitmapHandle(HBITMAP bitmap, VelBitmapHandle& record) {
    std::lock_guard<std::mutex> lock(Handles().mutex);
    return CopyLive(Handles().bitmaps, bitmap, record);
}

bool CopyLiveModuleHandle(HMODULE module, VelModuleHandle& record) {
    std::lock_guard<std::mutex> lock(Handles().mutex);
    return CopyLive(Handles().modules, module, record);
}

bool ReadStandInBitmap(const VelBitmapHandle& bitmap, CImageBase& working) {
    const int32_t bytesPerPixel = bitmap.bitsPerPixel / 8;
    if ((bitmap.bitsPerPixel != 24 && bitmap.bitsPerPixel != 32) ||
        !IsUsableBuffer(bitmap.pixels, bitmap.width, bitmap.height, bitmap.stride, bytesPerPixel)) {
        return false;
    }
    DecodeTarget target(working);
    if (target.Allocate(bitmap.width, bitmap.height) == nullptr) return false;
    for (int32_t y = 0; y < bitmap.height; ++y) {
        const uint8_t* in = bitmap.pixels + static_cast<size_t>(y) * static_cast<size_t>(bitmap.stride);
        uint8_t* out = target.Row(y);
        if (bytesPerPixel == 4) {
            std::memcpy(out, in, static_cast<size_t>(bitmap.width) * 4);
            continue;
        }
        for (int32_t x = 0; x < bitmap.width; ++x, in += 3, out += 4) {
            std::memcpy(out, in, 3);
            out[3] = 0;
        }
    }
    return target.Keep();
}

const VelResource* FindStandInResource(const VelModuleHandle& module, const char* name,
                                       const char* type) {
    if (module.resources == nullptr || name == nullptr || type == nullptr) return nullptr;
    const ResourceKey wantedName = MakeKey(name);
    const ResourceKey wantedType = MakeKey(type);
    for (uint32_t i = 0; i < module.count; ++i) {
        const VelResource& resource = module.resources[i];
        if (resource.type == nullptr) continue;
        ResourceKey resourceName;
        resourceName.isInteger = true;
        resourceName.integer = resource.id & 0xFFFF;
        if (SameKey(MakeKey(resource.type), wantedType) && SameKey(resourceName, wantedName)) return &resource;
    }
    return nullptr;
}

}  // namespace VelImageUtility

using VelImageUtility::Handles;

extern "C" HBITMAP VelMakeBitmapHandle(VelBitmapHandle* record, int32_t width, int32_t height,
                                       int32_t bitsPerPixel, int32_t stride, const uint8_t* pixels) {
    if (record == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(Handles().mutex);
    *record = VelBitmapHandle{width, height, bitsPerPixel, stride, pixels};
    Handles().bitmaps.insert(record);
    return record;
}

extern "C" HMODULE VelMakeModuleHandle(VelModuleHandle* record, const VelResource* resources,
                                       uint32_t count) {
    if (record == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(Handles().mutex);
    *record = VelModuleHandle{resources, count};
    Handles().modules.insert(record);
    return record;
}

extern "C" void VelReleaseBitmapHandle(HBITMAP bitmap) {
    std::lock_guard<std::mutex> lock(Handles().mutex);
    Handles().bitmaps.erase(bitmap);
}

extern "C" void VelReleaseModuleHandle(HMODULE module) {
    std::lock_guard<std::mutex> lock(Handles().mutex);
    Handles().modules.erase(module);
}
