// The five abstract interfaces through which a host drives the library.
// The order of the virtual operations in each interface is the binary
// contract: hosts call through fixed table slots, so never reorder, insert
// or overload an operation here.
#ifndef VELIMAGEUTILITY_INTERFACES_H
#define VELIMAGEUTILITY_INTERFACES_H

#include <emmintrin.h>

#include "Types.h"

// A host built with MSVC calls a member function that returns a record as
// (this, hidden result pointer) and gets the pointer back. GCC for Windows
// would pass the two the other way round for a by-value return, so there the
// slot is declared in MSVC's order and the by-value form is an inline helper.
#if defined(_WIN32) && defined(__GNUC__)
#define VIU_GETDESC_BY_POINTER 1
#else
#define VIU_GETDESC_BY_POINTER 0
#endif

// 12 operations.
class ICImageBase {
public:
    virtual int32_t GetWidth() = 0;
    virtual int32_t GetHeight() = 0;
    virtual int32_t GetStride() = 0;
    virtual int32_t GetPixelCount() = 0;
    virtual int32_t GetBytesPerPixel() = 0;
    virtual bool IsDataOwned() = 0;
    virtual uint8_t* GetData() = 0;
#if VIU_GETDESC_BY_POINTER
    virtual ImageDesc* GetDescInto(ImageDesc* result) = 0;
    ImageDesc GetDesc() {
        ImageDesc desc;
        GetDescInto(&desc);
        return desc;
    }
#else
    virtual ImageDesc GetDesc() = 0;
#endif
    virtual void SetDesc(const ImageDesc* desc) = 0;
    virtual uint8_t* GetPixelAddress(int32_t x, int32_t y) = 0;
    virtual int32_t IsSameSize(const ImageDesc* desc) = 0;
    virtual void Fill(int32_t value) = 0;
};

