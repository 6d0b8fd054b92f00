// libFuzzer target over sequences of operations: the input picks the
// instruction-set level, a pool of caller buffers (claims whose buffer
// covers them, and hostile claims over small buffers), four images made
// through the factories, then a run of calls to any slot of the five
// interfaces with arguments drawn from the input. The sanitizers and the
// guard pages catch a touch outside the buffers, a leak or undefined
// arithmetic; the images go back through the release exports.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "VelImageUtility/Exports.h"
#include "VelImageUtility/PlatformStandIns.h"
#include "core/CImageBase.h"
#include "core/InstructionSetLevel.h"
#include "guarded_buffer.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

// VIU_FUZZ_TRACE=1 lists the calls of a run and their descriptors, to read a finding.
const bool trace = std::getenv("VIU_FUZZ_TRACE") != nullptr;

constexpr int32_t kMaxSide = 64;
constexpr int32_t kMaxSteps = 48;

// A claim and the guarded memory behind it, with a twin of the same claim
// for the services that take two raw buffers. The memory covers
// |stride| x height bytes whenever that fits 32 bits (a negative stride
// points at the last row); claims past 32 bits sit over 64 bytes.
struct PoolBuffer {
    std::unique_ptr<GuardedBuffer> memory, twinMemory;
    ImageDesc desc{}, twin{};
    bool covered = false;  // the memory holds |stride| x height bytes
};

const int32_t kInts[] = {0, 1, -1, 2, 3, 7, 8, 15, 16, 17, 31, 100, 101, 255, 256, 1000, 32767, 32768, 65535, 65536,
                         INT32_MAX, INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, -129, 0x40000000, 0x10000 * 255};
const float kFloats[] = {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, 100.0f, -100.0f, 12850.0f, 1e-30f, 1e30f, -1e30f, 3.0e9f,
                         -3.0e9f, 2147483520.0f, std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                         std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, 6.2831855f};

class Sequence {
public:
    explicit Sequence(FuzzedDataProvider& in)
        : in_(in), scratch_(64, GuardSide::kAfter), lists_{{16, GuardSide::kAfter}, {16, GuardSide::kAfter}, {16, GuardSide::kBefore}} {}

    int32_t I() {
        switch (in_.ConsumeIntegralInRange<int32_t>(0, 3)) {
            case 0: return in_.ConsumeIntegralInRange<int32_t>(-3, 70);
            case 1: return in_.PickValueInArray(kInts);
            case 2: return in_.ConsumeIntegralInRange<int32_t>(-300, 300);
            default: return in_.ConsumeIntegral<int32_t>();
        }
    }
    uint32_t U() { return static_cast<uint32_t>(I()); }
    uint8_t B() { return in_.ConsumeIntegral<uint8_t>(); }
    float F() {
        switch (in_.ConsumeIntegralInRange<int32_t>(0, 2)) {
            case 0: return in_.PickValueInArray(kFloats);
            case 1: return in_.ConsumeFloatingPointInRange<float>(-100.0f, 100.0f);
            default: return in_.ConsumeFloatingPoint<float>();
        }
    }
    bool Bool() { return in_.ConsumeBool(); }

    // Output pointers: the last bytes before a guard page, or null.
    template <typename T>
    T* Out() {
        return in_.ConsumeIntegralInRange<int32_t>(0, 7) == 0
                   ? nullptr
                   : reinterpret_cast<T*>(scratch_.data() + scratch_.size() - sizeof(T));
    }

    // One of SelectKth's lists of four, or null.
    uint32_t* List(int32_t k) {
        if (in_.ConsumeIntegralInRange<int32_t>(0, 7) == 0) return nullptr;
        uint32_t* list = reinterpret_cast<uint32_t*>(lists_[k].data());
        for (int32_t i = 0; i < 4; ++i) list[i] = U();
        return list;
    }

