// GDI+ as the file loaders and the saver use it: a session that lives for
// one call, and bitmap objects allocated the way GDI+ allocates them.
#pragma once

#include "VelImageUtility/Types.h"

// windows.h is included lean, so the COM stream declarations that gdiplus.h
// needs come first.
#include <objidl.h>

#include <gdiplus.h>

#include <new>

namespace VelImageUtility {

// Bytes blue, green, red, alpha, not premultiplied: the library's ARGB layout.
constexpr Gdiplus::PixelFormat kArgbPixelFormat = PixelFormat32bppARGB;

// Starts GDI+ (version 1, no debug callback, background thread and external
// codecs allowed) and shuts it down again at the end of the scope. Every GDI+
// object of the call must be gone before the session ends.
class GdiPlusSession {
public:
    GdiPlusSession() {
        const Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiPlusSession() {
        // A token from a failed start-up is no token: shutting it down could
        // end a session that the host itself holds.
        if (started_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiPlusSession(const GdiPlusSession&) = delete;
    GdiPlusSession& operator=(const GdiPlusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

// A Gdiplus::Bitmap in memory from GdipAlloc, constructed with `args`, or
// null when GdipAlloc has nothing to give. (A plain `new Gdiplus::Bitmap`
// would run the constructor on the null that GdipAlloc returns.) The object
// goes back with `delete`, which disposes the image and calls GdipFree.
template <typename... Args>
Gdiplus::Bitmap* NewGdiPlusBitmap(Args... args) {
    void* memory = Gdiplus::DllExports::GdipAlloc(sizeof(Gdiplus::Bitmap));
    if (memory == nullptr) return nullptr;
    return ::new (memory) Gdiplus::Bitmap(args...);
}

}  // namespace VelImageUtility
