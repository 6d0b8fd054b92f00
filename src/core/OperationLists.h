// The inherited operations as lists, so that each class that forwards them
// is generated from the one table instead of being written out by hand.
// Each entry: X(result, name, (parameters), (arguments)), in table order.
#pragma once

#include "VelImageUtility/Interfaces.h"

#if VIU_GETDESC_BY_POINTER
#define VIU_GETDESC_OPERATION(X) X(ImageDesc*, GetDescInto, (ImageDesc * result), (result))
#else
#define VIU_GETDESC_OPERATION(X) X(ImageDesc, GetDesc, (), ())
#endif

#define VIU_BASE_OPERATIONS(X)                                            \
    X(int32_t, GetWidth, (), ())                                          \
    X(int32_t, GetHeight, (), ())                                         \
    X(int32_t, GetStride, (), ())                                         \
    X(int32_t, GetPixelCount, (), ())                                     \
    X(int32_t, GetBytesPerPixel, (), ())                                  \
    X(bool, IsDataOwned, (), ())                                          \
    X(uint8_t*, GetData, (), ())                                          \
    VIU_GETDESC_OPERATION(X)                                              \
    X(void, SetDesc, (const ImageDesc* desc), (desc))                     \
    X(uint8_t*, GetPixelAddress, (int32_t x, int32_t y), (x, y))          \
    X(int32_t, IsSameSize, (const ImageDesc* desc), (desc))               \
    X(void, Fill, (int32_t value), (value))

#define VIU_UTILITY_OWN_OPERATIONS(X)                                                          \
    X(void, ConvertRGBToHSL,                                                                   \
      (uint8_t r, uint8_t g, uint8_t b, uint8_t * h, uint8_t * s, uint8_t * l),               \
      (r, g, b, h, s, l))                                                                      \
    X(void, ConvertHSLToRGB,                                                                   \
      (uint8_t h, uint8_t s, uint8_t l, uint8_t * r, uint8_t * g, uint8_t * b),               \
      (h, s, l, r, g, b))                                                                      \
    X(void, ConvertRGBToLuma, (uint8_t r, uint8_t g, uint8_t b, uint8_t * y), (r, g, b, y))   \
    X(void, ConvertRGBToYUV,                                                                   \
      (int32_t r, int32_t g, int32_t b, int32_t * y, int32_t * u, int32_t * v),               \
      (r, g, b, y, u, v))                                                                      \
    X(void, ConvertRGBToYUVPacked, (__m128i in, __m128i * out), (in, out))                     \
    X(void, ConvertYUVToRGB,                                                                   \
      (int32_t y, int32_t u, int32_t v, int32_t * r, int32_t * g, int32_t * b),               \
      (y, u, v, r, g, b))                                                                      \
    X(void, ConvertYUVToRGBPacked, (__m128i in, __m128i * out), (in, out))                     \
    X(void, ConvertRGBToYUVNoOffset,                                                           \
      (int32_t r, int32_t g, int32_t b, int32_t * y, int32_t * u, int32_t * v),               \
      (r, g, b, y, u, v))                                                                      \
    X(void, ReservedA,                                                                         \
      (uint8_t * first, int32_t a, int32_t b, int32_t c, uint8_t * second, int32_t d,         \
       int32_t e, int32_t f),                                                                  \
      (first, a, b, c, second, d, e, f))                                                       \
    X(HRESULT, ReservedB,                                                                      \
      (uint8_t * first, int32_t a, int32_t b, int32_t c, uint8_t * second, int32_t d),        \
      (first, a, b, c, second, d))                                                             \
    X(void, BoxBlur,                                                                           \
      (uint8_t * dst, const uint8_t* src, int32_t width, int32_t height, int32_t dstStride,   \
       int32_t srcStride, int32_t radius),                                                     \
      (dst, src, width, height, dstStride, srcStride, radius))                                 \
    X(void, BoxBlurAlphaWeighted,                                                              \
      (uint8_t * dst, const uint8_t* src, int32_t width, int32_t height, int32_t dstStride,   \
       int32_t srcStride, int32_t radius),                                                     \
      (dst, src, width, height, dstStride, srcStride, radius))                                 \
    X(void, ZoomBlur,                                                                          \
      (uint8_t * dst, const uint8_t* src, int32_t width, int32_t height, int32_t unusedA,     \
       int32_t unusedB, int32_t steps),                                                        \
      (dst, src, width, height, unusedA, unusedB, steps))                                      \
    X(void, GaussianBlur,                                                                      \
      (int32_t radius, const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,       \
       int32_t srcStride, int32_t dstStride),                                                  \
      (radius, src, dst, width, height, srcStride, dstStride))                                 \
    X(void, GaussianBlurAlphaWeighted,                                                         \
      (int32_t radius, const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,       \
       int32_t unusedA, int32_t unusedB),                                                      \
      (radius, src, dst, width, height, unusedA, unusedB))                                     \
    X(uint32_t, SelectKth,                                                                     \
      (uint32_t * values, int32_t count, int32_t k, uint32_t * lower, uint32_t * upper),      \
      (values, count, k, lower, upper))                                                        \
    X(HRESULT, MedianFilter,                                                                   \
      (int32_t size, const uint8_t* src, uint8_t* dst, int32_t width, int32_t height,         \
       int32_t srcStride, int32_t dstStride),                                                  \
      (size, src, dst, width, height, srcStride, dstStride))                                   \
    X(void, SetAlphaFromColorKey,                                                              \
      (uint8_t * data, const SIZE* size, uint32_t key, int32_t tolerance),                    \
      (data, size, key, tolerance))                                                            \
    X(void, FillGradient,                                                                      \
      (uint8_t * data, const SIZE* size, const RECT* rect, int32_t direction,                 \
       uint32_t colorA, uint32_t colorB),                                                      \
      (data, size, rect, direction, colorA, colorB))                                           \
    X(void, LoadFromHBitmap, (ImageDesc * desc, HBITMAP bitmap), (desc, bitmap))               \
    X(void, LoadFromResource,                                                                  \
      (ImageDesc * desc, HMODULE module, const char* type, uint32_t id),                      \
      (desc, module, type, id))                                                                \
    X(void, LoadFromBitmapResource, (ImageDesc * desc, HINSTANCE instance, uint32_t id),       \
      (desc, instance, id))                                                                    \
    X(void, LoadFromFile, (ImageDesc * desc, const wchar_t* path), (desc, path))               \
    X(void, LoadFromFileA, (ImageDesc * desc, const char* path), (desc, path))                 \
    X(HRESULT, SaveToFile, (ImageDesc * desc, const wchar_t* path), (desc, path))

#define VIU_UTILITY_OPERATIONS(X) \
    VIU_BASE_OPERATIONS(X)        \
    VIU_UTILITY_OWN_OPERATIONS(X)

#define VIU_DECLARE_OVERRIDE(result, name, parameters, arguments) result name parameters override;

// Implement an inherited operation by calling the embedded base's version.
#define VIU_FORWARD_TO_BASE(result, name, parameters, arguments) \
    result name parameters override { return CImageBase::name arguments; }
#define VIU_FORWARD_TO_UTILITY(result, name, parameters, arguments) \
    result name parameters override { return CImageUtility::name arguments; }
