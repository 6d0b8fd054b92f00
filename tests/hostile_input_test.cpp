// Every slot of the five interfaces, called with hostile descriptors,
// images and numbers over guarded buffers: nothing may crash, touch a byte
// outside the buffers or a padding byte, and a call whose input must be
// refused changes no byte at all. One row per slot; built operations and
// the ones still to come are held to the same rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "VelImageUtility/Exports.h"
#ifndef _WIN32
#include "VelImageUtility/PlatformStandIns.h"
#endif
#include "core/InstructionSetLevel.h"
#include "core/OperationLists.h"
#include "guarded_buffer.h"

namespace {

using namespace VelImageUtility;
using namespace VelImageUtility::test;

constexpr int32_t kW = 19, kH = 3;  // a 16-pixel vector group and a tail

// What a row's operation does with its inputs, for the refusal oracle.
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

// One descriptor as claimed, over a guarded buffer of its true layout, and
// a twin buffer with the same claim for operations with two raw buffers.
struct Variant {
    std::string name;
    bool isNull;
    std::unique_ptr<GuardedRows> rows, twin;
    ImageDesc desc, desc2;
};

// The hostile descriptors of a role (bpp bytes per pixel, rows padded by
// pad bytes): a valid one first, then null, null data, negative sizes,
// short or negative strides, other bytes per pixel, extents past 32 bits,
// smaller, larger and empty images.
std::vector<Variant> MakeVariants(int32_t bpp, int32_t pad, GuardSide side) {
    struct Claim {
        const char* name;
        int32_t width, height, stride, bpp;
        int32_t layoutRowBytes, layoutStride, layoutRows;  // the buffer behind it
        bool isNull, nullData, bottomUp;
    };
    const int32_t s = kW * bpp + pad;
    std::vector<Claim> claims = {
        {"valid", kW, kH, s, bpp, kW * bpp, s, kH, false, false, false},
        {"null descriptor", 0, 0, 0, 0, 0, 1, 0, true, false, false},
        {"null data", kW, kH, s, bpp, kW * bpp, s, kH, false, true, false},
        {"negative width", -1, kH, s, bpp, kW * bpp, s, kH, false, false, false},
        {"negative height", kW, -1, s, bpp, kW * bpp, s, kH, false, false, false},
        {"stride shorter than a row", kW, kH, kW * bpp - 1, bpp, kW * bpp - 1, kW * bpp - 1, kH, false, false, false},
        {"negative stride", kW, kH, -s, bpp, kW * bpp, s, kH, false, false, true},
        {"row past 32 bits", 0x40000000, kH, INT32_MAX, bpp, kW * bpp, s, kH, false, false, false},
        {"height x stride past 32 bits", kW, 0x10000, 0x10000, bpp, kW * bpp, s, kH, false, false, false},
        {"packed rows past 32 bits", 0x10000, 0x10000, 0x10000 * bpp, bpp, kW * bpp, s, kH, false, false, false},
        {"narrower", kW - 1, kH, (kW - 1) * bpp + pad, bpp, (kW - 1) * bpp, (kW - 1) * bpp + pad, kH, false, false, false},
        {"lower", kW, kH - 1, s, bpp, kW * bpp, s, kH - 1, false, false, false},
        {"larger", kW + 1, kH + 1, (kW + 1) * bpp + pad, bpp, (kW + 1) * bpp, (kW + 1) * bpp + pad, kH + 1, false, false, false},
        {"empty", 0, 0, 0, bpp, 0, 1, 0, false, false, false},
    };
    for (int32_t other : {1, 3, 4, 8}) {
        if (other == bpp) continue;
        const int32_t os = kW * other + pad;
        claims.push_back({"bytes per pixel:", kW, kH, os, other, kW * other, os, kH, false, false, false});
    }
    std::vector<Variant> variants;
    for (const Claim& c : claims) {
        Variant v{c.bpp == bpp ? c.name : c.name + std::string(" ") + std::to_string(c.bpp), c.isNull, std::make_unique<GuardedRows>(c.layoutRowBytes, c.layoutStride, c.layoutRows, side),
                  std::make_unique<GuardedRows>(c.layoutRowBytes, c.layoutStride, c.layoutRows, side), {}, {}};
        const int32_t lastRow = c.bottomUp ? (c.layoutRows - 1) * c.layoutStride : 0;
        v.desc = {c.nullData ? nullptr : v.rows->data() + lastRow, c.width, c.height, c.stride, c.bpp, false};
        v.desc2 = {c.nullData ? nullptr : v.twin->data() + lastRow, c.width, c.height, c.stride, c.bpp, false};
        variants.push_back(std::move(v));
    }
    return variants;
}

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

// What a row's call sees: the descriptor under test, valid descriptors for
// its other arguments, hostile numbers and output pointers (null where a
// bit of nullMask is set; else the last bytes before a guard page).
struct Ctx {
    const ImageDesc* d = nullptr;
    const ImageDesc* d2 = nullptr;  // the same claim over a second buffer
    ImageDesc g4{}, g1{}, gp{};     // valid 4-byte image, 1-byte plane, packed plane
    int32_t i = 1;
    float f = 1.0f;
    uint32_t nullMask = 0;
    GuardedBuffer* scratch = nullptr;
    RECT rect{};
    std::string path;

