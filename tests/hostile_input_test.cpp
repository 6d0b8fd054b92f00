// Every slot of the five interfaces, called with hostile descriptors,
// images and numbers over guarded buffers: nothing may crash, touch a byte
// outside the buffers or a padding byte, and a call whose input must be
// refused changes no byte at all. The calls are those of tests/slot_calls.h;
// a table here says what each slot does with its inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iterator>
#include <limits>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "VelImageUtility/Exports.h"
#ifndef _WIN32
#include "VelImageUtility/PlatformStandIns.h"
#endif
#include "core/InstructionSetLevel.h"
#include "core/OperationLists.h"
#include "guarded_buffer.h"
#include "slot_calls.h"

namespace {

using namespace VelImageUtility;
using namespace VelImageUtility::test;

constexpr int32_t kW = 19, kH = 3;  // a 16-pixel vector group and a tail

// What a slot does with its inputs, for the refusal oracle.
enum : uint32_t {
    kSelf = 1,      // works on this image's pixels: an unusable image is refused
    kDesc4 = 2,     // its descriptor argument holds 4-byte pixels
    kDesc1 = 4,     // ... a 1-byte plane
    kPacked1 = 8,   // ... a 1-byte plane in packed rows
    kRaw = 16,      // ... raw buffer arguments taken as 4-byte pixels: bytes per pixel not consulted
    kOwnBpp = 32,   // the descriptor and this image are walked by their own bytes per pixel
    kSized = 64,    // the descriptor must cover this image's width and height
    kPadding = 128, // writes row padding by definition
    kLoose = 256,   // the descriptor is only a source of hostile numbers: no refusal is asserted
};

// The slots whose flags differ from the default: kSelf for an interface's
// own slots, none for the ones every interface starts with. On the Byte
// interface its own descriptors are 1-byte planes in packed rows.
const std::pair<uint32_t, const char*> kFlags[] = {
    {0, "Allocate GetRegionDesc GetRowPadding"},
    {kDesc4, "IsSameSize LoadFromHBitmap LoadFromResource LoadFromBitmapResource LoadFromFile LoadFromFileA"},
    {kDesc4 | kOwnBpp | kPadding, "SetDesc"},
    {kSelf | kOwnBpp | kPadding, "Fill"},
    {kDesc4 | kRaw, "ReservedA ReservedB BoxBlur BoxBlurAlphaWeighted GaussianBlur MedianFilter SaveToFile"},
    // No strides: the rows are packed, so the width is the one the stride holds.
    {kDesc4 | kLoose | kPadding, "ZoomBlur GaussianBlurAlphaWeighted SetAlphaFromColorKey FillGradient"},
    {kDesc4 | kRaw | kPadding, "AttachBuffer"},
    {kSelf | kDesc4 | kRaw | kPadding, "ResizeTo"},
    {kSelf | kDesc4 | kSized, "ConvertToAYUV ConvertToARGB CopyAlphaFrom CopyFrom BoxBlurTo BoxBlurAlphaWeightedTo "
                              "GradientMagnitude MultiplyBlend ScreenBlend ColorDodgeBlend LinearDodgeBlend OverlayBlend "
                              "HardLightBlend SoftLightBlend AlphaBlend AdditiveBlend AlphaComposite"},
    {kSelf | kDesc4, "PasteFeathered DrawImage DrawRotatedImage DrawRotatedImageScaled"},
    {kSelf | kDesc1 | kSized, "ConvertFromHSLPlanes SetChannel GetChannel ConvertToHSLPlanes DetectEdges"},
    {kSelf | kDesc1 | kOwnBpp | kSized, "SetGrayFromPlane EmbossToPlane MaskByThreshold SubtractPlane"},
    {kSelf | kDesc1 | kOwnBpp | kSized | kPadding, "ConvertToLuma"},
    {kSelf | kDesc1 | kLoose, "AddTiledPattern"},
};

uint32_t FlagsOf(const std::string& name, bool own, bool byteImage) {
    uint32_t flags = own ? uint32_t{kSelf} : 0u;
    for (const auto& group : kFlags) {
        if ((" " + std::string(group.second) + " ").find(" " + name + " ") != std::string::npos) flags = group.first;
    }
    if (own && byteImage && (flags & (kDesc1 | kDesc4))) flags = (flags & ~(kDesc1 | kDesc4 | kOwnBpp)) | kPacked1;
    return flags;
}

// A descriptor that must be refused: no pixels that can be walked in the
// role, or (for kSized) fewer than this image's.
bool MustRefuse(const ImageDesc* d, int32_t roleBpp, uint32_t flags, bool againstImage) {
    if (d == nullptr || d->data == nullptr || d->width < 0 || d->height < 0) return true;
    const int32_t bpp = (flags & kOwnBpp) ? d->bytesPerPixel : roleBpp;
    if (bpp <= 0 || (!(flags & (kOwnBpp | kRaw)) && d->bytesPerPixel != roleBpp)) return true;
    const int64_t row = int64_t{d->width} * bpp;
    if (row > INT32_MAX || d->stride < row || int64_t{d->height} * d->stride > INT32_MAX) return true;
    if ((flags & kPacked1) && d->stride != d->width) return true;
    return againstImage && (flags & kSized) && (d->width < kW || d->height < kH);
}

// The hostile descriptors of a role (bpp bytes per pixel, rows padded by
// pad bytes), each over a guarded buffer of its true layout: a valid one
// first, then null, null data, negative sizes, short or negative strides,
// other bytes per pixel, extents past 32 bits, smaller, larger and empty
// images. A claim too large for memory sits over the valid layout.
std::deque<GuardedClaim> MakeVariants(int32_t bpp, int32_t pad, GuardSide side) {
    struct Claim {
        std::string name;
        int32_t width, height, stride, bpp;
    };
    const int32_t s = kW * bpp + pad;
    std::vector<Claim> claims = {
        {"valid", kW, kH, s, bpp}, {"null descriptor", 0, 0, 0, 0}, {"null data", kW, kH, s, bpp},
        {"negative width", -1, kH, s, bpp}, {"negative height", kW, -1, s, bpp},
        {"stride shorter than a row", kW, kH, kW * bpp - 1, bpp}, {"negative stride", kW, kH, -s, bpp},
        {"row past 32 bits", 0x40000000, kH, INT32_MAX, bpp}, {"height x stride past 32 bits", kW, 0x10000, 0x10000, bpp},
        {"packed rows past 32 bits", 0x10000, 0x10000, 0x10000 * bpp, bpp},
        {"narrower", kW - 1, kH, (kW - 1) * bpp + pad, bpp}, {"lower", kW, kH - 1, s, bpp},
        {"larger", kW + 1, kH + 1, (kW + 1) * bpp + pad, bpp}, {"empty", 0, 0, 0, bpp},
    };
    for (int32_t other : {1, 3, 4, 8}) {
        if (other != bpp) claims.push_back({"bytes per pixel " + std::to_string(other), kW, kH, kW * other + pad, other});
    }
    std::deque<GuardedClaim> variants;
    for (const Claim& c : claims) {
        const int32_t absStride = c.stride < 0 ? -c.stride : c.stride;
        const bool fits = c.width >= 0 && c.height >= 0 && int64_t{c.height} * absStride < (1 << 20);
        variants.emplace_back(c.name, ImageDesc{nullptr, c.width, c.height, c.stride, c.bpp, false},
                              fits ? std::min(c.width * c.bpp, absStride) : kW * bpp, fits ? std::max(absStride, 1) : s,
                              fits ? c.height : kH, side, c.name == "null data");
    }
    return variants;
}

const ImageDesc* DescOf(const GuardedClaim& v) { return v.name == "null descriptor" ? nullptr : &v.desc; }

#ifndef _WIN32
std::vector<HBITMAP> HostileBitmaps() {
    static const uint8_t pixels[16] = {1, 2, 3, 4};
    static VelBitmapHandle neverMade{2, 2, 32, 8, pixels}, released;
    VelReleaseBitmapHandle(VelMakeBitmapHandle(&released, 2, 2, 32, 8, pixels));
    return {nullptr, reinterpret_cast<HBITMAP>(uintptr_t{1}), reinterpret_cast<HBITMAP>(~uintptr_t{0}), &neverMade, &released};
}
std::vector<HMODULE> HostileModules() {
    static const uint8_t dib[64] = {40};
    static const VelResource resources[] = {{"IMAGE", 1, dib, sizeof dib}, {RT_BITMAP, 1, dib, sizeof dib}};
    static VelModuleHandle neverMade{resources, 2}, released;
    VelReleaseModuleHandle(VelMakeModuleHandle(&released, resources, 2));
    return {nullptr, reinterpret_cast<HMODULE>(uintptr_t{1}), reinterpret_cast<HMODULE>(~uintptr_t{0}), &neverMade, &released};
}
#else
std::vector<HBITMAP> HostileBitmaps() { return {nullptr, reinterpret_cast<HBITMAP>(uintptr_t{0x7FFF1})}; }
std::vector<HMODULE> HostileModules() { return {nullptr}; }
#endif

const int32_t kInts[] = {1, 0, -1, 2, 3, 7, 8, 255, 256, 1000, INT32_MIN, INT32_MAX, INT32_MIN + 1, -129};
const float kFloats[] = {1.0f, std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, 0.0f, -1.0f,
                         1e-30f, 1e30f, -1e30f, 0.5f};
const std::wstring kLongPath = L"/" + std::wstring(265, L'x') + L".png";

// The arguments of call number k: the descriptor under test (and its twin),
// the k-th hostile number (unsigned ones 1, 3, 5, ... times it; floats 1, 2,
// 3, ... times it), outputs null where bit n of k is set for the n-th one
// (else the last bytes before a guard page), the k-th hostile handle or path.
struct Hostile {
    const ImageDesc *d = nullptr, *d2 = nullptr;
    size_t k = 0;
    uint32_t outs = 0, us = 0, fs = 0;
    GuardedRows* scratch = nullptr;
    RECT rect{};
    ImageDesc into{};
    std::string path = testing::TempDir() + "viu_hostile.bmp";
    std::wstring widePath{path.begin(), path.end()};