    void AddBuffer() {
        PoolBuffer b;
        int32_t bpp = in_.PickValueInArray({4, 4, 4, 1, 1, 1, 3, 2, 8, 0, -4});
        const int32_t width = in_.ConsumeIntegralInRange<int32_t>(0, kMaxSide);
        const int32_t height = in_.ConsumeIntegralInRange<int32_t>(0, kMaxSide);
        const int32_t rowBytes = width * (bpp > 0 ? bpp : 1);
        int32_t stride = rowBytes + in_.ConsumeIntegralInRange<int32_t>(0, 9);
        ImageDesc claim{nullptr, width, height, stride, bpp, false};
        bool bottomUp = false, small = false;
        switch (in_.ConsumeIntegralInRange<int32_t>(0, 11)) {
            case 0: claim.width = -in_.ConsumeIntegralInRange<int32_t>(1, 64); break;
            case 1: claim.height = -in_.ConsumeIntegralInRange<int32_t>(1, 64); break;
            case 2: claim.stride = stride = rowBytes - in_.ConsumeIntegralInRange<int32_t>(1, 5); break;
            case 3: bottomUp = true; break;
            case 4: {
                // Extents whose rows or whole buffer pass 32 bits.
                static const ImageDesc kHuge[] = {
                    {nullptr, 0x40000000, 3, INT32_MAX, 4, false}, {nullptr, 0x10000, 0x10000, 0x40000, 4, false},
                    {nullptr, 19, 0x10000, 0x10000, 4, false},     {nullptr, 5, 0x8000, 0x10000, 1, false},
                    {nullptr, INT32_MAX, 2, INT32_MAX, 1, false},  {nullptr, 0x20000000, 1, 64, 4, false},
                    {nullptr, 0x40000000, 2, 0x40000000, 1, false}, {nullptr, 3, INT32_MAX, 16, 4, false},
                    {nullptr, 0x10000, 0x10000, 0x10000, 1, false}, {nullptr, 0x7FFFFFF, 0x11, 0x7FFFFFF * 4, 4, false}};
                claim = in_.PickValueInArray(kHuge);
                small = true;
                break;
            }
            case 5: claim.bytesPerPixel = in_.PickValueInArray({1, 2, 3, 4, 8, 0, -1, INT32_MAX}); break;
            default: break;
        }
        const bool nullData = in_.ConsumeIntegralInRange<int32_t>(0, 15) == 0;
        const size_t bytes = small ? 64 : static_cast<size_t>(stride < 0 ? 0 : stride) * static_cast<size_t>(height);
        const GuardSide side = Bool() ? GuardSide::kAfter : GuardSide::kBefore;
        b.memory = std::make_unique<GuardedBuffer>(bytes, side);
        b.twinMemory = std::make_unique<GuardedBuffer>(bytes, side);
        for (GuardedBuffer* m : {b.memory.get(), b.twinMemory.get()}) {
            for (size_t i = 0; i < bytes; ++i) m->data()[i] = static_cast<uint8_t>(i * 37 + bytes);
        }
        const size_t lastRow = bottomUp && height > 0 ? static_cast<size_t>(height - 1) * static_cast<size_t>(stride) : 0;
        if (bottomUp) claim.stride = -stride;
        b.desc = claim;
        b.twin = claim;
        b.desc.data = nullData ? nullptr : b.memory->data() + lastRow;
        b.twin.data = nullData ? nullptr : b.twinMemory->data() + lastRow;
        b.covered = !small;
        pool_.push_back(std::move(b));
    }

    // A descriptor argument: a pool claim, an image's own pixels (never
    // passed on as owned), or null. What an image keeps (SetDesc,
    // AttachBuffer) comes from the pool only, which outlives the images.
    const ImageDesc* D(const ImageDesc** twin = nullptr, bool poolOnly = false) {
        const ImageDesc* d = PickDesc(twin, poolOnly);
        if (trace && d) std::fprintf(stderr, "  desc %p %d x %d, stride %d, %d bytes per pixel\n",
                                     static_cast<void*>(d->data), d->width, d->height, d->stride, d->bytesPerPixel);
        return d;
    }
    const ImageDesc* PickDesc(const ImageDesc** twin, bool poolOnly) {
        const int32_t poolSize = static_cast<int32_t>(pool_.size());
        const int32_t pick = in_.ConsumeIntegralInRange<int32_t>(0, poolSize + (poolOnly ? 0 : 4));
        if (pick < poolSize) {
            if (twin) *twin = &pool_[pick].twin;
            return &pool_[pick].desc;
        }
        const ImageDesc* result = nullptr;
        if (!poolOnly && pick - poolSize < 4) {
            ICImageUtility* image = Image(pick - poolSize);
            owned_[next_] = ImageDesc{image->GetData(), image->GetWidth(), image->GetHeight(), image->GetStride(),
                                      image->GetBytesPerPixel(), false};
            result = &owned_[next_];
            next_ = (next_ + 1) % 4;
        }
        if (twin) *twin = result;
        return result;
    }

