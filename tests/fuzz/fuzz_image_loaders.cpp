// libFuzzer target over the Linux loaders: each input is loaded as an
// encoded-image resource (every image format, found by its first bytes)
// and as a BITMAP resource (a device-independent bitmap). A load either
// changes nothing or hands over a whole new packed image, which is read in
// full and released; the sanitizers catch the rest.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "VelImageUtility/PlatformStandIns.h"
#include "core/CImageUtility.h"

using namespace VelImageUtility;

namespace {

// A load changes nothing or hands over a whole packed image.
void CheckAndRelease(const ImageDesc& before, const ImageDesc& after) {
    if (after.data == before.data) {
        if (std::memcmp(&after, &before, sizeof after) != 0) std::abort();
        return;
    }
    if (after.data == nullptr || after.width <= 0 || after.height <= 0 || after.stride != after.width * 4 ||
        after.bytesPerPixel != 4 || !after.copy) {
        std::abort();
    }
    volatile uint8_t fold = 0;
    for (int64_t i = 0; i < int64_t{after.stride} * after.height; ++i) fold = fold ^ after.data[i];
    ReleasePixelBuffer(after.data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    const VelResource resources[] = {
        {"IMAGE", 1, data, static_cast<uint32_t>(size)},
        {RT_BITMAP, 2, data, static_cast<uint32_t>(size)},
    };
    VelModuleHandle record;
    HMODULE module = VelMakeModuleHandle(&record, resources, 2);
    CImageUtility utility;
    uint8_t callerPixels[2 * 8] = {};
    const ImageDesc original{callerPixels, 2, 2, 8, 4, false};

    ImageDesc desc = original, bitmap = original;
    utility.LoadFromResource(&desc, module, "IMAGE", 1);
    utility.LoadFromBitmapResource(&bitmap, module, 2);
    CheckAndRelease(original, desc);
    CheckAndRelease(original, bitmap);
    return 0;
}
