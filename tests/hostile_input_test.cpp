// Every slot of the five interfaces, called with hostile descriptors,
// images and numbers over guarded buffers: nothing may crash, touch a byte
// outside the buffers or a padding byte, and a call whose input must be
// refused changes no byte at all. The calls are those of tests/slot_calls.h;
// a table here says what each slot does with its inputs. The same walk over
// valid inputs, on several threads at once, gives the bytes it gives on one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <deque>
#include <iterator>
#include <limits>
#include <numeric>
#include <set>
#include <sstream>
#include <thread>

#include "VelImageUtility/Exports.h"
#ifndef _WIN32
#include "VelImageUtility/PlatformStandIns.h"
#endif
#include "core/InstructionSetLevel.h"
#include "core/OperationLists.h"
#include "slot_calls.h"

namespace {

using namespace VelImageUtility;
using namespace VelImageUtility::test;

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
// role, or (for kSized) fewer than width x height.
bool MustRefuse(const ImageDesc* d, int32_t roleBpp, uint32_t flags, int32_t width, int32_t height) {
    if (d == nullptr || d->data == nullptr || d->width < 0 || d->height < 0) return true;
    const int32_t bpp = (flags & kOwnBpp) ? d->bytesPerPixel : roleBpp;
    if (bpp <= 0 || (!(flags & (kOwnBpp | kRaw)) && d->bytesPerPixel != roleBpp)) return true;
    const int64_t row = int64_t{d->width} * bpp;
    if (row > INT32_MAX || d->stride < row || int64_t{d->height} * d->stride > INT32_MAX) return true;
    if ((flags & kPacked1) && d->stride != d->width) return true;
    return (flags & kSized) && (d->width < width || d->height < height);
}

// The hostile descriptors of a role (bpp bytes per pixel, rows padded by
// pad bytes), each over a guarded buffer of its true layout.
std::deque<GuardedClaim> MakeVariants(int32_t width, int32_t height, int32_t bpp, int32_t pad, GuardSide side) {
    std::deque<GuardedClaim> variants;
    for (const auto& claim : HostileClaims(width, height, bpp, pad)) variants.emplace_back(claim, side);
    return variants;
}

const ImageDesc* DescOf(const GuardedClaim& v) { return v.name == "null descriptor" ? nullptr : &v.desc; }

const int32_t kInts[] = {1, 0, -1, 2, 3, 7, 8, 255, 256, 1000, INT32_MIN, INT32_MAX, INT32_MIN + 1, -129};
const float kFloats[] = {1.0f, std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, 0.0f, -1.0f,
                         1e-30f, 1e30f, -1e30f, 0.5f};
const std::string kLongPath = "/" + std::string(265, 'x') + ".png";
#ifndef _WIN32
const uint8_t kPixels[16] = {1, 2, 3, 4}, kDib[64] = {40};
const VelResource kResources[] = {{"IMAGE", 1, kDib, sizeof kDib}, {RT_BITMAP, 1, kDib, sizeof kDib}};
#endif

// The arguments of call number k: the descriptor under test (and its twin),
// the k-th hostile number (unsigned ones 1, 3, 5, ... times it; floats 1, 2,
// 3, ... times it), outputs null where bit n of k is set for the n-th one
// (else the last bytes before a guard page), the k-th hostile handle or path.
// Each source makes its own handles: null, foreign, never made, released, live.
struct Hostile : Arguments<Hostile> {
    explicit Hostile(const std::string& file) : path(file) {
#ifndef _WIN32
        VelReleaseBitmapHandle(VelMakeBitmapHandle(&bitmaps[1], 2, 2, 32, 8, kPixels));
        VelReleaseModuleHandle(VelMakeModuleHandle(&modules[1], kResources, 2));
        VelMakeBitmapHandle(&bitmaps[2], 2, 2, 32, 8, kPixels);
        VelMakeModuleHandle(&modules[2], kResources, 2);
#endif
    }
    ~Hostile() {
#ifndef _WIN32
        VelReleaseBitmapHandle(&bitmaps[2]);
        VelReleaseModuleHandle(&modules[2]);
#endif
        std::remove(path.c_str());
    }
    int32_t I() const { return kInts[k % std::size(kInts)]; }
    uint32_t U() { return static_cast<uint32_t>(I()) * (2 * us++ + 1); }
    float F() { return kFloats[k % std::size(kFloats)] * static_cast<float>(++fs); }
    bool Null() { return outs < 32 && (k >> outs++) & 1; }
    const ImageDesc* Desc(bool, const ImageDesc** twin) const {
        if (twin) *twin = d2;
        return d;
    }
    const RECT* Rect() { return Or(&(rect = RECT{0, 0, I(), 2})); }
#ifdef _WIN32
    HBITMAP Bitmap() const { return k % 2 ? reinterpret_cast<HBITMAP>(uintptr_t{0x7FFF1}) : nullptr; }
    HMODULE Module(bool) const { return nullptr; }
#else
    template <typename H, typename R>
    H Handle(R* records) const {
        const H handles[] = {nullptr, reinterpret_cast<H>(uintptr_t{1}), reinterpret_cast<H>(~uintptr_t{0}),
                             &records[0], &records[1], &records[2]};
        return handles[k % 6];
    }
    HBITMAP Bitmap() { return Handle<HBITMAP>(bitmaps); }
    HMODULE Module(bool) { return Handle<HMODULE>(modules); }
    VelBitmapHandle bitmaps[3] = {{2, 2, 32, 8, kPixels}, {}, {}};
    VelModuleHandle modules[3] = {{kResources, 2}, {}, {}};
#endif
    const char* PathA() const {
        const char* const paths[] = {path.c_str(), nullptr, "", "/nonexistent/hostile.png", "\xff\xfe.png", kLongPath.c_str()};
        return paths[k % 6];
    }
    void Fail(const char* message) const { ADD_FAILURE() << message; }