    ICImageUtility* Image(int32_t k) {
        switch (k) {
            case 0: return utility_;
            case 1: return argb_;
            case 2: return ayuv_;
            default: return byte_;
        }
    }

    // Sizes for the allocating operations: small, negative, or a pixel
    // count past 32 bits (so that even one byte per pixel must be refused).
    struct Size {
        int32_t width, height;
    };
    Size Sizes() {
        static const Size kPast32Bits[] = {{0x10000, 0x8000}, {0x10000, 0x10000}, {INT32_MAX, 2},
                                           {2, 0x40000000}, {INT32_MAX, INT32_MAX}, {0x8000, 0x10001}};
        switch (in_.ConsumeIntegralInRange<int32_t>(0, 5)) {
            case 0: return {-in_.ConsumeIntegralInRange<int32_t>(1, 3), in_.ConsumeIntegralInRange<int32_t>(-3, kMaxSide)};
            case 1: return {in_.ConsumeIntegralInRange<int32_t>(0, kMaxSide), in_.PickValueInArray({-1, INT32_MIN})};
            case 2: return in_.PickValueInArray(kPast32Bits);
            default: return {in_.ConsumeIntegralInRange<int32_t>(0, kMaxSide), in_.ConsumeIntegralInRange<int32_t>(0, kMaxSide)};
        }
    }

    // Each image kind made by one of its factories (or, from an empty one,
    // by SetDesc or AttachBuffer); a factory that refuses gives the empty form.
    template <typename I>
    I* Make(I* (*empty)(), I* (*fromDesc)(const ImageDesc*), I* (*allocate)(int32_t, int32_t),
            I* (*wrap)(uint8_t*, int32_t, int32_t, int32_t)) {
        I* image = nullptr;
        switch (in_.ConsumeIntegralInRange<int32_t>(0, 5)) {
            case 0: image = empty(); break;
            case 1: {
                const ImageDesc* d = D(nullptr, true);
                ImageDesc copy = d ? *d : ImageDesc{};
                copy.copy = Bool();
                image = fromDesc(d ? &copy : nullptr);
                break;
            }
            case 2: {
                const Size size = Sizes();
                image = allocate(size.width, size.height);
                break;
            }
            case 3: {
                const PoolBuffer& b = pool_[in_.ConsumeIntegralInRange<size_t>(0, pool_.size() - 1)];
                image = wrap(b.desc.data, b.desc.width, b.desc.height, b.desc.stride);
                break;
            }
            default: {
                const PoolBuffer& b = pool_[in_.ConsumeIntegralInRange<size_t>(0, pool_.size() - 1)];
                image = empty();
                image->SetDesc(&b.desc);
                break;
            }
        }
        if (image == nullptr) image = empty();
        return image;
    }

    void MakeImage(int32_t k) {
        switch (k) {
            case 0: {
                if (utility_) ReleaseCImageUtility(utility_);
                if (Bool()) {
                    const PoolBuffer& b = pool_[in_.ConsumeIntegralInRange<size_t>(0, pool_.size() - 1)];
                    utility_ = GetCImageUtility5(b.desc.data, b.desc.width, b.desc.height, b.desc.stride,
                                                 b.desc.bytesPerPixel);
                } else {
                    const Size size = Sizes();
                    // The buffer is height x stride bytes whatever the width: tall
                    // images get a stride that takes them past 32 bits.
                    int32_t stride = in_.ConsumeBool() ? in_.ConsumeIntegralInRange<int32_t>(-4, 600)
                                                       : in_.PickValueInArray({INT32_MIN, -0x10000});
                    if (size.height > kMaxSide) stride = 0x10000;
                    utility_ = GetCImageUtility4(size.width, size.height, stride, in_.PickValueInArray({1, 4, 3, 0, -1}));
                }
                if (utility_ == nullptr) utility_ = GetCImageUtility();
                break;
            }
            case 1:
                if (argb_) ReleaseCImageARGB(argb_);
                argb_ = Make<ICImageARGB>(GetCImageARGB, GetCImageARGB1, GetCImageARGB2, GetCImageARGB4);
                break;
            case 2:
                if (ayuv_) ReleaseCImageAYUV(ayuv_);
                ayuv_ = Make<ICImageAYUV>(GetCImageAYUV, GetCImageAYUV1, GetCImageAYUV2, GetCImageAYUV4);
                break;
            default:
                if (byte_) ReleaseCImageByte(byte_);
                byte_ = Make<ICImageByte>(GetCImageByte, GetCImageByte1, GetCImageByte2, GetCImageByte4);
                break;
        }
    }