// 12 + 25 = 37 operations. Every typed interface starts with this table.
class ICImageUtility : public ICImageBase {
public:
    virtual void ConvertRGBToHSL(uint8_t r, uint8_t g, uint8_t b, uint8_t* h, uint8_t* s,
                                 uint8_t* l) = 0;
    virtual void ConvertHSLToRGB(uint8_t h, uint8_t s, uint8_t l, uint8_t* r, uint8_t* g,
                                 uint8_t* b) = 0;
    virtual void ConvertRGBToLuma(uint8_t r, uint8_t g, uint8_t b, uint8_t* y) = 0;
    virtual void ConvertRGBToYUV(int32_t r, int32_t g, int32_t b, int32_t* y, int32_t* u,
                                 int32_t* v) = 0;
    // Two ARGB pixels in the low 8 bytes of `in` become two AYUV pixels.
    virtual void ConvertRGBToYUVPacked(__m128i in, __m128i* out) = 0;
    virtual void ConvertYUVToRGB(int32_t y, int32_t u, int32_t v, int32_t* r, int32_t* g,
                                 int32_t* b) = 0;
    virtual void ConvertYUVToRGBPacked(__m128i in, __m128i* out) = 0;
    virtual void ConvertRGBToYUVNoOffset(int32_t r, int32_t g, int32_t b, int32_t* y,
                                         int32_t* u, int32_t* v) = 0;
    virtual void ReservedA(uint8_t* first, int32_t a, int32_t b, int32_t c, uint8_t* second,
                           int32_t d, int32_t e, int32_t f) = 0;
    virtual HRESULT ReservedB(uint8_t* first, int32_t a, int32_t b, int32_t c, uint8_t* second,
                              int32_t d) = 0;
    // The blurs read width x height 4-byte pixels of `src` and write those of
    // `dst`. Each does nothing when a buffer is missing, a width or height is
    // negative, a stride is shorter than its row or height rows do not fit 32
    // bits; ZoomBlur and GaussianBlurAlphaWeighted take both buffers as packed
    // rows (their stride arguments are not used). A radius is reduced to fit the
    // image (2r + 1 <= the smaller side). BoxBlur and GaussianBlur copy the rows
    // for a radius of 0 or below, ZoomBlur for steps of 0 or below (more than 30
    // count as 30); BoxBlurAlphaWeighted does nothing for a radius below 1, and
    // GaussianBlur nothing when src is dst. Scratch memory that cannot be
    // obtained leaves dst unwritten (a copy of src for GaussianBlurAlphaWeighted).
    virtual void BoxBlur(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                         int32_t dstStride, int32_t srcStride, int32_t radius) = 0;
    virtual void BoxBlurAlphaWeighted(uint8_t* dst, const uint8_t* src, int32_t width,
                                      int32_t height, int32_t dstStride, int32_t srcStride,
                                      int32_t radius) = 0;
    virtual void ZoomBlur(uint8_t* dst, const uint8_t* src, int32_t width, int32_t height,
                          int32_t unusedA, int32_t unusedB, int32_t steps) = 0;
    virtual void GaussianBlur(int32_t radius, const uint8_t* src, uint8_t* dst, int32_t width,
                              int32_t height, int32_t srcStride, int32_t dstStride) = 0;
    virtual void GaussianBlurAlphaWeighted(int32_t radius, const uint8_t* src, uint8_t* dst,
                                           int32_t width, int32_t height, int32_t unusedA,
                                           int32_t unusedB) = 0;
    // The k-th smallest of count values (values, lower and upper may be
    // overwritten); 0 when a pointer is missing, count < 1 or k is outside
    // 0..count - 1.
    virtual uint32_t SelectKth(uint32_t* values, int32_t count, int32_t k, uint32_t* lower,
                               uint32_t* upper) = 0;
    // Returns E_INVALIDARG, writing nothing, when size < 1, a buffer is missing
    // or is the other, or the geometry is unusable (as for the blurs); a window
    // larger than the image is reduced to its smaller side; E_OUTOFMEMORY when
    // the scratch memory cannot be obtained.
    virtual HRESULT MedianFilter(int32_t size, const uint8_t* src, uint8_t* dst, int32_t width,
                                 int32_t height, int32_t srcStride, int32_t dstStride) = 0;
    // Both take cx x cy packed 4-byte pixels and do nothing when data or size is
    // missing, cx or cy is below 1 or the buffer does not fit 32 bits;
    // FillGradient also when rect is missing or has no width or no height.
    virtual void SetAlphaFromColorKey(uint8_t* data, const SIZE* size, uint32_t key,
                                      int32_t tolerance) = 0;
    virtual void FillGradient(uint8_t* data, const SIZE* size, const RECT* rect,
                              int32_t direction, uint32_t colorA, uint32_t colorB) = 0;
    // The loaders write the new image's descriptor into *desc on success
    // (see VelImageUtility/Loaders.h for the ownership rules).
    virtual void LoadFromHBitmap(ImageDesc* desc, HBITMAP bitmap) = 0;
    virtual void LoadFromResource(ImageDesc* desc, HMODULE module, const char* type,
                                  uint32_t id) = 0;
    virtual void LoadFromBitmapResource(ImageDesc* desc, HINSTANCE instance, uint32_t id) = 0;
    virtual void LoadFromFile(ImageDesc* desc, const wchar_t* path) = 0;
    virtual void LoadFromFileA(ImageDesc* desc, const char* path) = 0;
    virtual HRESULT SaveToFile(ImageDesc* desc, const wchar_t* path) = 0;
};