    uint32_t u() const { return static_cast<uint32_t>(i); }
    uint8_t* P() const { return d ? d->data : nullptr; }
    uint8_t* P2() const { return d2 ? d2->data : nullptr; }
    int32_t Wd() const { return d ? d->width : 0; }
    int32_t Ht() const { return d ? d->height : 0; }
    int32_t St() const { return d ? d->stride : 0; }
    template <typename T>
    T* Out(int bit) const {
        return (nullMask >> bit) & 1 ? nullptr : reinterpret_cast<T*>(scratch->data() + scratch->size() - sizeof(T));
    }
    const RECT* Rect() const { return nullMask & 1 ? nullptr : &rect; }
    // A copy of the descriptor for the loaders to write into, null when d is.
    ImageDesc copy{};
    ImageDesc* Mutable() {
        if (d == nullptr) return nullptr;
        copy = *d;
        return &copy;
    }
    // A loader that refused left the descriptor as it was.
    void ExpectDescKept() const {
        EXPECT_TRUE(d == nullptr || std::memcmp(&copy, d, sizeof copy) == 0) << "a refused load wrote the descriptor";
    }
};

template <typename I>
struct Row {
    const char* slot;
    uint32_t flags;
    void (*call)(I*, Ctx&);
};

const std::wstring kLongPath = L"/" + std::wstring(265, L'x') + L".png";
const wchar_t* const kPaths[] = {nullptr, L"", L"/nonexistent/hostile.png", kLongPath.c_str()};
const char* const kPathsA[] = {nullptr, "", "/nonexistent/hostile.png", "\xff\xfe.png"};

// ---- The table: one row per slot, in table order.

const std::vector<Row<ICImageBase>> kBaseRows = {
    {"GetWidth", 0, [](ICImageBase* o, Ctx&) { (void)o->GetWidth(); }},
    {"GetHeight", 0, [](ICImageBase* o, Ctx&) { (void)o->GetHeight(); }},
    {"GetStride", 0, [](ICImageBase* o, Ctx&) { (void)o->GetStride(); }},
    {"GetPixelCount", 0, [](ICImageBase* o, Ctx&) { (void)o->GetPixelCount(); }},
    {"GetBytesPerPixel", 0, [](ICImageBase* o, Ctx&) { (void)o->GetBytesPerPixel(); }},
    {"IsDataOwned", 0, [](ICImageBase* o, Ctx&) { (void)o->IsDataOwned(); }},
    {"GetData", 0, [](ICImageBase* o, Ctx&) { (void)o->GetData(); }},
#if VIU_GETDESC_BY_POINTER
    {"GetDesc", 0, [](ICImageBase* o, Ctx&) { (void)o->GetDesc(); (void)o->GetDescInto(nullptr); }},
#else
    {"GetDesc", 0, [](ICImageBase* o, Ctx&) { (void)o->GetDesc(); }},
#endif
    {"SetDesc", kDesc4 | kOwnBpp | kPadding, [](ICImageBase* o, Ctx& c) { o->SetDesc(c.d); if (c.d) o->Fill(c.i); }},
    {"GetPixelAddress", 0, [](ICImageBase* o, Ctx& c) { (void)o->GetPixelAddress(c.i, c.i); }},
    {"IsSameSize", kDesc4, [](ICImageBase* o, Ctx& c) { (void)o->IsSameSize(c.d); }},
    {"Fill", kSelf | kOwnBpp | kPadding, [](ICImageBase* o, Ctx& c) { o->Fill(c.i); }},
};

const std::vector<Row<ICImageUtility>> kUtilityRows = {
    {"ConvertRGBToHSL", 0, [](ICImageUtility* o, Ctx& c) { o->ConvertRGBToHSL(c.i, c.i, c.i, c.Out<uint8_t>(0), c.Out<uint8_t>(1), c.Out<uint8_t>(2)); }},
    {"ConvertHSLToRGB", 0, [](ICImageUtility* o, Ctx& c) { o->ConvertHSLToRGB(c.i, c.i, c.i, c.Out<uint8_t>(0), c.Out<uint8_t>(1), c.Out<uint8_t>(2)); }},
    {"ConvertRGBToLuma", 0, [](ICImageUtility* o, Ctx& c) { o->ConvertRGBToLuma(c.i, c.i, c.i, c.Out<uint8_t>(0)); }},
    {"ConvertRGBToYUV", 0, [](ICImageUtility* o, Ctx& c) { o->ConvertRGBToYUV(c.i, c.i, c.i, c.Out<int32_t>(0), c.Out<int32_t>(1), c.Out<int32_t>(2)); }},
    {"ConvertRGBToYUVPacked", 0, [](ICImageUtility* o, Ctx& c) { o->ConvertRGBToYUVPacked(_mm_set1_epi32(c.i), c.Out<__m128i>(0)); }},
    {"ConvertYUVToRGB", 0, [](ICImageUtility* o, Ctx& c) { o->ConvertYUVToRGB(c.i, c.i, c.i, c.Out<int32_t>(0), c.Out<int32_t>(1), c.Out<int32_t>(2)); }},
    {"ConvertYUVToRGBPacked", 0, [](ICImageUtility* o, Ctx& c) { o->ConvertYUVToRGBPacked(_mm_set1_epi32(c.i), c.Out<__m128i>(0)); }},
    {"ConvertRGBToYUVNoOffset", 0, [](ICImageUtility* o, Ctx& c) { o->ConvertRGBToYUVNoOffset(c.i, c.i, c.i, c.Out<int32_t>(0), c.Out<int32_t>(1), c.Out<int32_t>(2)); }},
    {"ReservedA", kDesc4 | kRaw, [](ICImageUtility* o, Ctx& c) { o->ReservedA(c.P(), c.i, c.i, c.i, c.P2(), c.i, c.i, c.i); }},
    {"ReservedB", kDesc4 | kRaw, [](ICImageUtility* o, Ctx& c) { (void)o->ReservedB(c.P(), c.i, c.i, c.i, c.P2(), c.i); }},
    {"BoxBlur", kDesc4 | kRaw, [](ICImageUtility* o, Ctx& c) { o->BoxBlur(c.P(), c.P2(), c.Wd(), c.Ht(), c.St(), c.St(), c.i); }},
    {"BoxBlurAlphaWeighted", kDesc4 | kRaw, [](ICImageUtility* o, Ctx& c) { o->BoxBlurAlphaWeighted(c.P(), c.P2(), c.Wd(), c.Ht(), c.St(), c.St(), c.i); }},
    // No strides: the rows are packed, so the width is the one the stride holds.
    {"ZoomBlur", kDesc4 | kLoose | kPadding, [](ICImageUtility* o, Ctx& c) { o->ZoomBlur(c.P(), c.P2(), c.St() / 4, c.Ht(), c.i, c.i, c.i); }},
    {"GaussianBlur", kDesc4 | kRaw, [](ICImageUtility* o, Ctx& c) { o->GaussianBlur(c.i, c.P2(), c.P(), c.Wd(), c.Ht(), c.St(), c.St()); }},
    {"GaussianBlurAlphaWeighted", kDesc4 | kLoose | kPadding, [](ICImageUtility* o, Ctx& c) { o->GaussianBlurAlphaWeighted(c.i, c.P2(), c.P(), c.St() / 4, c.Ht(), c.i, c.i); }},
    {"SelectKth", 0, [](ICImageUtility* o, Ctx& c) { (void)o->SelectKth(c.Out<uint32_t[4]>(3) ? *c.Out<uint32_t[4]>(3) : nullptr, c.i < 4 ? c.i : 4, c.i, c.Out<uint32_t>(0), c.Out<uint32_t>(1)); }},
    {"MedianFilter", kDesc4 | kRaw, [](ICImageUtility* o, Ctx& c) { (void)o->MedianFilter(c.i, c.P2(), c.P(), c.Wd(), c.Ht(), c.St(), c.St()); }},
    {"SetAlphaFromColorKey", kDesc4 | kLoose | kPadding, [](ICImageUtility* o, Ctx& c) { SIZE size{c.St() / 4, c.Ht()}; o->SetAlphaFromColorKey(c.P(), c.nullMask & 2 ? nullptr : &size, c.u(), c.i); }},
    {"FillGradient", kDesc4 | kLoose | kPadding, [](ICImageUtility* o, Ctx& c) { SIZE size{c.St() / 4, c.Ht()}; o->FillGradient(c.P(), c.nullMask & 2 ? nullptr : &size, c.Rect(), c.i, c.u(), ~c.u()); }},
    {"LoadFromHBitmap", kDesc4, [](ICImageUtility* o, Ctx& c) { for (HBITMAP b : HostileBitmaps()) { o->LoadFromHBitmap(c.Mutable(), b); c.ExpectDescKept(); } }},
    {"LoadFromResource", kDesc4, [](ICImageUtility* o, Ctx& c) { for (HMODULE m : HostileModules()) { for (const char* type : {"IMAGE", static_cast<const char*>(nullptr)}) { o->LoadFromResource(c.Mutable(), m, type, 1); c.ExpectDescKept(); } } }},
    {"LoadFromBitmapResource", kDesc4, [](ICImageUtility* o, Ctx& c) { for (HMODULE m : HostileModules()) { o->LoadFromBitmapResource(c.Mutable(), m, c.u()); c.ExpectDescKept(); } }},
    {"LoadFromFile", kDesc4, [](ICImageUtility* o, Ctx& c) { for (const wchar_t* path : kPaths) { o->LoadFromFile(c.Mutable(), path); c.ExpectDescKept(); } }},
    {"LoadFromFileA", kDesc4, [](ICImageUtility* o, Ctx& c) { for (const char* path : kPathsA) { o->LoadFromFileA(c.Mutable(), path); c.ExpectDescKept(); } }},
    {"SaveToFile", kDesc4 | kRaw, [](ICImageUtility* o, Ctx& c) { const std::wstring path(c.path.begin(), c.path.end()); (void)o->SaveToFile(c.Mutable(), c.nullMask & 1 ? nullptr : path.c_str()); }},
};

#define ARGB [](ICImageARGB* o, [[maybe_unused]] Ctx& c)
const std::vector<Row<ICImageARGB>> kArgbRows = {
    {"Allocate", 0, ARGB { o->Allocate(c.i, c.i); }},
    {"AttachBuffer", kDesc4 | kRaw | kPadding, ARGB { o->AttachBuffer(c.P(), c.Wd(), c.Ht(), c.St()); if (o->GetData() == c.P()) o->Fill(c.i); }},
    {"ConvertToAYUV", kSelf | kDesc4 | kSized, ARGB { o->ConvertToAYUV(c.d); }},
    {"ConvertFromHSLPlanes", kSelf | kDesc1 | kSized, ARGB { o->ConvertFromHSLPlanes(c.d, &c.g1, c.d); }},
    {"CopyAlphaFrom", kSelf | kDesc4 | kSized, ARGB { o->CopyAlphaFrom(c.d); }},
    {"SetChannel", kSelf | kDesc1 | kSized, ARGB { o->SetChannel(c.d, c.i); }},
    {"GetChannel", kSelf | kDesc1 | kSized, ARGB { o->GetChannel(c.d, c.i); }},
    {"SetGrayFromPlane", kSelf | kDesc1 | kOwnBpp | kSized, ARGB { o->SetGrayFromPlane(c.d); }},
    {"CopyFrom", kSelf | kDesc4 | kSized, ARGB { o->CopyFrom(c.d); }},
    {"GetRegionDesc", 0, ARGB { (void)o->GetRegionDesc(c.Out<ImageDesc>(0), c.i, c.i, c.i, c.i); }},
    {"ResizeTo", kSelf | kDesc4 | kRaw | kPadding, ARGB { o->ResizeTo(c.d, c.u() % 4); o->ResizeTo(c.d, c.u()); }},
    {"ConvertToLuma", kSelf | kDesc1 | kOwnBpp | kSized | kPadding, ARGB { o->ConvertToLuma(c.d); }},
    {"BoxBlurTo", kSelf | kDesc4 | kSized, ARGB { o->BoxBlurTo(c.d, c.i); }},
    {"BoxBlurAlphaWeightedTo", kSelf | kDesc4 | kSized, ARGB { o->BoxBlurAlphaWeightedTo(c.d, c.i); }},
    {"EmbossToPlane", kSelf | kDesc1 | kOwnBpp | kSized, ARGB { o->EmbossToPlane(c.d, c.i); }},
    {"ConvertToHSLPlanes", kSelf | kDesc1 | kSized, ARGB { o->ConvertToHSLPlanes(c.d, &c.g1, c.d); }},
    {"GradientMagnitude", kSelf | kDesc4 | kSized, ARGB { o->GradientMagnitude(c.d); }},
    {"MultiplyBlend", kSelf | kDesc4 | kSized, ARGB { o->MultiplyBlend(c.d); }},
    {"ScreenBlend", kSelf | kDesc4 | kSized, ARGB { o->ScreenBlend(c.d); }},
    {"ColorDodgeBlend", kSelf | kDesc4 | kSized, ARGB { o->ColorDodgeBlend(c.d); }},
    {"LinearDodgeBlend", kSelf | kDesc4 | kSized, ARGB { o->LinearDodgeBlend(c.d); }},
    {"OverlayBlend", kSelf | kDesc4 | kSized, ARGB { o->OverlayBlend(c.d); }},
    {"HardLightBlend", kSelf | kDesc4 | kSized, ARGB { o->HardLightBlend(c.d); }},
    {"SoftLightBlend", kSelf | kDesc4 | kSized, ARGB { o->SoftLightBlend(c.d); }},
    {"PasteFeathered", kSelf | kDesc4, ARGB { o->PasteFeathered(c.d, c.i, c.i, c.Wd(), c.Ht(), c.u() % 3, c.f); o->PasteFeathered(c.d, 0, 0, c.Wd(), c.Ht(), c.u(), c.f * 4); }},
    {"MaskByThreshold", kSelf | kDesc1 | kOwnBpp | kSized, ARGB { o->MaskByThreshold(c.d, c.i); }},
    {"AlphaBlend", kSelf | kDesc4 | kSized, ARGB { o->AlphaBlend(c.d, c.i); }},
    {"AdditiveBlend", kSelf | kDesc4 | kSized, ARGB { o->AdditiveBlend(c.d, c.i); }},
    {"AlphaComposite", kSelf | kDesc4 | kSized, ARGB { o->AlphaComposite(c.d, c.i); }},
    {"DrawImage", kSelf | kDesc4, ARGB { o->DrawImage(c.d, c.i, c.f, c.f, c.f * 8, c.f * 2, c.i); }},
    {"DrawRotatedImage", kSelf | kDesc4, ARGB { o->DrawRotatedImage(c.d, c.i, c.f * 9, c.f, c.f * 8, c.f * 2, c.f, c.i); }},
    {"DrawRotatedImageScaled", kSelf | kDesc4, ARGB { o->DrawRotatedImageScaled(c.d, c.i, c.f * 9, c.f, c.f * 8, c.f * 2, c.f, c.f * 30, c.i); }},
    {"BlendColor", kSelf, ARGB { o->BlendColor(c.u(), c.i); }},
    {"ApplySetAlphaFromColorKey", kSelf, ARGB { o->ApplySetAlphaFromColorKey(c.u(), c.i); }},
    {"ApplyFillGradient", kSelf, ARGB { o->ApplyFillGradient(c.Rect(), c.i, c.u(), ~c.u()); }},
    {"ConvertToGray", kSelf, ARGB { o->ConvertToGray(); }},
    {"ApplyBoxBlur", kSelf, ARGB { o->ApplyBoxBlur(c.i); }},
    {"ApplyGaussianBlur", kSelf, ARGB { o->ApplyGaussianBlur(c.i); }},
    {"ApplyZoomBlur", kSelf, ARGB { o->ApplyZoomBlur(c.i); }},
    {"ApplyBoxBlurAlphaWeighted", kSelf, ARGB { o->ApplyBoxBlurAlphaWeighted(c.i); }},
    {"ApplyGaussianBlurAlphaWeighted", kSelf, ARGB { o->ApplyGaussianBlurAlphaWeighted(c.i); }},
    {"GetMeanValue", kSelf, ARGB { (void)o->GetMeanValue(); }},
    {"Invert", kSelf, ARGB { o->Invert(); }},
    {"ConvertToGrayLightness", kSelf, ARGB { o->ConvertToGrayLightness(); }},
    {"MedianFilterChannels", kSelf, ARGB { o->MedianFilterChannels(c.i); }},
    {"UnsharpMask", kSelf, ARGB { o->UnsharpMask(c.f * 50, c.f, c.u()); o->UnsharpMask(50, c.f * 3, 0); }},
    {"Posterize", kSelf, ARGB { o->Posterize(c.i); }},
    {"AdjustContrast", kSelf, ARGB { o->AdjustContrast(c.f); }},
    {"AdjustContrastAroundMean", kSelf, ARGB { o->AdjustContrastAroundMean(c.i); }},
    {"AdjustBrightness", kSelf, ARGB { o->AdjustBrightness(c.i); }},
    {"MapLevels", kSelf, ARGB { o->MapLevels(c.u(), c.u() * 3, c.u() * 5, c.u() * 7); }},
    {"SubtractPlane", kSelf | kDesc1 | kOwnBpp | kSized, ARGB { o->SubtractPlane(c.d); }},
    {"SetAlpha", kSelf, ARGB { o->SetAlpha(c.i); }},
    {"FillColorKeepAlpha", kSelf, ARGB { o->FillColorKeepAlpha(c.i, c.i, c.i); }},
    {"FillPixel", kSelf, ARGB { o->FillPixel(c.u()); }},
    {"ScaleChannelsRGB", kSelf, ARGB { o->ScaleChannelsRGB(c.i, c.i, c.i, c.i); }},
    {"SampleBilinear", kSelf, ARGB { o->SampleBilinear(c.u(), c.u() << 16, reinterpret_cast<uint8_t*>(c.Out<uint32_t>(0))); }},
    {"GetRowPadding", 0, ARGB { (void)o->GetRowPadding(); }},
};
#undef ARGB

#define AYUV [](ICImageAYUV* o, [[maybe_unused]] Ctx& c)
const std::vector<Row<ICImageAYUV>> kAyuvRows = {
    {"Allocate", 0, AYUV { o->Allocate(c.i, c.i); }},
    {"AttachBuffer", kDesc4 | kRaw | kPadding, AYUV { o->AttachBuffer(c.P(), c.Wd(), c.Ht(), c.St()); if (o->GetData() == c.P()) o->Fill(c.i); }},
    {"ConvertToARGB", kSelf | kDesc4 | kSized, AYUV { o->ConvertToARGB(c.d); }},
    {"CopyAlphaFrom", kSelf | kDesc4 | kSized, AYUV { o->CopyAlphaFrom(c.d); }},
    {"CopyFrom", kSelf | kDesc4 | kSized, AYUV { o->CopyFrom(c.d); }},
    {"GetRegionDesc", 0, AYUV { (void)o->GetRegionDesc(c.Out<ImageDesc>(0), c.i, c.i, c.i, c.i); }},
    {"ResizeTo", kSelf | kDesc4 | kRaw | kPadding, AYUV { o->ResizeTo(c.d, c.u() % 4); o->ResizeTo(c.d, c.u()); }},
    {"ConvertToLuma", kSelf | kDesc1 | kOwnBpp | kSized | kPadding, AYUV { o->ConvertToLuma(c.d); }},
    {"AlphaBlend", kSelf | kDesc4 | kSized, AYUV { o->AlphaBlend(c.d, c.i); }},
    {"DrawRotatedImageScaled", kSelf | kDesc4, AYUV { o->DrawRotatedImageScaled(c.d, c.i, c.f * 9, c.f, c.f * 8, c.f * 2, c.f, c.f * 30, c.i); }},
    {"AlphaComposite", kSelf | kDesc4 | kSized, AYUV { o->AlphaComposite(c.d, c.i); }},
    {"BoxBlurInPlace", kSelf, AYUV { o->BoxBlurInPlace(c.i); }},
    {"Posterize", kSelf, AYUV { o->Posterize(c.i); }},
    {"FillColorKeepAlpha", kSelf, AYUV { o->FillColorKeepAlpha(c.i, c.i, c.i); }},
    {"FillPixel", kSelf, AYUV { o->FillPixel(c.u()); }},
    {"ScaleChannelsRGB", kSelf, AYUV { o->ScaleChannelsRGB(c.i, c.i, c.i, c.i); }},
};
#undef AYUV

#define BYTE [](ICImageByte* o, [[maybe_unused]] Ctx& c)
const std::vector<Row<ICImageByte>> kByteRows = {
    {"Allocate", 0, BYTE { o->Allocate(c.i, c.i); }},
    {"MaskByThreshold", kSelf | kPacked1 | kSized, BYTE { o->MaskByThreshold(c.d, c.i); }},
    {"ColorDodgeBlend", kSelf | kPacked1 | kSized, BYTE { o->ColorDodgeBlend(c.d); }},
    // The pattern has no stride: its rows are as long as the buffer's.
    {"AddTiledPattern", kSelf | kPacked1 | kLoose, BYTE { o->AddTiledPattern(c.P(), c.i < c.St() ? c.i : c.St(), c.Ht()); }},
    {"AddCrossHatch", kSelf, BYTE { o->AddCrossHatch(); }},
    {"SubtractPlane", kSelf | kPacked1 | kSized, BYTE { o->SubtractPlane(c.d); }},
    {"MultiplyByGain", kSelf, BYTE { o->MultiplyByGain(c.i); }},
    {"BoxBlurInPlace", kSelf, BYTE { o->BoxBlurInPlace(c.i); }},
    {"Invert", kSelf, BYTE { o->Invert(); }},
    {"GetMeanValue", kSelf, BYTE { (void)o->GetMeanValue(); }},
    {"DetectEdges", kSelf | kPacked1 | kSized, BYTE { o->DetectEdges(c.d, c.i, c.i); }},
    {"EmbossToPlane", kSelf | kPacked1 | kSized, BYTE { o->EmbossToPlane(c.d, c.i); }},
    {"AdjustContrast", kSelf, BYTE { o->AdjustContrast(c.f); }},
    {"AdjustContrastAroundMean", kSelf, BYTE { o->AdjustContrastAroundMean(c.i); }},
    {"AdjustBrightness", kSelf, BYTE { o->AdjustBrightness(c.i); }},
    {"MapLevels", kSelf, BYTE { o->MapLevels(c.u(), c.u() * 3, c.u() * 5, c.u() * 7); }},
};
#undef BYTE

// ---- How the table is walked.

// The factories, the release export and the routes by which an image takes
// a caller's descriptor, per interface; Attach is null where there is no
// AttachBuffer.
template <typename Interface, int32_t bpp, Interface* (*empty)(), Interface* (*fromDesc)(const ImageDesc*),
          Interface* (*wrap)(const ImageDesc&), int32_t (*release)(Interface*), bool attaches>
struct Kind {
    using I = Interface;
    static constexpr int32_t kBpp = bpp;
    static I* Empty() { return empty(); }
    static I* FromDesc(const ImageDesc* d) { return fromDesc(d); }
    static I* Wrap(const ImageDesc& d) { return wrap(d); }
    static void Attach(I* o, const ImageDesc& d) {
        if constexpr (attaches) o->AttachBuffer(d.data, d.width, d.height, d.stride);
    }
    static void Release(I* o) { release(o); }
};
template <typename I, I* (*make)(uint8_t*, int32_t, int32_t, int32_t)>
I* WrapOf(const ImageDesc& d) { return make(d.data, d.width, d.height, d.stride); }
ICImageUtility* WrapUtility(const ImageDesc& d) {
    return GetCImageUtility5(d.data, d.width, d.height, d.stride, d.bytesPerPixel);
}
using UtilityKind = Kind<ICImageUtility, 4, GetCImageUtility, GetCImageUtility1, WrapUtility, ReleaseCImageUtility, false>;
using ArgbKind = Kind<ICImageARGB, 4, GetCImageARGB, GetCImageARGB1, WrapOf<ICImageARGB, GetCImageARGB4>,
                      ReleaseCImageARGB, true>;
using AyuvKind = Kind<ICImageAYUV, 4, GetCImageAYUV, GetCImageAYUV1, WrapOf<ICImageAYUV, GetCImageAYUV4>,
                      ReleaseCImageAYUV, true>;
using ByteKind = Kind<ICImageByte, 1, GetCImageByte, GetCImageByte1, WrapOf<ICImageByte, GetCImageByte4>,
                      ReleaseCImageByte, false>;

enum class Route { kWrap, kFromDesc, kSetDesc, kAttach };

class Walker {
public:
    Walker(GuardSide side, int32_t level)
        : level_(level), side_(side), scratch_(64, side),
          set4_(MakeVariants(4, 4, side)), set1_(MakeVariants(1, 3, side)), setPacked_(MakeVariants(1, 0, side)),
          self4_(MakeVariants(4, 4, side)), selfPacked_(MakeVariants(1, 0, side)),
          good4_(MakeVariants(4, 4, side)), good1_(MakeVariants(1, 3, side)), goodPacked_(MakeVariants(1, 0, side)) {
        ctx_.g4 = good4_[0].desc;
        ctx_.g1 = good1_[0].desc;
        ctx_.gp = goodPacked_[0].desc;
        ctx_.scratch = &scratch_;
        ctx_.path = testing::TempDir() + "viu_hostile.bmp";
    }
    ~Walker() { std::remove(ctx_.path.c_str()); }

