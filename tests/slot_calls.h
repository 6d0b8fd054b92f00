// One call of every slot of the five interfaces, in table order, with its
// arguments drawn from a source A (an Arguments<A> below): numbers I(),
// U(), F(), Count(max); descriptors D() and Kept() (one the image may
// keep); raw buffers Raw(kept); outputs Out<T>() and Or(pointer) (null or
// not); sizes Size(); Rect(); List() of four values; paths PathW(),
// PathA(); and for the loaders Into(), Bitmap(), Module(bitmapResource),
// Loaded(into); Drop(buffer) releases a buffer an image let go of.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "VelImageUtility/Exports.h"
#include "guarded_buffer.h"

namespace VelImageUtility {
namespace test {

template <typename I, typename A>
struct Slot {
    const char* name;
    void (*call)(I*, A&);
};

struct Extent {
    int32_t width, height;
};

// Raw-buffer arguments from a descriptor and its twin over a second buffer:
// the width its stride holds as 4-byte pixels is for the calls with packed rows.
struct RawArgs {
    uint8_t *p = nullptr, *p2 = nullptr;
    int32_t w = 0, h = 0, stride = 0, packedWidth = 0;
};

// A loaded image's buffer (or one an image let go of) goes back through an
// image that owns it.
inline void ReleaseLoaded(const ImageDesc& loaded) {
    ICImageARGB* owner = GetCImageARGB();
    owner->SetDesc(&loaded);
    ReleaseCImageARGB(owner);
}

// A load leaves the descriptor as it was or hands over a whole new packed
// image, which is read in full (onto `pixels` when given) and released.
// False when it did neither.
inline bool TakeLoaded(const ImageDesc& before, const ImageDesc& after, std::vector<uint8_t>* pixels = nullptr) {
    if (std::memcmp(&before, &after, sizeof after) == 0) return true;
    if (after.data == nullptr || after.data == before.data || !after.copy || after.width <= 0 || after.height <= 0 ||
        after.bytesPerPixel != 4 || after.stride != after.width * 4) {
        return false;
    }
    const std::vector<uint8_t> read(after.data, after.data + int64_t{after.stride} * after.height);
    if (pixels) pixels->insert(pixels->end(), read.begin(), read.end());
    ReleaseLoaded(after);
    return true;
}

// The arguments every source draws alike, from what the source S gives:
// numbers I() and F(), Null() to make a pointer null, Desc(kept, twin) a
// descriptor (and its twin for raw buffers), PathA() and Fail(message).
template <typename S>
class Arguments {
public:
    uint32_t U() { return static_cast<uint32_t>(Self().I()); }
    int32_t Count(int32_t max) { return std::min(Self().I(), max); }
    template <typename T>
    T* Or(T* p) { return Self().Null() ? nullptr : p; }
    // The last bytes before a guard page.
    template <typename T>
    T* Out() { return Or(reinterpret_cast<T*>(scratch_.data() + scratch_.size() - sizeof(T))); }
    uint32_t* List() {
        uint32_t* list = reinterpret_cast<uint32_t*>(lists_[nextList_++ % 3].data());
        for (int32_t i = 0; i < 4; ++i) list[i] = Self().U();
        return Or(list);
    }
    const ImageDesc* D() { return Self().Desc(false, nullptr); }
    const ImageDesc* Kept() { return Self().Desc(true, nullptr); }
    RawArgs Raw(bool kept = false) {
        const ImageDesc* twin = nullptr;
        const ImageDesc* d = Self().Desc(kept, &twin);
        if (d == nullptr) return RawArgs{};
        return RawArgs{d->data, twin ? twin->data : nullptr, d->width, d->height, d->stride, d->stride / 4};
    }
    Extent Size() { return {Self().I(), Self().I()}; }
    const RECT* Rect() { return Or(&(rect_ = RECT{Self().I(), Self().I(), Self().I(), Self().I()})); }
    const wchar_t* PathW() {
        const char* path = Self().PathA();
        if (path == nullptr) return nullptr;
        widePath_.assign(path, path + std::strlen(path));
        return widePath_.c_str();
    }
    // A load into a copy of a descriptor must leave it as it was or hand
    // over a whole new image.
    ImageDesc* Into() {
        const ImageDesc* d = Self().D();
        before_ = d ? *d : ImageDesc{};
        return Or(&(into_ = before_));
    }
    void Loaded(const ImageDesc* out) {
        if (out && !TakeLoaded(before_, *out)) Self().Fail("a load wrote the descriptor");
    }
    void Drop(uint8_t* buffer) {
        if (buffer) ReleaseLoaded(ImageDesc{buffer, 0, 0, 0, 4, true});
    }

private:
    S& Self() { return static_cast<S&>(*this); }
    GuardedRows scratch_{64, 64, 1, GuardSide::kAfter}, lists_[3] = {{16, 16, 1, GuardSide::kAfter},
                                                                    {16, 16, 1, GuardSide::kAfter},
                                                                    {16, 16, 1, GuardSide::kBefore}};
    int32_t nextList_ = 0;
    RECT rect_{};
    ImageDesc before_{}, into_{};
    std::wstring widePath_;
};

#ifndef _WIN32
// A fresh directory for a fuzzing run's files.
inline std::string MakeTempDirectory(const std::string& name) {
    std::string pattern = "/tmp/" + name + "_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}
#endif

// A slot's call as statements on the image o and the source a, or as the
// method called with its arguments.
#define L(name, ...) {#name, [](I* o, [[maybe_unused]] A& a) { __VA_ARGS__; }}
#define C(name, ...) L(name, (void)o->name(__VA_ARGS__))

template <typename A>
struct SlotCalls {
    // The 12 + 25 slots every interface starts with.
    static const auto& Common() {
        using I = ICImageUtility;
        static const std::vector<Slot<I, A>> slots = {
            C(GetWidth), C(GetHeight), C(GetStride), C(GetPixelCount), C(GetBytesPerPixel), C(IsDataOwned), C(GetData),
#if VIU_GETDESC_BY_POINTER
            L(GetDesc, (void)o->GetDesc(); (void)o->GetDescInto(a.template Out<ImageDesc>())),
#else
            C(GetDesc),
#endif
            // An owned buffer is left to the caller, as a host takes it with
            // GetDesc and releases it; the image then writes what it keeps.
            L(SetDesc, uint8_t* owned = o->IsDataOwned() ? o->GetData() : nullptr; const ImageDesc* d = a.Kept();
              o->SetDesc(d); if (d) { a.Drop(owned); o->Fill(a.I()); }),
            C(GetPixelAddress, a.I(), a.I()), C(IsSameSize, a.D()), C(Fill, a.I()),
            C(ConvertRGBToHSL, a.I(), a.I(), a.I(), a.template Out<uint8_t>(), a.template Out<uint8_t>(), a.template Out<uint8_t>()),
            C(ConvertHSLToRGB, a.I(), a.I(), a.I(), a.template Out<uint8_t>(), a.template Out<uint8_t>(), a.template Out<uint8_t>()),
            C(ConvertRGBToLuma, a.I(), a.I(), a.I(), a.template Out<uint8_t>()),
            C(ConvertRGBToYUV, a.I(), a.I(), a.I(), a.template Out<int32_t>(), a.template Out<int32_t>(), a.template Out<int32_t>()),
            C(ConvertRGBToYUVPacked, _mm_set_epi32(a.I(), a.I(), a.I(), a.I()), a.template Out<__m128i>()),
            C(ConvertYUVToRGB, a.I(), a.I(), a.I(), a.template Out<int32_t>(), a.template Out<int32_t>(), a.template Out<int32_t>()),
            C(ConvertYUVToRGBPacked, _mm_set_epi32(a.I(), a.I(), a.I(), a.I()), a.template Out<__m128i>()),
            C(ConvertRGBToYUVNoOffset, a.I(), a.I(), a.I(), a.template Out<int32_t>(), a.template Out<int32_t>(), a.template Out<int32_t>()),
            L(ReservedA, auto r = a.Raw(); o->ReservedA(r.p, a.I(), a.I(), a.I(), r.p2, a.I(), a.I(), a.I())),
            L(ReservedB, auto r = a.Raw(); (void)o->ReservedB(r.p, a.I(), a.I(), a.I(), r.p2, a.I())),
            L(BoxBlur, auto r = a.Raw(); o->BoxBlur(r.p, r.p2, r.w, r.h, r.stride, r.stride, a.I())),
            L(BoxBlurAlphaWeighted, auto r = a.Raw(); o->BoxBlurAlphaWeighted(r.p, r.p2, r.w, r.h, r.stride, r.stride, a.I())),
            L(ZoomBlur, auto r = a.Raw(); o->ZoomBlur(r.p, r.p2, r.packedWidth, r.h, a.I(), a.I(), a.I())),
            L(GaussianBlur, auto r = a.Raw(); o->GaussianBlur(a.I(), r.p2, r.p, r.w, r.h, r.stride, r.stride)),
            L(GaussianBlurAlphaWeighted, auto r = a.Raw(); o->GaussianBlurAlphaWeighted(a.I(), r.p2, r.p, r.packedWidth, r.h, a.I(), a.I())),
            // The work lists hold up to count values each.
            L(SelectKth, uint32_t* values = a.List(); const int32_t count = a.Count(4);
              (void)o->SelectKth(values, count, a.I(), a.List(), a.List())),
            L(MedianFilter, auto r = a.Raw(); (void)o->MedianFilter(a.I(), r.p2, r.p, r.w, r.h, r.stride, r.stride)),
            L(SetAlphaFromColorKey, auto r = a.Raw(); SIZE size{r.packedWidth, r.h};
              o->SetAlphaFromColorKey(r.p, a.Or(&size), a.U(), a.I())),
            L(FillGradient, auto r = a.Raw(); SIZE size{r.packedWidth, r.h};
              o->FillGradient(r.p, a.Or(&size), a.Rect(), a.I(), a.U(), a.U())),
            L(LoadFromHBitmap, ImageDesc* into = a.Into(); o->LoadFromHBitmap(into, a.Bitmap()); a.Loaded(into)),
            L(LoadFromResource, ImageDesc* into = a.Into(); o->LoadFromResource(into, a.Module(false), a.Or("IMAGE"), a.U() % 3);
              a.Loaded(into)),
            L(LoadFromBitmapResource, ImageDesc* into = a.Into(); o->LoadFromBitmapResource(into, a.Module(true), a.U() % 3);
              a.Loaded(into)),
            L(LoadFromFile, ImageDesc* into = a.Into(); o->LoadFromFile(into, a.PathW()); a.Loaded(into)),
            L(LoadFromFileA, ImageDesc* into = a.Into(); o->LoadFromFileA(into, a.PathA()); a.Loaded(into)),
            L(SaveToFile, const ImageDesc* d = a.D(); ImageDesc copy = d ? *d : ImageDesc{};
              (void)o->SaveToFile(d ? &copy : nullptr, a.PathW())),
        };
        return slots;
    }

    static const auto& Argb() {
        using I = ICImageARGB;
        static const std::vector<Slot<I, A>> slots = {
            L(Allocate, const auto size = a.Size(); o->Allocate(size.width, size.height)),
            // An attached buffer is written through, to see the image keep inside it.
            L(AttachBuffer, auto r = a.Raw(true); o->AttachBuffer(r.p, r.w, r.h, r.stride); if (r.p && o->GetData() == r.p) o->Fill(a.I())),
            C(ConvertToAYUV, a.D()), C(ConvertFromHSLPlanes, a.D(), a.D(), a.D()), C(CopyAlphaFrom, a.D()),
            C(SetChannel, a.D(), a.I()), C(GetChannel, a.D(), a.I()), C(SetGrayFromPlane, a.D()), C(CopyFrom, a.D()),
            C(GetRegionDesc, a.template Out<ImageDesc>(), a.I(), a.I(), a.I(), a.I()), C(ResizeTo, a.D(), a.U()),
            C(ConvertToLuma, a.D()), C(BoxBlurTo, a.D(), a.I()), C(BoxBlurAlphaWeightedTo, a.D(), a.I()),
            C(EmbossToPlane, a.D(), a.I()), C(ConvertToHSLPlanes, a.D(), a.D(), a.D()), C(GradientMagnitude, a.D()),
            C(MultiplyBlend, a.D()), C(ScreenBlend, a.D()), C(ColorDodgeBlend, a.D()), C(LinearDodgeBlend, a.D()),
            C(OverlayBlend, a.D()), C(HardLightBlend, a.D()), C(SoftLightBlend, a.D()),
            L(PasteFeathered, const ImageDesc* d = a.D();
              o->PasteFeathered(d, a.I(), a.I(), d && a.U() % 2 ? d->width : a.I(), d && a.U() % 2 ? d->height : a.I(), a.U(), a.F())),
            C(MaskByThreshold, a.D(), a.I()), C(AlphaBlend, a.D(), a.I()), C(AdditiveBlend, a.D(), a.I()),
            C(AlphaComposite, a.D(), a.I()), C(DrawImage, a.D(), a.I(), a.F(), a.F(), a.F(), a.F(), a.I()),
            C(DrawRotatedImage, a.D(), a.I(), a.F(), a.F(), a.F(), a.F(), a.F(), a.I()),
            C(DrawRotatedImageScaled, a.D(), a.I(), a.F(), a.F(), a.F(), a.F(), a.F(), a.F(), a.I()),
            C(BlendColor, a.U(), a.I()), C(ApplySetAlphaFromColorKey, a.U(), a.I()),
            C(ApplyFillGradient, a.Rect(), a.I(), a.U(), a.U()), C(ConvertToGray), C(ApplyBoxBlur, a.I()),
            C(ApplyGaussianBlur, a.I()), C(ApplyZoomBlur, a.I()), C(ApplyBoxBlurAlphaWeighted, a.I()),
            C(ApplyGaussianBlurAlphaWeighted, a.I()), C(GetMeanValue), C(Invert), C(ConvertToGrayLightness),
            C(MedianFilterChannels, a.I()), C(UnsharpMask, a.F(), a.F(), a.U()), C(Posterize, a.I()),
            C(AdjustContrast, a.F()), C(AdjustContrastAroundMean, a.I()), C(AdjustBrightness, a.I()),
            C(MapLevels, a.I(), a.I(), a.I(), a.I()), C(SubtractPlane, a.D()), C(SetAlpha, a.I()),
            C(FillColorKeepAlpha, a.I(), a.I(), a.I()), C(FillPixel, a.U()), C(ScaleChannelsRGB, a.I(), a.I(), a.I(), a.I()),
            C(SampleBilinear, a.U(), a.U(), reinterpret_cast<uint8_t*>(a.template Out<uint32_t>())), C(GetRowPadding),
        };
        return slots;
    }

    static const auto& Ayuv() {
        using I = ICImageAYUV;
        static const std::vector<Slot<I, A>> slots = {
            L(Allocate, const auto size = a.Size(); o->Allocate(size.width, size.height)),
            L(AttachBuffer, auto r = a.Raw(true); o->AttachBuffer(r.p, r.w, r.h, r.stride); if (r.p && o->GetData() == r.p) o->Fill(a.I())),
            C(ConvertToARGB, a.D()), C(CopyAlphaFrom, a.D()), C(CopyFrom, a.D()),
            C(GetRegionDesc, a.template Out<ImageDesc>(), a.I(), a.I(), a.I(), a.I()), C(ResizeTo, a.D(), a.U()),
            C(ConvertToLuma, a.D()), C(AlphaBlend, a.D(), a.I()),
            C(DrawRotatedImageScaled, a.D(), a.I(), a.F(), a.F(), a.F(), a.F(), a.F(), a.F(), a.I()),
            C(AlphaComposite, a.D(), a.I()), C(BoxBlurInPlace, a.I()), C(Posterize, a.I()),
            C(FillColorKeepAlpha, a.I(), a.I(), a.I()), C(FillPixel, a.U()), C(ScaleChannelsRGB, a.I(), a.I(), a.I(), a.I()),
        };
        return slots;
    }

    static const auto& Byte() {
        using I = ICImageByte;
        static const std::vector<Slot<I, A>> slots = {
            L(Allocate, const auto size = a.Size(); o->Allocate(size.width, size.height)),
            C(MaskByThreshold, a.D(), a.I()), C(ColorDodgeBlend, a.D()),
            // The pattern has no stride: it is read as packed rows of the
            // buffer's stride, all of them when the claim passes 32 bits.
            L(AddTiledPattern, auto r = a.Raw(); const bool fits = int64_t{r.stride} * r.h <= INT32_MAX;
              o->AddTiledPattern(r.p, fits ? a.Count(r.stride) : r.stride, r.h)),
            C(AddCrossHatch), C(SubtractPlane, a.D()), C(MultiplyByGain, a.I()), C(BoxBlurInPlace, a.I()), C(Invert),
            C(GetMeanValue), C(DetectEdges, a.D(), a.I(), a.I()), C(EmbossToPlane, a.D(), a.I()), C(AdjustContrast, a.F()),
            C(AdjustContrastAroundMean, a.I()), C(AdjustBrightness, a.I()), C(MapLevels, a.I(), a.I(), a.I(), a.I()),
        };
        return slots;
    }
};

#undef C
#undef L

}  // namespace test
}  // namespace VelImageUtility