    void ReleaseAll() {
        ReleaseCImageUtility(utility_);
        ReleaseCImageARGB(argb_);
        ReleaseCImageAYUV(ayuv_);
        ReleaseCImageByte(byte_);
    }

    // A loaded image becomes the ARGB image of the sequence.
    void TakeLoaded(const ImageDesc& loaded, const ImageDesc& before) {
        if (loaded.data == before.data) return;
        if (loaded.data == nullptr || !loaded.copy || loaded.bytesPerPixel != 4 || loaded.stride != loaded.width * 4) {
            std::abort();
        }
        ReleaseCImageARGB(argb_);
        argb_ = GetCImageARGB();
        argb_->SetDesc(&loaded);
    }

    std::string Path() {
        static const char* const kExtensions[] = {".bmp", ".jpg", ".jpeg", ".png", ".tif", ".tiff", ".gif", ".txt", ""};
        return directory_ + "/image" + in_.PickValueInArray(kExtensions);
    }

    void SetDirectory(const std::string& directory) { directory_ = directory; }
    FuzzedDataProvider& in() { return in_; }
    size_t PoolSize() const { return pool_.size(); }
    const PoolBuffer& Pool(size_t k) const { return pool_[k]; }

private:
    FuzzedDataProvider& in_;
    GuardedBuffer scratch_;
    GuardedBuffer lists_[3];  // SelectKth's values and its two work lists
    std::vector<PoolBuffer> pool_;
    ImageDesc owned_[4]{};
    int32_t next_ = 0;
    std::string directory_;
    ICImageUtility* utility_ = nullptr;
    ICImageARGB* argb_ = nullptr;
    ICImageAYUV* ayuv_ = nullptr;
    ICImageByte* byte_ = nullptr;

public:
    ICImageARGB* argb() { return argb_; }
    ICImageAYUV* ayuv() { return ayuv_; }
    ICImageByte* byte() { return byte_; }
};

// Raw-buffer arguments from a descriptor: pointer, a width that its stride
// covers as 4-byte pixels, height and stride.
struct Raw {
    uint8_t *p = nullptr, *p2 = nullptr;
    int32_t w = 0, h = 0, stride = 0, packedWidth = 0;
};
Raw RawOf(Sequence& s, bool poolOnly = false) {
    const ImageDesc* twin = nullptr;
    const ImageDesc* d = s.D(&twin, poolOnly);
    Raw r;
    if (d == nullptr) return r;
    r.p = d->data;
    r.p2 = twin ? twin->data : nullptr;
    r.w = d->width;
    r.h = d->height;
    r.stride = d->stride;
    // Packed rows that the buffer holds (none for a negative stride).
    r.packedWidth = d->stride / 4;
    if (s.Bool()) r.p2 = r.p;
    return r;
}

void Save(ICImageUtility* o, Sequence& s, const ImageDesc* d, const std::string& path) {
    ImageDesc copy = d ? *d : ImageDesc{};
    const std::wstring wide(path.begin(), path.end());
    (void)o->SaveToFile(d ? &copy : nullptr, s.Bool() ? wide.c_str() : nullptr);
}

using Slot = void (*)(ICImageUtility*, Sequence&);