    int32_t calls() const { return calls_; }

    // The inherited rows, then the interface's own. Rows of operations that
    // never look at the image (the services on raw buffers, files and
    // handles) skip the hostile images.
    template <typename Kind, typename RowI>
    void WalkInterface(const char* interfaceName, const std::vector<Row<RowI>>& ownRows) {
        for (const auto& row : kBaseRows) Walk<Kind>(interfaceName, row, true);
        for (const auto& row : kUtilityRows) Walk<Kind>(interfaceName, row, false);
        for (const auto& row : ownRows) Walk<Kind>(interfaceName, row, true);
    }

private:
    template <typename Kind, typename RowI>
    void Walk(const char* interfaceName, const Row<RowI>& row, bool withHostileImages) {
        ScopedInstructionSetLevel scoped(level_);
        std::vector<Variant>& selves = Kind::kBpp == 4 ? self4_ : selfPacked_;
        std::vector<Variant>* descs = (row.flags & kDesc4) ? &set4_ : (row.flags & kDesc1) ? &set1_
                                      : (row.flags & kPacked1) ? &setPacked_ : nullptr;
        const Variant& good = (row.flags & kDesc4) ? good4_[0] : (row.flags & kDesc1) ? good1_[0] : goodPacked_[0];
        const int32_t roleBpp = (row.flags & kDesc4) ? 4 : 1;
        const std::string where = std::string(interfaceName) + "::" + row.slot + " at level " + std::to_string(level_) +
                                  (side_ == GuardSide::kAfter ? ", guard after" : ", guard before");
        // Hostile descriptors, with a valid image and numbers.
        for (size_t v = 0; descs != nullptr && v < descs->size(); ++v) {
            const Variant& d = (*descs)[v];
            const bool refuse = !(row.flags & kLoose) && MustRefuse(d.isNull ? nullptr : &d.desc, roleBpp, row.flags, true);
            Call<Kind>(row, where + ", descriptor " + d.name, selves[0], Route::kWrap, d, 0, 0, refuse);
        }
        // Hostile numbers and null outputs, with valid images.
        for (size_t k = 1; k < sizeof kInts / sizeof kInts[0]; ++k) {
            Call<Kind>(row, where + ", number " + std::to_string(kInts[k]), selves[0], Route::kWrap, good, k,
                       static_cast<uint32_t>(k), false);
        }
        // Hostile images, reached by every route, with valid arguments.
        for (size_t v = 1; withHostileImages && v < selves.size(); ++v) {
            for (Route route : {Route::kWrap, Route::kFromDesc, Route::kSetDesc, Route::kAttach}) {
                Call<Kind>(row, where + ", image " + selves[v].name + " by route " + std::to_string(int(route)),
                           selves[v], route, good, 0, 0, false, true);
            }
        }
    }

