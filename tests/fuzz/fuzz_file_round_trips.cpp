// libFuzzer target over the savers and loaders in round trips: an image
// made from the input's geometry and bytes is saved as BMP, JPEG, PNG or
// TIFF and loaded back. The loaded image has the saved size; BMP brings
// the colours back with alpha 255, PNG and TIFF every byte, JPEG opaque
// pixels. Damaged files are the loader fuzzer's part.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "VelImageUtility/Exports.h"
#include "core/InstructionSetLevel.h"
#include "guarded_buffer.h"
#include "slot_calls.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// What a format brings back: the colours, every byte, or opaque pixels.
enum Kept { kColours, kAll, kOpaque };
const std::pair<const char*, Kept> kFormats[] = {{".bmp", kColours}, {".BMP", kColours}, {".jpg", kOpaque}, {".jpeg", kOpaque},
                                                 {".png", kAll},     {".Png", kAll},     {".tif", kAll},    {".tiff", kAll}};

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string directory = MakeTempDirectory("viu_fuzz_round_trips");
    FuzzedDataProvider in(data, size);
    ScopedInstructionSetLevel level(in.ConsumeBool() ? 3 : 0);
    const auto [extension, kept] = in.PickValueInArray(kFormats);
    const int32_t width = in.ConsumeIntegralInRange<int32_t>(1, 64);
    const int32_t height = in.ConsumeIntegralInRange<int32_t>(1, 64);
    // Rows of whole 4-byte words can be saved; other strides are refused.
    const int32_t pad = in.ConsumeIntegralInRange<int32_t>(0, 4) * 4 + (in.ConsumeIntegralInRange<int32_t>(0, 7) == 0 ? 2 : 0);
    const int32_t stride = width * 4 + pad;
    const bool bottomUp = in.ConsumeBool();
    const std::vector<uint8_t> bytes = in.ConsumeRemainingBytes<uint8_t>();

    GuardedRows rows(width * 4, stride, height, in.ConsumeBool() ? GuardSide::kAfter : GuardSide::kBefore);
    for (size_t i = 0; i < rows.size(); ++i) rows.data()[i] = bytes.empty() ? static_cast<uint8_t>(i) : bytes[i % bytes.size()];
    uint8_t* first = bottomUp ? rows.data() + size_t(height - 1) * stride : rows.data();
    const std::unique_ptr<ICImageARGB, int32_t (*)(ICImageARGB*)> image(
        GetCImageARGB4(first, width, height, bottomUp ? -stride : stride), ReleaseCImageARGB);
    Check(image != nullptr);
    const std::string path = directory + "/image" + extension;
    const std::wstring widePath(path.begin(), path.end());
    ImageDesc saved = image->GetDesc();
    const HRESULT status = image->SaveToFile(&saved, widePath.c_str());
    if (pad % 4 != 0) {
        Check(status == VIU_E_FAIL && access(path.c_str(), F_OK) != 0);
        return 0;
    }
    Check(status == VIU_S_OK);

    ImageDesc loaded{};
    image->LoadFromFileA(&loaded, path.c_str());
    unlink(path.c_str());
    std::vector<uint8_t> got;
    Check(TakeLoaded(ImageDesc{}, loaded, &got) && loaded.data != nullptr);
    Check(loaded.width == width && loaded.height == height);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* want = first + int64_t{y} * (bottomUp ? -stride : stride);
        for (int32_t i = 0; i < width * 4; ++i) {
            const bool alpha = i % 4 == 3;
            const uint8_t byte = got[size_t(y) * width * 4 + i];
            if (kept == kAll || (kept == kColours && !alpha)) Check(byte == want[i]);
            if (kept != kAll && alpha) Check(byte == 255);
        }
    }
    return 0;
}