#define S [](ICImageUtility* o, [[maybe_unused]] Sequence& s)
// The 12 + 25 slots every interface starts with.
const Slot kUtilitySlots[] = {
    S { (void)o->GetWidth(); },
    S { (void)o->GetHeight(); },
    S { (void)o->GetStride(); },
    S { (void)o->GetPixelCount(); },
    S { (void)o->GetBytesPerPixel(); },
    S { (void)o->IsDataOwned(); },
    S { (void)o->GetData(); },
    S { (void)o->GetDesc(); },
    S {
        // SetDesc leaves an owned buffer to the caller, as a host would take
        // it with GetDesc and release it.
        uint8_t* owned = o->IsDataOwned() ? o->GetData() : nullptr;
        const ImageDesc* d = s.D(nullptr, true);
        o->SetDesc(d);
        if (d != nullptr) ReleasePixelBuffer(owned);
    },
    S { (void)o->GetPixelAddress(s.I(), s.I()); },
    S { (void)o->IsSameSize(s.D()); },
    S { o->Fill(s.I()); },
    S { o->ConvertRGBToHSL(s.B(), s.B(), s.B(), s.Out<uint8_t>(), s.Out<uint8_t>(), s.Out<uint8_t>()); },
    S { o->ConvertHSLToRGB(s.B(), s.B(), s.B(), s.Out<uint8_t>(), s.Out<uint8_t>(), s.Out<uint8_t>()); },
    S { o->ConvertRGBToLuma(s.B(), s.B(), s.B(), s.Out<uint8_t>()); },
    S { o->ConvertRGBToYUV(s.I(), s.I(), s.I(), s.Out<int32_t>(), s.Out<int32_t>(), s.Out<int32_t>()); },
    S { o->ConvertRGBToYUVPacked(_mm_set_epi32(s.I(), s.I(), s.I(), s.I()), s.Out<__m128i>()); },
    S { o->ConvertYUVToRGB(s.I(), s.I(), s.I(), s.Out<int32_t>(), s.Out<int32_t>(), s.Out<int32_t>()); },
    S { o->ConvertYUVToRGBPacked(_mm_set_epi32(s.I(), s.I(), s.I(), s.I()), s.Out<__m128i>()); },
    S { o->ConvertRGBToYUVNoOffset(s.I(), s.I(), s.I(), s.Out<int32_t>(), s.Out<int32_t>(), s.Out<int32_t>()); },
    S { Raw r = RawOf(s); o->ReservedA(r.p, s.I(), s.I(), s.I(), r.p2, s.I(), s.I(), s.I()); },
    S { Raw r = RawOf(s); (void)o->ReservedB(r.p, s.I(), s.I(), s.I(), r.p2, s.I()); },
    S { Raw r = RawOf(s); o->BoxBlur(r.p, r.p2, r.w, r.h, r.stride, r.stride, s.I()); },
    S { Raw r = RawOf(s); o->BoxBlurAlphaWeighted(r.p, r.p2, r.w, r.h, r.stride, r.stride, s.I()); },
    S { Raw r = RawOf(s); o->ZoomBlur(r.p, r.p2, r.packedWidth, r.h, s.I(), s.I(), s.I()); },
    S { Raw r = RawOf(s); o->GaussianBlur(s.I(), r.p2, r.p, r.w, r.h, r.stride, r.stride); },
    S { Raw r = RawOf(s); o->GaussianBlurAlphaWeighted(s.I(), r.p2, r.p, r.packedWidth, r.h, s.I(), s.I()); },
    S {
        // The work lists hold up to count values each.
        uint32_t* values = s.List(0);
        const int32_t count = s.in().ConsumeIntegralInRange<int32_t>(-1, 4);
        (void)o->SelectKth(values, count, s.I(), s.List(1), s.List(2));
    },
    S { Raw r = RawOf(s); (void)o->MedianFilter(s.I(), r.p2, r.p, r.w, r.h, r.stride, r.stride); },
    S {
        Raw r = RawOf(s);
        SIZE size{r.packedWidth, r.h};
        o->SetAlphaFromColorKey(r.p, s.Bool() ? &size : nullptr, s.U(), s.I());
    },
    S {
        Raw r = RawOf(s);
        SIZE size{r.packedWidth, r.h};
        RECT rect{s.I(), s.I(), s.I(), s.I()};
        o->FillGradient(r.p, s.Bool() ? &size : nullptr, s.Bool() ? &rect : nullptr, s.I(), s.U(), s.U());
    },
    S {
        // A bitmap over a pool buffer that holds the pixels it claims, or
        // one whose depth must be refused.
        const PoolBuffer& b = s.Pool(s.in().ConsumeIntegralInRange<size_t>(0, s.PoolSize() - 1));
        const ImageDesc& d = b.desc;
        int32_t bits = s.in().PickValueInArray({32, 24});
        if (!b.covered || d.width < 0 || d.height < 0 || d.stride < int64_t{d.width} * bits / 8 || s.Bool()) {
            bits = s.in().PickValueInArray({0, -32, 7});
        }
        VelBitmapHandle record;
        HBITMAP bitmap = VelMakeBitmapHandle(&record, d.width, d.height, bits, d.stride, d.data);
        if (s.Bool()) VelReleaseBitmapHandle(bitmap);
        ImageDesc loaded{};
        o->LoadFromHBitmap(s.Bool() ? &loaded : nullptr, bitmap);
        VelReleaseBitmapHandle(bitmap);
        s.TakeLoaded(loaded, ImageDesc{});
    },
    S {
        const std::vector<uint8_t> bytes = s.in().ConsumeBytes<uint8_t>(s.in().ConsumeIntegralInRange<size_t>(0, 200));
        const VelResource resources[] = {{"IMAGE", 1, bytes.data(), static_cast<uint32_t>(bytes.size())}};
        VelModuleHandle record;
        HMODULE module = VelMakeModuleHandle(&record, resources, 1);
        ImageDesc loaded{};
        o->LoadFromResource(&loaded, module, s.Bool() ? "image" : "PNG", s.in().ConsumeIntegralInRange<uint32_t>(0, 2));
        VelReleaseModuleHandle(module);
        s.TakeLoaded(loaded, ImageDesc{});
    },
    S {
        const std::vector<uint8_t> bytes = s.in().ConsumeBytes<uint8_t>(s.in().ConsumeIntegralInRange<size_t>(0, 200));
        const VelResource resources[] = {{RT_BITMAP, 1, bytes.data(), static_cast<uint32_t>(bytes.size())}};
        VelModuleHandle record;
        HMODULE module = VelMakeModuleHandle(&record, resources, 1);
        ImageDesc loaded{};
        o->LoadFromBitmapResource(&loaded, module, s.in().ConsumeIntegralInRange<uint32_t>(0, 2));
        VelReleaseModuleHandle(module);
        s.TakeLoaded(loaded, ImageDesc{});
    },
    S {
        const std::string path = s.Path();
        const std::wstring wide(path.begin(), path.end());
        ImageDesc loaded{};
        o->LoadFromFile(&loaded, s.Bool() ? wide.c_str() : nullptr);
        s.TakeLoaded(loaded, ImageDesc{});
    },
    S {
        const std::string path = s.Path();
        ImageDesc loaded{};
        o->LoadFromFileA(&loaded, s.Bool() ? path.c_str() : nullptr);
        s.TakeLoaded(loaded, ImageDesc{});
    },
    S { Save(o, s, s.D(), s.Path()); },
};