    int32_t I() const { return kInts[k % std::size(kInts)]; }
    uint32_t U() { return static_cast<uint32_t>(I()) * (2 * us++ + 1); }
    float F() { return kFloats[k % std::size(kFloats)] * static_cast<float>(++fs); }
    int32_t Count(int32_t max) const { return I() < max ? I() : max; }
    template <typename T>
    T* Or(T* p) { return outs < 32 && (k >> outs++) & 1 ? nullptr : p; }
    template <typename T>
    T* Out() { return Or(reinterpret_cast<T*>(scratch->data() + scratch->size() - sizeof(T))); }
    uint32_t* List() { return reinterpret_cast<uint32_t*>(Out<uint32_t[4]>()); }
    const ImageDesc* D() const { return d; }
    const ImageDesc* Kept() const { return d; }
    RawArgs Raw(bool = false) const { return RawOf(d, d2); }
    Extent Size() const { return {I(), I()}; }
    const RECT* Rect() { return Or(&(rect = RECT{0, 0, I(), 2})); }
    HBITMAP Bitmap() const { return HostileBitmaps()[k % HostileBitmaps().size()]; }
    HMODULE Module(bool) const { return HostileModules()[k % HostileModules().size()]; }
    const wchar_t* PathW() const {
        const wchar_t* const paths[] = {widePath.c_str(), nullptr, L"", L"/nonexistent/hostile.png", kLongPath.c_str()};
        return paths[k % 5];
    }
    const char* PathA() const {
        const char* const paths[] = {path.c_str(), nullptr, "", "/nonexistent/hostile.png", "\xff\xfe.png"};
        return paths[k % 5];
    }
    ImageDesc* Into() { return d ? &(into = *d) : nullptr; }
    void Loaded(const ImageDesc* out) const {
        EXPECT_TRUE(out == nullptr || TakeLoaded(*d, *out)) << "a load wrote the descriptor";
    }
    void Drop(uint8_t*) const {}  // images here never own their buffers
};

// The factories, the release export and the routes by which an image takes
// a caller's descriptor, per interface; attach is null where there is no
// AttachBuffer.
template <typename I>
struct Kind {
    const char* name;
    int32_t bpp;
    I* (*empty)();
    I* (*fromDesc)(const ImageDesc*);
    I* (*wrap)(const ImageDesc&);
    void (*attach)(I*, const ImageDesc&);
    int32_t (*release)(I*);
    const std::vector<Slot<I, Hostile>>* own;
};

enum class Route { kWrap, kFromDesc, kSetDesc, kAttach };

template <typename I>
I* MakeImage(const Kind<I>& kind, const GuardedClaim& self, Route route) {
    const ImageDesc* desc = DescOf(self);
    if (route == Route::kWrap) return desc ? kind.wrap(*desc) : nullptr;
    if (route == Route::kFromDesc) {
        I* image = kind.fromDesc(desc);
        EXPECT_TRUE(desc != nullptr || image == nullptr) << "a factory took a null descriptor";
        if (desc != nullptr && desc->data == nullptr) {
            ImageDesc copying = *desc;
            copying.copy = true;
            EXPECT_EQ(kind.fromDesc(&copying), nullptr) << "a factory copied from null data";
        }
        return image;
    }
    I* image = kind.empty();
    if (route == Route::kSetDesc) image->SetDesc(desc);
    if (route == Route::kAttach && desc && kind.attach) kind.attach(image, *desc);
    return image;
}

// The buffers and arguments of one guard side and level.
struct Walker {
    Walker(GuardSide guard, int32_t at) : side(guard), level(at) { args.scratch = &scratch; }
    ~Walker() { std::remove(args.path.c_str()); }