// 37 + 58 = 95 operations on 32-bit B, G, R, A pixels.
class ICImageARGB : public ICImageUtility {
public:
    virtual void Allocate(int32_t width, int32_t height) = 0;
    virtual void AttachBuffer(uint8_t* data, int32_t width, int32_t height, int32_t stride) = 0;
    virtual void ConvertToAYUV(const ImageDesc* destination) = 0;
    virtual void ConvertFromHSLPlanes(const ImageDesc* h, const ImageDesc* s,
                                      const ImageDesc* l) = 0;
    virtual void CopyAlphaFrom(const ImageDesc* source) = 0;
    virtual void SetChannel(const ImageDesc* plane, int32_t lane) = 0;
    virtual void GetChannel(const ImageDesc* plane, int32_t lane) = 0;
    virtual void SetGrayFromPlane(const ImageDesc* plane) = 0;
    virtual void CopyFrom(const ImageDesc* source) = 0;
    virtual int32_t GetRegionDesc(ImageDesc* out, int32_t x, int32_t y, int32_t width,
                                  int32_t height) = 0;
    // Scales this image into the whole destination buffer (4 bytes per pixel
    // on both sides): mode 0 bilinear, 1 nearest row (equal widths only), 2
    // box average; any other mode does nothing. Modes 1 and 2 set the
    // destination's row padding to 0, mode 0 leaves it. Does nothing when a
    // width or height is below 2, a buffer is missing, a stride is shorter
    // than its row, working memory cannot be obtained, or an axis is reduced
    // by more than 255 source pixels per destination pixel (the resampler
    // steps at most that far between neighbouring destination pixels).
    virtual void ResizeTo(const ImageDesc* destination, uint32_t mode) = 0;
    virtual void ConvertToLuma(const ImageDesc* plane) = 0;
    // BoxBlurTo, BoxBlurAlphaWeightedTo, EmbossToPlane and GradientMagnitude do
    // nothing unless this image has usable 4-byte pixels and the destination
    // usable pixels of the same size (4 bytes; 1 for EmbossToPlane) that share
    // no byte with this image. Radius 0 copies this
    // image into the destination. EmbossToPlane writes every pixel of the
    // one-byte destination (128 on the border) and does nothing for a direction
    // outside 0..7.
    virtual void BoxBlurTo(const ImageDesc* destination, int32_t radius) = 0;
    virtual void BoxBlurAlphaWeightedTo(const ImageDesc* destination, int32_t radius) = 0;
    virtual void EmbossToPlane(const ImageDesc* destination, int32_t direction) = 0;
    virtual void ConvertToHSLPlanes(const ImageDesc* h, const ImageDesc* s,
                                    const ImageDesc* l) = 0;
    virtual void GradientMagnitude(const ImageDesc* destination) = 0;
    virtual void MultiplyBlend(const ImageDesc* source) = 0;
    virtual void ScreenBlend(const ImageDesc* source) = 0;
    virtual void ColorDodgeBlend(const ImageDesc* source) = 0;
    virtual void LinearDodgeBlend(const ImageDesc* source) = 0;
    virtual void OverlayBlend(const ImageDesc* source) = 0;
    virtual void HardLightBlend(const ImageDesc* source) = 0;
    virtual void SoftLightBlend(const ImageDesc* source) = 0;
    virtual void PasteFeathered(const ImageDesc* source, int32_t x, int32_t y, int32_t width,
                                int32_t height, uint32_t mode, float feather) = 0;
    virtual void MaskByThreshold(const ImageDesc* mask, int32_t level) = 0;
    virtual void AlphaBlend(const ImageDesc* source, uint8_t opacity) = 0;
    virtual void AdditiveBlend(const ImageDesc* source, uint8_t opacity) = 0;
    virtual void AlphaComposite(const ImageDesc* source, uint8_t opacity) = 0;
    virtual void DrawImage(const ImageDesc* source, int32_t mode, float x, float y, float width,
                           float height, uint8_t opacity) = 0;
    virtual void DrawRotatedImage(const ImageDesc* source, int32_t mode, float cx, float cy,
                                  float width, float height, float angle, uint8_t opacity) = 0;
    virtual void DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx,
                                        float cy, float width, float height,
                                        float verticalScale, float angle, uint8_t opacity) = 0;
    virtual void BlendColor(uint32_t color, uint8_t opacity) = 0;
    // The Apply operations run the services above on this image's own pixels
    // (rows at its stride, padding untouched) and do nothing unless it has usable
    // 4-byte pixels; the blurs read a private copy, and do nothing when it
    // cannot be obtained or when the radius (steps) is 0 (below 1 for the
    // Gaussian blurs).
    virtual void ApplySetAlphaFromColorKey(uint32_t key, int32_t tolerance) = 0;
    virtual void ApplyFillGradient(const RECT* rect, int32_t direction, uint32_t colorA,
                                   uint32_t colorB) = 0;
    virtual void ConvertToGray() = 0;
    virtual void ApplyBoxBlur(int32_t radius) = 0;
    virtual void ApplyGaussianBlur(int32_t radius) = 0;
    virtual void ApplyZoomBlur(int32_t steps) = 0;
    virtual void ApplyBoxBlurAlphaWeighted(int32_t radius) = 0;
    virtual void ApplyGaussianBlurAlphaWeighted(int32_t radius) = 0;
    virtual float GetMeanValue() = 0;
    virtual void Invert() = 0;
    virtual void ConvertToGrayLightness() = 0;
    virtual void MedianFilterChannels(int32_t radius) = 0;
    virtual void UnsharpMask(float amountPercent, float radius, uint32_t threshold) = 0;
    virtual void Posterize(int32_t step) = 0;
    virtual void AdjustContrast(float gain) = 0;
    virtual void AdjustContrastAroundMean(int32_t amount) = 0;
    virtual void AdjustBrightness(int32_t delta) = 0;
    virtual void MapLevels(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) = 0;
    virtual void SubtractPlane(const ImageDesc* plane) = 0;
    virtual void SetAlpha(uint8_t alpha) = 0;
    virtual void FillColorKeepAlpha(uint8_t red, uint8_t green, uint8_t blue) = 0;
    virtual void FillPixel(uint32_t value) = 0;
    virtual void ScaleChannelsRGB(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) = 0;
    virtual void SampleBilinear(uint32_t x, uint32_t y, uint8_t* out) = 0;
    virtual int32_t GetRowPadding() = 0;
};