#define A(...) [](ICImageUtility* u, [[maybe_unused]] Sequence& s) { ICImageARGB* o = static_cast<ICImageARGB*>(u); __VA_ARGS__; }
const Slot kArgbSlots[] = {
    A(const auto size = s.Sizes(); o->Allocate(size.width, size.height)),
    A(Raw r = RawOf(s, true); o->AttachBuffer(r.p, r.w, r.h, r.stride)),
    A(o->ConvertToAYUV(s.D())),
    A(o->ConvertFromHSLPlanes(s.D(), s.D(), s.D())),
    A(o->CopyAlphaFrom(s.D())),
    A(o->SetChannel(s.D(), s.I())),
    A(o->GetChannel(s.D(), s.I())),
    A(o->SetGrayFromPlane(s.D())),
    A(o->CopyFrom(s.D())),
    A((void)o->GetRegionDesc(s.Out<ImageDesc>(), s.I(), s.I(), s.I(), s.I())),
    A(o->ResizeTo(s.D(), s.in().ConsumeIntegralInRange<uint32_t>(0, 3))),
    A(o->ConvertToLuma(s.D())),
    A(o->BoxBlurTo(s.D(), s.I())),
    A(o->BoxBlurAlphaWeightedTo(s.D(), s.I())),
    A(o->EmbossToPlane(s.D(), s.I())),
    A(o->ConvertToHSLPlanes(s.D(), s.D(), s.D())),
    A(o->GradientMagnitude(s.D())),
    A(o->MultiplyBlend(s.D())),
    A(o->ScreenBlend(s.D())),
    A(o->ColorDodgeBlend(s.D())),
    A(o->LinearDodgeBlend(s.D())),
    A(o->OverlayBlend(s.D())),
    A(o->HardLightBlend(s.D())),
    A(o->SoftLightBlend(s.D())),
    A(const ImageDesc* d = s.D(); o->PasteFeathered(d, s.I(), s.I(), d && s.Bool() ? d->width : s.I(),
                                                     d && s.Bool() ? d->height : s.I(), s.U(), s.F())),
    A(o->MaskByThreshold(s.D(), s.I())),
    A(o->AlphaBlend(s.D(), s.B())),
    A(o->AdditiveBlend(s.D(), s.B())),
    A(o->AlphaComposite(s.D(), s.B())),
    A(o->DrawImage(s.D(), s.I(), s.F(), s.F(), s.F(), s.F(), s.B())),
    A(o->DrawRotatedImage(s.D(), s.I(), s.F(), s.F(), s.F(), s.F(), s.F(), s.B())),
    A(o->DrawRotatedImageScaled(s.D(), s.I(), s.F(), s.F(), s.F(), s.F(), s.F(), s.F(), s.B())),
    A(o->BlendColor(s.U(), s.B())),
    A(o->ApplySetAlphaFromColorKey(s.U(), s.I())),
    A(RECT rect{s.I(), s.I(), s.I(), s.I()}; o->ApplyFillGradient(s.Bool() ? &rect : nullptr, s.I(), s.U(), s.U())),
    A(o->ConvertToGray()),
    A(o->ApplyBoxBlur(s.I())),
    A(o->ApplyGaussianBlur(s.I())),
    A(o->ApplyZoomBlur(s.I())),
    A(o->ApplyBoxBlurAlphaWeighted(s.I())),
    A(o->ApplyGaussianBlurAlphaWeighted(s.I())),
    A((void)o->GetMeanValue()),
    A(o->Invert()),
    A(o->ConvertToGrayLightness()),
    A(o->MedianFilterChannels(s.I())),
    A(o->UnsharpMask(s.F(), s.F(), s.U())),
    A(o->Posterize(s.I())),
    A(o->AdjustContrast(s.F())),
    A(o->AdjustContrastAroundMean(s.I())),
    A(o->AdjustBrightness(s.I())),
    A(o->MapLevels(s.B(), s.B(), s.B(), s.B())),
    A(o->SubtractPlane(s.D())),
    A(o->SetAlpha(s.B())),
    A(o->FillColorKeepAlpha(s.B(), s.B(), s.B())),
    A(o->FillPixel(s.U())),
    A(o->ScaleChannelsRGB(s.B(), s.B(), s.B(), s.B())),
    A(o->SampleBilinear(s.U(), s.U(), reinterpret_cast<uint8_t*>(s.Out<uint32_t>()))),
    A((void)o->GetRowPadding()),
};
#undef A