    // The common slots, then the interface's own. The services on raw
    // buffers, files and handles never look at the image: they skip the
    // hostile images.
    template <typename I>
    void WalkInterface(const Kind<I>& kind) {
        const auto& common = SlotCalls<Hostile>::Common();
        for (size_t s = 0; s < common.size(); ++s) Walk(kind, common[s], FlagsOf(common[s].name, false, false), s < 12);
        for (const auto& slot : *kind.own) Walk(kind, slot, FlagsOf(slot.name, true, kind.bpp == 1), true);
    }

    template <typename I, typename J>
    void Walk(const Kind<I>& kind, const Slot<J, Hostile>& slot, uint32_t flags, bool withHostileImages) {
        ScopedInstructionSetLevel scoped(level);
        auto& selves = kind.bpp == 4 ? self4 : selfPacked;
        auto& descs = (flags & kDesc1) ? set1 : (flags & kPacked1) ? setPacked : set4;
        const std::string where = std::string(kind.name) + "::" + slot.name + " at level " + std::to_string(level) +
                                  (side == GuardSide::kAfter ? ", guard after" : ", guard before");
        // Hostile descriptors, with a valid image and numbers.
        for (size_t v = 0; (flags & (kDesc1 | kDesc4 | kPacked1)) && v < descs.size(); ++v) {
            const bool refuse = !(flags & kLoose) && MustRefuse(DescOf(descs[v]), (flags & kDesc4) ? 4 : 1, flags, true);
            Call(kind, slot, flags, where + ", descriptor " + descs[v].name, selves[0], Route::kWrap, descs[v], 0, refuse);
        }
        // Hostile numbers and null outputs, with valid images.
        for (size_t k = 1; k < std::size(kInts); ++k) {
            Call(kind, slot, flags, where + ", number " + std::to_string(kInts[k]), selves[0], Route::kWrap, descs[0], k, false);
        }
        // Hostile images, reached by every route, with valid arguments.
        for (size_t v = 1; withHostileImages && v < selves.size(); ++v) {
            for (Route route : {Route::kWrap, Route::kFromDesc, Route::kSetDesc, Route::kAttach}) {
                Call(kind, slot, flags, where + ", image " + selves[v].name + " by route " + std::to_string(int(route)),
                     selves[v], route, descs[0], 0, false, true);
            }
        }
    }