    template <typename Kind>
    typename Kind::I* MakeImage(const Variant& self, Route route) {
        const ImageDesc* desc = self.isNull ? nullptr : &self.desc;
        switch (route) {
            case Route::kWrap: return desc ? Kind::Wrap(*desc) : nullptr;
            case Route::kFromDesc: {
                typename Kind::I* image = Kind::FromDesc(desc);
                EXPECT_TRUE(desc != nullptr || image == nullptr) << "a factory took a null descriptor";
                if (desc != nullptr && desc->data == nullptr) {
                    ImageDesc copying = *desc;
                    copying.copy = true;
                    EXPECT_EQ(Kind::FromDesc(&copying), nullptr) << "a factory copied from null data";
                }
                return image;
            }
            case Route::kSetDesc: {
                typename Kind::I* image = Kind::Empty();
                image->SetDesc(desc);
                return image;
            }
            case Route::kAttach: {
                typename Kind::I* image = Kind::Empty();
                if (desc) Kind::Attach(image, *desc);
                return image;
            }
        }
        return nullptr;
    }

    // One call: every buffer refilled, the image made by `route` over
    // `self`, the row called, the image released, the buffers checked. A
    // call must change nothing when its descriptor must be refused, or (with
    // checkImage) when it works on an image that must be refused.
    template <typename Kind, typename RowI>
    void Call(const Row<RowI>& row, const std::string& what, const Variant& self, Route route, const Variant& desc,
              size_t number, uint32_t nullMask, bool mustRefuse, bool checkImage = false) {
        typename Kind::I* image = MakeImage<Kind>(self, route);
        if (image == nullptr) return;
        const ImageDesc own = Desc(image);
        if (checkImage && (row.flags & kSelf) && MustRefuse(&own, Kind::kBpp, row.flags & (kOwnBpp | kRaw), false)) mustRefuse = true;
        const GuardedRows* buffers[] = {self.rows.get(), desc.rows.get(), desc.twin.get(),
                                        good4_[0].rows.get(), good1_[0].rows.get(), goodPacked_[0].rows.get()};
        for (const GuardedRows* rows : buffers) const_cast<GuardedRows*>(rows)->Refill();
        ctx_.d = desc.isNull ? nullptr : &desc.desc;
        ctx_.d2 = desc.isNull ? nullptr : &desc.desc2;
        ctx_.i = kInts[number % (sizeof kInts / sizeof kInts[0])];
        ctx_.f = kFloats[number % (sizeof kFloats / sizeof kFloats[0])];
        ctx_.nullMask = nullMask;
        ctx_.rect = RECT{0, 0, ctx_.i, 2};
        ++calls_;
        row.call(image, ctx_);
        Kind::Release(image);
        for (size_t b = 0; b < sizeof buffers / sizeof buffers[0]; ++b) {
            if (mustRefuse && !buffers[b]->Unchanged()) Fail(what + ": a refused call changed buffer " + std::to_string(b));
            if (!(row.flags & kPadding) && !buffers[b]->PaddingIntact()) Fail(what + ": padding of buffer " + std::to_string(b) + " changed");
        }
    }