    const ImageDesc *d = nullptr, *d2 = nullptr;
    size_t k = 0;
    uint32_t outs = 0, us = 0, fs = 0;
    std::string path;
    RECT rect{};
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

// kCopy: an owned copy, made from the valid image only.
enum class Route { kWrap, kFromDesc, kSetDesc, kAttach, kCopy };

template <typename I>
I* MakeImage(const Kind<I>& kind, const GuardedClaim& self, Route route) {
    const ImageDesc* desc = DescOf(self);
    if (route == Route::kWrap) return desc ? kind.wrap(*desc) : nullptr;
    if (route == Route::kFromDesc || route == Route::kCopy) {
        ImageDesc copying = desc ? *desc : ImageDesc{};
        copying.copy = true;
        I* image = kind.fromDesc(route == Route::kCopy ? &copying : desc);
        EXPECT_TRUE(desc != nullptr || image == nullptr) << "a factory took a null descriptor";
        if (desc != nullptr && desc->data == nullptr) {
            EXPECT_EQ(kind.fromDesc(&copying), nullptr) << "a factory copied from null data";
        }
        return image;
    }
    I* image = kind.empty();
    if (route == Route::kSetDesc) image->SetDesc(desc);
    if (route == Route::kAttach && desc && kind.attach) kind.attach(image, *desc);
    return image;
}

// The buffers and arguments of one guard side and image size. Without
// hostile inputs only valid images and descriptors are walked; `digest`
// sums up the bytes the calls leave.
struct Walker {
    Walker(GuardSide guard, int32_t w, int32_t h, bool hostileInputs, const std::string& tag)
        : side(guard), width(w), height(h), hostile(hostileInputs), args(testing::TempDir() + "viu_" + tag + ".bmp") {}

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
        auto& selves = kind.bpp == 4 ? self4 : selfPacked;
        auto& descs = (flags & kDesc1) ? set1 : (flags & kPacked1) ? setPacked : set4;
        const std::string where = std::string(kind.name) + "::" + slot.name + " at level " + std::to_string(GetInstructionSetLevel()) +
                                  (side == GuardSide::kAfter ? ", guard after" : ", guard before");
        // Hostile descriptors, with a valid image and numbers.
        for (size_t v = 0; hostile && (flags & (kDesc1 | kDesc4 | kPacked1)) && v < descs.size(); ++v) {
            const bool refuse = !(flags & kLoose) && MustRefuse(DescOf(descs[v]), (flags & kDesc4) ? 4 : 1, flags, width, height);
            Call(kind, slot, flags, where + ", descriptor " + descs[v].name, selves[0], Route::kWrap, descs[v], 0, refuse);
        }
        // Hostile numbers and null outputs, with valid images.
        for (size_t k = 1; k < std::size(kInts); ++k) {
            Call(kind, slot, flags, where + ", number " + std::to_string(kInts[k]), selves[0], Route::kWrap, descs[0], k, false);
        }
        // Hostile images reached by every route, and an owned copy of the valid one, with valid arguments.
        for (size_t v = 0; hostile && withHostileImages && v < selves.size(); ++v) {
            for (Route route : {Route::kWrap, Route::kFromDesc, Route::kSetDesc, Route::kAttach, Route::kCopy}) {
                if ((v == 0) != (route == Route::kCopy)) continue;
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
        if (checkImage && (flags & kSelf) && MustRefuse(&own, kind.bpp, flags & (kOwnBpp | kRaw), 0, 0)) mustRefuse = true;
        GuardedRows* buffers[] = {&self.memory, &desc.memory, &desc.twinMemory};
        for (GuardedRows* rows : buffers) rows->Refill();
        args.d = DescOf(desc);
        args.d2 = args.d ? &desc.twin : nullptr;
        args.k = number;
        args.outs = args.us = args.fs = 0;
        slot.call(image, args);
        kind.release(image);
        // AddTiledPattern and AddCrossHatch draw from the process's random sequence.
        for (size_t b = 0; std::strncmp(slot.name, "Add", 3) != 0 && b < std::size(buffers); ++b) {
            const uint8_t* bytes = buffers[b]->data();
            digest = std::accumulate(bytes, bytes + buffers[b]->size(), digest, [](uint64_t h, uint8_t v) { return h * 131 + v; });
        }
        for (size_t b = 0; b < std::size(buffers); ++b) {
            if (mustRefuse && !buffers[b]->Unchanged()) Fail(what + ": a refused call changed buffer " + std::to_string(b));
            if (!(flags & kPadding) && !buffers[b]->PaddingIntact()) Fail(what + ": padding of buffer " + std::to_string(b) + " changed");
        }
    }

    void Fail(const std::string& message) {
        if (++failures <= 40) ADD_FAILURE() << message;
    }

    GuardSide side;
    int32_t width, height, failures = 0;
    bool hostile;
    uint64_t digest = 0;
    std::deque<GuardedClaim> set4 = MakeVariants(width, height, 4, 4, side), set1 = MakeVariants(width, height, 1, 3, side),
                             setPacked = MakeVariants(width, height, 1, 0, side),
                             self4 = MakeVariants(width, height, 4, 4, side),
                             selfPacked = MakeVariants(width, height, 1, 0, side);
    Hostile args;
};

template <typename I, I* (*make)(uint8_t*, int32_t, int32_t, int32_t)>
I* WrapOf(const ImageDesc& d) { return make(d.data, d.width, d.height, d.stride); }
template <typename I>
void AttachOf(I* image, const ImageDesc& d) { image->AttachBuffer(d.data, d.width, d.height, d.stride); }

// Every interface, the one every image starts with first.
void WalkEverything(Walker& walker) {
    using Calls = SlotCalls<Hostile>;
    static const std::vector<Slot<ICImageUtility, Hostile>> none;
    static const Kind<ICImageUtility> utility{"ICImageUtility", 4, GetCImageUtility, GetCImageUtility1,
                                       [](const ImageDesc& d) { return GetCImageUtility5(d.data, d.width, d.height, d.stride, d.bytesPerPixel); },
                                       nullptr, ReleaseCImageUtility, &none};
    static const Kind<ICImageARGB> argb{"ICImageARGB", 4, GetCImageARGB, GetCImageARGB1, WrapOf<ICImageARGB, GetCImageARGB4>,
                                 AttachOf<ICImageARGB>, ReleaseCImageARGB, &Calls::Argb()};
    static const Kind<ICImageAYUV> ayuv{"ICImageAYUV", 4, GetCImageAYUV, GetCImageAYUV1, WrapOf<ICImageAYUV, GetCImageAYUV4>,
                                 AttachOf<ICImageAYUV>, ReleaseCImageAYUV, &Calls::Ayuv()};
    static const Kind<ICImageByte> byte{"ICImageByte", 1, GetCImageByte, GetCImageByte1, WrapOf<ICImageByte, GetCImageByte4>,
                                 nullptr, ReleaseCImageByte, &Calls::Byte()};
    walker.WalkInterface(utility);
    walker.WalkInterface(argb);
    walker.WalkInterface(ayuv);
    walker.WalkInterface(byte);
}

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

