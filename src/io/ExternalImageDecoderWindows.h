// The optional external image decoder: an in-process COM class outside the
// library that LoadFromFile tries before GDI+. Only the entries the library
// calls have a fixed meaning; the others are there to keep the table order.
#pragma once

#include <cstdint>

#include "VelImageUtility/Types.h"

#include <unknwn.h>

namespace VelImageUtility {

// {3B9E5D21-7C4A-4F0E-9A61-2D8C5E7F1A03}
inline constexpr CLSID kExternalImageDecoderClsid = {
    0x3B9E5D21, 0x7C4A, 0x4F0E, {0x9A, 0x61, 0x2D, 0x8C, 0x5E, 0x7F, 0x1A, 0x03}};
// {8E2C4A67-1D3B-4C59-B7E2-6F9A0D3C5B18}
inline constexpr IID kExternalImageDecoderIid = {
    0x8E2C4A67, 0x1D3B, 0x4C59, {0xB7, 0xE2, 0x6F, 0x9A, 0x0D, 0x3C, 0x5B, 0x18}};

// Entries numbered from 0 for QueryInterface.
class IExternalImageDecoder : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE Unused3() = 0;
    // 4: negative when the file cannot be opened or decoded.
    virtual HRESULT STDMETHODCALLTYPE Open(const wchar_t* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
    // 7 and 8: the decoded size in pixels, answered after a successful Open.
    virtual HRESULT STDMETHODCALLTYPE GetHeight(uint32_t* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWidth(uint32_t* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused10() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unused11() = 0;
    // 12: `height` rows of `width` pixels (bytes blue, green, red, alpha),
    // top row first, rows `stride` bytes apart.
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(uint8_t* buffer, uint32_t width, uint32_t height,
                                                 uint32_t stride) = 0;
};

}  // namespace VelImageUtility
