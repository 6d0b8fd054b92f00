// libFuzzer target over the Linux loaders: each input is loaded as an
// encoded-image resource (every image format, found by its first bytes)
// and as a BITMAP resource (a device-independent bitmap). A load either
// changes nothing or hands over a whole new packed image, which is read in
// full and released; the sanitizers catch the rest.
#include <cstdint>
#include <cstdlib>

#include "VelImageUtility/PlatformStandIns.h"
#include "core/CImageUtility.h"
#include "slot_calls.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

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
    if (!TakeLoaded(original, desc) || !TakeLoaded(original, bitmap)) std::abort();
    return 0;
}