    for (GuardSide side : {GuardSide::kAfter, GuardSide::kBefore}) {
        for (int32_t level : {0, 3}) {
            ScopedInstructionSetLevel scoped(level);
            Walker walker(side, 19, 3, true, "hostile");  // a 16-pixel vector group and a tail
            WalkEverything(walker);
        }
    }
}

// Distinct images used from several threads at once give the bytes they
// give on one thread: no operation shares state between calls on different
// images (the zoom blur's size tables, file I/O and handles included).
TEST(Concurrency, DistinctImagesOnSeveralThreadsGiveTheOneThreadBytes) {
    const int32_t sizes[][2] = {{37, 5}, {23, 9}, {50, 3}, {19, 7}};
    const auto run = [&sizes](size_t i, const std::string& tag) {
        Walker walker(GuardSide::kAfter, sizes[i][0], sizes[i][1], false, tag + std::to_string(i));
        WalkEverything(walker);
        return walker.digest;
    };
    std::vector<uint64_t> expected;
    for (size_t i = 0; i < std::size(sizes); ++i) expected.push_back(run(i, "alone"));
    std::vector<std::thread> threads;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        threads.emplace_back([&, i] {
            for (int32_t round = 0; round < 2; ++round) EXPECT_EQ(run(i, "together"), expected[i]) << "image " << i;
        });
    }
    for (std::thread& thread : threads) thread.join();
}

}  // namespace