// 37 + 16 = 53 operations on 32-bit V, U, Y, A pixels.
class ICImageAYUV : public ICImageUtility {
public:
    // Gives the image an owned, packed buffer of 4-byte pixels. Does nothing
    // (the image stays as it was) when a size is negative or the buffer does
    // not fit 32-bit sizes or cannot be obtained.
    virtual void Allocate(int32_t width, int32_t height) = 0;
    // Uses caller memory of 4-byte pixels in place, not owned; nothing is
    // checked here, later operations refuse a buffer they cannot walk.
    virtual void AttachBuffer(uint8_t* data, int32_t width, int32_t height, int32_t stride) = 0;
    // Studio-range V, U, Y to blue, green, red clamped to 0..255, alpha
    // copied. Does nothing when this image or the destination is not usable
    // 4-byte pixels or the sizes differ.
    virtual void ConvertToARGB(const ImageDesc* destination) = 0;
    // Does nothing when this image or the source is not usable 4-byte
    // pixels or the sizes differ.
    virtual void CopyAlphaFrom(const ImageDesc* source) = 0;
    // Does nothing when this image or the source is not usable 4-byte
    // pixels or the sizes differ; row padding is kept.
    virtual void CopyFrom(const ImageDesc* source) = 0;
    // A rectangle that misses the image describes the whole image and
    // gives 0. Returns 0 and leaves `out` alone when it is null or a size is
    // negative.
    virtual int32_t GetRegionDesc(ImageDesc* out, int32_t x, int32_t y, int32_t width,
                                  int32_t height) = 0;
    // The ARGB ResizeTo, with the same modes and refusals (among them
    // reductions beyond 255 source pixels per destination pixel on an axis).
    virtual void ResizeTo(const ImageDesc* destination, uint32_t mode) = 0;
    // Y into the first byte of each plane pixel. Does nothing when this
    // image is not usable 4-byte pixels, the plane is not usable pixels of
    // its own bytes per pixel, or the sizes differ.
    virtual void ConvertToLuma(const ImageDesc* plane) = 0;
    virtual void AlphaBlend(const ImageDesc* source, uint8_t opacity) = 0;
    virtual void DrawRotatedImageScaled(const ImageDesc* source, int32_t mode, float cx,
                                        float cy, float width, float height,
                                        float verticalScale, float angle, uint8_t opacity) = 0;
    virtual void AlphaComposite(const ImageDesc* source, uint8_t opacity) = 0;
    // The box blur service over a copy of the image (alpha becomes 0).
    // Does nothing when the radius is 0 or negative or this image is not
    // usable 4-byte pixels.
    virtual void BoxBlurInPlace(int32_t radius) = 0;
    virtual void Posterize(int32_t step) = 0;
    virtual void FillColorKeepAlpha(uint8_t y, uint8_t u, uint8_t v) = 0;
    virtual void FillPixel(uint32_t value) = 0;
    // Pixels with alpha 0 are kept. Does nothing when this image is not
    // usable 4-byte pixels.
    virtual void ScaleChannelsRGB(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) = 0;
};

// 37 + 16 = 53 operations on single-byte pixels.
class ICImageByte : public ICImageUtility {
public:
    virtual void Allocate(int32_t width, int32_t height) = 0;
    virtual void MaskByThreshold(const ImageDesc* mask, int32_t threshold) = 0;
    virtual void ColorDodgeBlend(const ImageDesc* blend) = 0;
    virtual void AddTiledPattern(const uint8_t* pattern, int32_t patternWidth,
                                 int32_t patternHeight) = 0;
    virtual void AddCrossHatch() = 0;
    virtual void SubtractPlane(const ImageDesc* other) = 0;
    virtual void MultiplyByGain(int32_t gain) = 0;
    virtual void BoxBlurInPlace(int32_t radius) = 0;
    virtual void Invert() = 0;
    virtual float GetMeanValue() = 0;
    virtual void DetectEdges(const ImageDesc* destination, int32_t threshold,
                             uint8_t edgeValue) = 0;
    virtual void EmbossToPlane(const ImageDesc* destination, int32_t direction) = 0;
    virtual void AdjustContrast(float gain) = 0;
    virtual void AdjustContrastAroundMean(int32_t amount) = 0;
    virtual void AdjustBrightness(int32_t delta) = 0;
    virtual void MapLevels(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) = 0;
};

#endif