    // One call: every buffer refilled, the image made by `route` over
    // `self`, the slot called, the image released, the buffers checked. A
    // call must change nothing when its descriptor must be refused, or (with
    // checkImage) when it works on an image that must be refused.
    template <typename I, typename J>
    void Call(const Kind<I>& kind, const Slot<J, Hostile>& slot, uint32_t flags, const std::string& what,
              GuardedClaim& self, Route route, GuardedClaim& desc, size_t number, bool mustRefuse, bool checkImage = false) {
        I* image = MakeImage(kind, self, route);
        if (image == nullptr) return;
        const ImageDesc own{image->GetData(), image->GetWidth(), image->GetHeight(), image->GetStride(), image->GetBytesPerPixel(), false};
        if (checkImage && (flags & kSelf) && MustRefuse(&own, kind.bpp, flags & (kOwnBpp | kRaw), false)) mustRefuse = true;
        GuardedRows* buffers[] = {&self.memory, &desc.memory, &desc.twinMemory};
        for (GuardedRows* rows : buffers) rows->Refill();
        args.d = DescOf(desc);
        args.d2 = args.d ? &desc.twin : nullptr;
        args.k = number;
        args.outs = args.us = args.fs = 0;
        ++calls;
        slot.call(image, args);
        kind.release(image);
        for (size_t b = 0; b < std::size(buffers); ++b) {
            if (mustRefuse && !buffers[b]->Unchanged()) Fail(what + ": a refused call changed buffer " + std::to_string(b));
            if (!(flags & kPadding) && !buffers[b]->PaddingIntact()) Fail(what + ": padding of buffer " + std::to_string(b) + " changed");
        }
    }

