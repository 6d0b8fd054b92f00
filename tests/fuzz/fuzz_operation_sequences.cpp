// libFuzzer target over sequences of operations: the input picks the
// instruction-set level, a pool of caller buffers (claims whose buffer
// covers them, and hostile claims over small buffers), four images made
// through the factories, then a run of calls to any slot of the five
// interfaces (tests/slot_calls.h) with arguments drawn from the input. The
// sanitizers and the guard pages catch a touch outside the buffers, a leak
// or undefined arithmetic; the images go back through the release exports.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "VelImageUtility/Exports.h"
#include "VelImageUtility/PlatformStandIns.h"
#include "core/InstructionSetLevel.h"
#include "slot_calls.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

constexpr int32_t kMaxSide = 64;
constexpr int32_t kMaxSteps = 48;

const int32_t kInts[] = {0, 1, -1, 2, 3, 7, 8, 15, 16, 17, 31, 100, 101, 255, 256, 1000, 32767, 32768, 65535, 65536,
                         INT32_MAX, INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, -129, 0x40000000, 0x10000 * 255};
const float kFloats[] = {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, 100.0f, -100.0f, 12850.0f, 1e-30f, 1e30f, -1e30f, 3.0e9f,
                         -3.0e9f, 2147483520.0f, std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                         std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, 6.2831855f};
// Pixel counts past 32 bits, so that even one byte per pixel must be refused.
const Extent kPast32Bits[] = {{0x10000, 0x8000}, {0x10000, 0x10000}, {INT32_MAX, 2},
                              {2, 0x40000000},   {INT32_MAX, INT32_MAX}, {0x8000, 0x10001}};
// The argument source of the slot calls, and the images they run on.
class Sequence : public Arguments<Sequence> {
public:
    explicit Sequence(FuzzedDataProvider& in, const std::string& directory) : in_(in), directory_(directory) {}

    int32_t I() {
        switch (in_.ConsumeIntegralInRange<int32_t>(0, 3)) {
            case 0: return in_.ConsumeIntegralInRange<int32_t>(-3, 70);
            case 1: return in_.PickValueInArray(kInts);
            case 2: return in_.ConsumeIntegralInRange<int32_t>(-300, 300);
            default: return in_.ConsumeIntegral<int32_t>();
        }
    }
    float F() {
        switch (in_.ConsumeIntegralInRange<int32_t>(0, 2)) {
            case 0: return in_.PickValueInArray(kFloats);
            case 1: return in_.ConsumeFloatingPointInRange<float>(-100.0f, 100.0f);
            default: return in_.ConsumeFloatingPoint<float>();
        }
    }
    bool Bool() { return in_.ConsumeBool(); }
    int32_t Range(int32_t low, int32_t high) { return in_.ConsumeIntegralInRange<int32_t>(low, high); }
    bool Null() { return Range(0, 7) == 0; }
    Extent Size() {
        switch (Range(0, 5)) {
            case 0: return {-Range(1, 3), Range(-3, kMaxSide)};
            case 1: return {Range(0, kMaxSide), in_.PickValueInArray({-1, INT32_MIN})};
            case 2: return in_.PickValueInArray(kPast32Bits);
            default: return {Range(0, kMaxSide), Range(0, kMaxSide)};
        }
    }

    // A claim over guarded memory of its layout, often a hostile one.
    void AddBuffer() {
        const int32_t bpp = in_.PickValueInArray({4, 4, 4, 1, 1, 1, 3, 2, 8, 0, -4});
        const auto claims = HostileClaims(Range(0, kMaxSide), Range(0, kMaxSide), bpp, Range(0, 9));
        pool_.emplace_back(claims[Bool() ? 0 : in_.ConsumeIntegralInRange<size_t>(0, claims.size() - 1)],
                           Bool() ? GuardSide::kAfter : GuardSide::kBefore);
    }
    const GuardedClaim& Pool() { return pool_[in_.ConsumeIntegralInRange<size_t>(0, pool_.size() - 1)]; }