    template <typename I>
    static ImageDesc Desc(I* image) {
        return ImageDesc{image->GetData(), image->GetWidth(), image->GetHeight(), image->GetStride(),
                         image->GetBytesPerPixel(), false};
    }

    void Fail(const std::string& message) {
        if (++failures_ <= 40) ADD_FAILURE() << message;
    }

    int32_t level_;
    GuardSide side_;
    GuardedBuffer scratch_;
    std::vector<Variant> set4_, set1_, setPacked_, self4_, selfPacked_, good4_, good1_, goodPacked_;
    Ctx ctx_;
    int32_t calls_ = 0;
    int32_t failures_ = 0;
};

TEST(HostileInput, EverySlotRefusesOrStaysInsideItsBuffers) {
    // Every slot has its row: the inherited ones by name, the typed ones by count.
    std::set<std::string> inherited;
#define VIU_NAME(result, name, parameters, arguments) inherited.insert(std::string(#name) == "GetDescInto" ? "GetDesc" : #name);
    VIU_BASE_OPERATIONS(VIU_NAME)
    VIU_UTILITY_OWN_OPERATIONS(VIU_NAME)
#undef VIU_NAME
    std::set<std::string> rowNames;
    for (const auto& row : kBaseRows) rowNames.insert(row.slot);
    for (const auto& row : kUtilityRows) rowNames.insert(row.slot);
    EXPECT_EQ(rowNames, inherited);
    EXPECT_EQ(kBaseRows.size() + kUtilityRows.size(), 37u);
    EXPECT_EQ(kArgbRows.size(), 95u - 37u);
    EXPECT_EQ(kAyuvRows.size(), 53u - 37u);
    EXPECT_EQ(kByteRows.size(), 53u - 37u);

    int32_t calls = 0;
    for (GuardSide side : {GuardSide::kAfter, GuardSide::kBefore}) {
        for (int32_t level : {0, 3}) {
            Walker walker(side, level);
            walker.WalkInterface<UtilityKind>("ICImageUtility", std::vector<Row<ICImageUtility>>{});
            walker.WalkInterface<ArgbKind>("ICImageARGB", kArgbRows);
            walker.WalkInterface<AyuvKind>("ICImageAYUV", kAyuvRows);
            walker.WalkInterface<ByteKind>("ICImageByte", kByteRows);
            calls += walker.calls();
        }
    }
    RecordProperty("calls", calls);
}

}  // namespace