#define Y(...) [](ICImageUtility* u, [[maybe_unused]] Sequence& s) { ICImageAYUV* o = static_cast<ICImageAYUV*>(u); __VA_ARGS__; }
const Slot kAyuvSlots[] = {
    Y(const auto size = s.Sizes(); o->Allocate(size.width, size.height)),
    Y(Raw r = RawOf(s, true); o->AttachBuffer(r.p, r.w, r.h, r.stride)),
    Y(o->ConvertToARGB(s.D())),
    Y(o->CopyAlphaFrom(s.D())),
    Y(o->CopyFrom(s.D())),
    Y((void)o->GetRegionDesc(s.Out<ImageDesc>(), s.I(), s.I(), s.I(), s.I())),
    Y(o->ResizeTo(s.D(), s.in().ConsumeIntegralInRange<uint32_t>(0, 3))),
    Y(o->ConvertToLuma(s.D())),
    Y(o->AlphaBlend(s.D(), s.B())),
    Y(o->DrawRotatedImageScaled(s.D(), s.I(), s.F(), s.F(), s.F(), s.F(), s.F(), s.F(), s.B())),
    Y(o->AlphaComposite(s.D(), s.B())),
    Y(o->BoxBlurInPlace(s.I())),
    Y(o->Posterize(s.I())),
    Y(o->FillColorKeepAlpha(s.B(), s.B(), s.B())),
    Y(o->FillPixel(s.U())),
    Y(o->ScaleChannelsRGB(s.B(), s.B(), s.B(), s.B())),
};
#undef Y