    // A descriptor argument: a pool claim, an image's own pixels (never
    // passed on as owned), or null. What an image keeps (SetDesc,
    // AttachBuffer) comes from the pool only, which outlives the images.
    const ImageDesc* Desc(bool kept, const ImageDesc** twin) {
        const int32_t poolSize = static_cast<int32_t>(pool_.size());
        const int32_t pick = Range(0, poolSize + (kept ? 0 : 4));
        const ImageDesc* result = pick < poolSize ? &pool_[pick].desc : nullptr;
        if (twin) *twin = pick < poolSize ? &pool_[pick].twin : nullptr;
        if (pick > poolSize) {
            ICImageUtility* image = Image(pick - poolSize - 1);
            owned_[next_] = ImageDesc{image->GetData(), image->GetWidth(), image->GetHeight(), image->GetStride(),
                                      image->GetBytesPerPixel(), false};
            result = &owned_[next_];
            next_ = (next_ + 1) % 4;
            if (twin) *twin = result;
        }
        // Sometimes the two raw buffers are one.
        if (twin && Bool()) *twin = result;
        return result;
    }

    // A bitmap over a pool buffer that holds the pixels it claims, or one
    // whose depth must be refused; sometimes already released.
    HBITMAP Bitmap() {
        const GuardedClaim& b = Pool();
        const ImageDesc& d = b.desc;
        int32_t bits = in_.PickValueInArray({32, 24});
        if (int64_t{d.stride} * d.height > int64_t(b.memory.size()) || d.width < 0 || d.height < 0 ||
            d.stride < int64_t{d.width} * bits / 8 || Bool()) {
            bits = in_.PickValueInArray({0, -32, 7});
        }
        bitmap_ = VelMakeBitmapHandle(&bitmapRecord_, d.width, d.height, bits, d.stride, d.data);
        if (Bool()) VelReleaseBitmapHandle(bitmap_);
        return bitmap_;
    }
    HMODULE Module(bool bitmapResource) {
        resourceBytes_ = in_.ConsumeBytes<uint8_t>(in_.ConsumeIntegralInRange<size_t>(0, 200));
        resource_ = {bitmapResource ? RT_BITMAP : "IMAGE", 1, resourceBytes_.data(), static_cast<uint32_t>(resourceBytes_.size())};
        return module_ = VelMakeModuleHandle(&moduleRecord_, &resource_, 1);
    }
    void Loaded(const ImageDesc* loaded) {
        if (bitmap_) VelReleaseBitmapHandle(std::exchange(bitmap_, nullptr));
        if (module_) VelReleaseModuleHandle(std::exchange(module_, nullptr));
        Arguments::Loaded(loaded);
    }
    const char* PathA() {
        static const char* const kExtensions[] = {".bmp", ".jpg", ".jpeg", ".png", ".tif", ".tiff", ".gif", ".txt", ""};
        path_ = directory_ + "/image" + in_.PickValueInArray(kExtensions);
        return Or(path_.c_str());
    }
    void Fail(const char*) const { std::abort(); }