    void Fail(const std::string& message) {
        if (++failures <= 40) ADD_FAILURE() << message;
    }

    GuardSide side;
    int32_t level, calls = 0, failures = 0;
    GuardedRows scratch{64, 64, 1, side};
    std::deque<GuardedClaim> set4 = MakeVariants(4, 4, side), set1 = MakeVariants(1, 3, side),
                             setPacked = MakeVariants(1, 0, side), self4 = MakeVariants(4, 4, side),
                             selfPacked = MakeVariants(1, 0, side);
    Hostile args;
};

template <typename I, I* (*make)(uint8_t*, int32_t, int32_t, int32_t)>
I* WrapOf(const ImageDesc& d) { return make(d.data, d.width, d.height, d.stride); }
template <typename I>
void AttachOf(I* image, const ImageDesc& d) { image->AttachBuffer(d.data, d.width, d.height, d.stride); }

TEST(HostileInput, EverySlotRefusesOrStaysInsideItsBuffers) {
    // Every slot has its call, and every name in the flags table is a slot.
    using Calls = SlotCalls<Hostile>;
    std::set<std::string> inherited, names;
#define VIU_NAME(result, name, parameters, arguments) inherited.insert(std::string(#name) == "GetDescInto" ? "GetDesc" : #name);
    VIU_BASE_OPERATIONS(VIU_NAME)
    VIU_UTILITY_OWN_OPERATIONS(VIU_NAME)
#undef VIU_NAME
    const auto add = [&names](const auto& slots, size_t count) {
        EXPECT_EQ(slots.size(), count);
        for (const auto& slot : slots) names.insert(slot.name);
    };
    add(Calls::Common(), 37u);
    EXPECT_EQ(names, inherited);
    add(Calls::Argb(), 95u - 37u);
    add(Calls::Ayuv(), 53u - 37u);
    add(Calls::Byte(), 53u - 37u);
    for (const auto& group : kFlags) {
        std::istringstream words(group.second);
        for (std::string word; words >> word;) EXPECT_EQ(names.count(word), 1u) << word;
    }

    const std::vector<Slot<ICImageUtility, Hostile>> none;
    const Kind<ICImageUtility> utility{"ICImageUtility", 4, GetCImageUtility, GetCImageUtility1,
                                       [](const ImageDesc& d) { return GetCImageUtility5(d.data, d.width, d.height, d.stride, d.bytesPerPixel); },
                                       nullptr, ReleaseCImageUtility, &none};
    const Kind<ICImageARGB> argb{"ICImageARGB", 4, GetCImageARGB, GetCImageARGB1, WrapOf<ICImageARGB, GetCImageARGB4>,
                                 AttachOf<ICImageARGB>, ReleaseCImageARGB, &Calls::Argb()};
    const Kind<ICImageAYUV> ayuv{"ICImageAYUV", 4, GetCImageAYUV, GetCImageAYUV1, WrapOf<ICImageAYUV, GetCImageAYUV4>,
                                 AttachOf<ICImageAYUV>, ReleaseCImageAYUV, &Calls::Ayuv()};
    const Kind<ICImageByte> byte{"ICImageByte", 1, GetCImageByte, GetCImageByte1, WrapOf<ICImageByte, GetCImageByte4>,
                                 nullptr, ReleaseCImageByte, &Calls::Byte()};
    int32_t calls = 0;
    for (GuardSide side : {GuardSide::kAfter, GuardSide::kBefore}) {
        for (int32_t level : {0, 3}) {
            Walker walker(side, level);
            walker.WalkInterface(utility);
            walker.WalkInterface(argb);
            walker.WalkInterface(ayuv);
            walker.WalkInterface(byte);
            calls += walker.calls;
        }
    }
    RecordProperty("calls", calls);
}

}  // namespace