#define P(...) [](ICImageUtility* u, [[maybe_unused]] Sequence& s) { ICImageByte* o = static_cast<ICImageByte*>(u); __VA_ARGS__; }
const Slot kByteSlots[] = {
    P(const auto size = s.Sizes(); o->Allocate(size.width, size.height)),
    P(o->MaskByThreshold(s.D(), s.I())),
    P(o->ColorDodgeBlend(s.D())),
    // The pattern has no stride: it is read as packed rows of the buffer's
    // stride, all of them when the claim passes 32 bits.
    P(Raw r = RawOf(s);
      const bool fits = int64_t{r.stride} * r.h <= INT32_MAX;
      const int32_t width = fits && r.stride > 0 ? s.in().ConsumeIntegralInRange<int32_t>(-2, r.stride) : r.stride;
      o->AddTiledPattern(r.p, width, r.h)),
    P(o->AddCrossHatch()),
    P(o->SubtractPlane(s.D())),
    P(o->MultiplyByGain(s.I())),
    P(o->BoxBlurInPlace(s.I())),
    P(o->Invert()),
    P((void)o->GetMeanValue()),
    P(o->DetectEdges(s.D(), s.I(), s.B())),
    P(o->EmbossToPlane(s.D(), s.I())),
    P(o->AdjustContrast(s.F())),
    P(o->AdjustContrastAroundMean(s.I())),
    P(o->AdjustBrightness(s.I())),
    P(o->MapLevels(s.B(), s.B(), s.B(), s.B())),
};
#undef P
#undef S

static_assert(sizeof kUtilitySlots / sizeof kUtilitySlots[0] == 37, "every inherited slot");
static_assert(sizeof kArgbSlots / sizeof kArgbSlots[0] == 95 - 37, "every ARGB slot");
static_assert(sizeof kAyuvSlots / sizeof kAyuvSlots[0] == 53 - 37, "every AYUV slot");
static_assert(sizeof kByteSlots / sizeof kByteSlots[0] == 53 - 37, "every Byte slot");

std::string MakeDirectory() {
    char pattern[] = "/tmp/viu_fuzz_sequences_XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string directory = MakeDirectory();
    FuzzedDataProvider in(data, size);
    ScopedInstructionSetLevel level(in.ConsumeBool() ? 3 : 0);
    Sequence s(in);
    s.SetDirectory(directory);
    const int32_t buffers = in.ConsumeIntegralInRange<int32_t>(1, 4);
    for (int32_t k = 0; k < buffers; ++k) s.AddBuffer();
    for (int32_t k = 0; k < 4; ++k) s.MakeImage(k);

    for (int32_t step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
        const int32_t kind = in.ConsumeIntegralInRange<int32_t>(0, 4);
        if (kind == 4) {
            const int32_t k = in.ConsumeIntegralInRange<int32_t>(0, 3);
            if (trace) std::fprintf(stderr, "step %d: new image %d\n", step, k);
            s.MakeImage(k);
            continue;
        }
        ICImageUtility* image = s.Image(kind);
        const size_t typed = kind == 1 ? sizeof kArgbSlots / sizeof kArgbSlots[0]
                             : kind == 2 ? sizeof kAyuvSlots / sizeof kAyuvSlots[0]
                             : kind == 3 ? sizeof kByteSlots / sizeof kByteSlots[0] : 0;
        const size_t slot = in.ConsumeIntegralInRange<size_t>(0, 37 + typed - 1);
        if (trace) std::fprintf(stderr, "step %d: image %d slot %zu\n", step, kind, slot);
        if (slot < 37) {
            kUtilitySlots[slot](image, s);
        } else if (kind == 1) {
            kArgbSlots[slot - 37](image, s);
        } else if (kind == 2) {
            kAyuvSlots[slot - 37](image, s);
        } else {
            kByteSlots[slot - 37](image, s);
        }
    }
    s.ReleaseAll();
    return 0;
}