    // Each image kind made by one of its factories (or, from an empty one,
    // by SetDesc); a factory that refuses gives the empty form.
    template <typename I>
    void Remake(I*& image, I* (*empty)(), I* (*fromDesc)(const ImageDesc*), I* (*allocate)(int32_t, int32_t),
                I* (*wrap)(uint8_t*, int32_t, int32_t, int32_t), int32_t (*release)(I*)) {
        if (image) release(image);
        const int32_t how = Range(0, 4);
        const ImageDesc* d = how == 1 ? Kept() : how >= 3 ? &Pool().desc : nullptr;
        ImageDesc copy = d ? *d : ImageDesc{};
        copy.copy = how == 1 && Bool();
        const Extent size = how == 2 ? Size() : Extent{};
        image = how == 1 ? fromDesc(d ? &copy : nullptr) : how == 2 ? allocate(size.width, size.height)
                : how == 3 ? wrap(d->data, d->width, d->height, d->stride) : empty();
        if (image == nullptr) image = empty();
        if (how == 4) image->SetDesc(d);
    }
    void MakeImage(int32_t k) {
        if (k == 1) return Remake(argb_, GetCImageARGB, GetCImageARGB1, GetCImageARGB2, GetCImageARGB4, ReleaseCImageARGB);
        if (k == 2) return Remake(ayuv_, GetCImageAYUV, GetCImageAYUV1, GetCImageAYUV2, GetCImageAYUV4, ReleaseCImageAYUV);
        if (k == 3) return Remake(byte_, GetCImageByte, GetCImageByte1, GetCImageByte2, GetCImageByte4, ReleaseCImageByte);
        if (utility_) ReleaseCImageUtility(utility_);
        if (Bool()) {
            const ImageDesc& d = Pool().desc;
            utility_ = GetCImageUtility5(d.data, d.width, d.height, d.stride, d.bytesPerPixel);
        } else {
            // The buffer is height x stride bytes whatever the width: tall
            // images get a stride that takes them past 32 bits.
            const Extent size = Size();
            int32_t stride = Bool() ? Range(-4, 600) : in_.PickValueInArray({INT32_MIN, -0x10000});
            if (size.height > kMaxSide) stride = 0x10000;
            utility_ = GetCImageUtility4(size.width, size.height, stride, in_.PickValueInArray({1, 4, 3, 0, -1}));
        }
        if (utility_ == nullptr) utility_ = GetCImageUtility();
    }
    ICImageUtility* Image(int32_t k) const {
        ICImageUtility* const images[] = {utility_, argb_, ayuv_, byte_};
        return images[k];
    }
    void ReleaseAll() {
        ReleaseCImageUtility(utility_);
        ReleaseCImageARGB(argb_);
        ReleaseCImageAYUV(ayuv_);
        ReleaseCImageByte(byte_);
    }

    ICImageUtility* utility_ = nullptr;
    ICImageARGB* argb_ = nullptr;
    ICImageAYUV* ayuv_ = nullptr;
    ICImageByte* byte_ = nullptr;

private:
    FuzzedDataProvider& in_;
    std::string directory_, path_;
    int32_t next_ = 0;
    std::deque<GuardedClaim> pool_;
    ImageDesc owned_[4]{};
    std::vector<uint8_t> resourceBytes_;
    VelBitmapHandle bitmapRecord_;
    VelModuleHandle moduleRecord_;
    VelResource resource_{};
    HBITMAP bitmap_ = nullptr;
    HMODULE module_ = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string directory = MakeTempDirectory("viu_fuzz_sequences");
    // VIU_FUZZ_TRACE=1 lists the calls of a run, to read a finding.
    static const bool trace = std::getenv("VIU_FUZZ_TRACE") != nullptr;
    using Calls = SlotCalls<Sequence>;
    FuzzedDataProvider in(data, size);
    ScopedInstructionSetLevel level(in.ConsumeBool() ? 3 : 0);
    Sequence s(in, directory);
    const int32_t buffers = in.ConsumeIntegralInRange<int32_t>(1, 4);
    for (int32_t k = 0; k < buffers; ++k) s.AddBuffer();
    for (int32_t k = 0; k < 4; ++k) s.MakeImage(k);

    for (int32_t step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
        const int32_t kind = in.ConsumeIntegralInRange<int32_t>(0, 4);
        const size_t typed = kind == 1 ? Calls::Argb().size() : kind == 2 ? Calls::Ayuv().size()
                             : kind == 3 ? Calls::Byte().size() : 0;
        const size_t slot = in.ConsumeIntegralInRange<size_t>(0, kind == 4 ? 3 : 37 + typed - 1);
        if (trace) std::fprintf(stderr, "step %d: image %d, slot %zu\n", step, kind, slot);
        if (kind == 4) s.MakeImage(static_cast<int32_t>(slot));
        else if (slot < 37) Calls::Common()[slot].call(s.Image(kind), s);
        else if (kind == 1) Calls::Argb()[slot - 37].call(s.argb_, s);
        else if (kind == 2) Calls::Ayuv()[slot - 37].call(s.ayuv_, s);
        else Calls::Byte()[slot - 37].call(s.byte_, s);
    }
    s.ReleaseAll();
    return 0;
}
