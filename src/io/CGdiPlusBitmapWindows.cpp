#include "io/CGdiPlusBitmapWindows.h"

#include <cstring>

namespace VelImageUtility {

CGdiPlusBitmap::~CGdiPlusBitmap() { Empty(); }

void CGdiPlusBitmap::Empty() {
    delete bitmap;
    bitmap = nullptr;
}

CGdiPlusBitmapResource::~CGdiPlusBitmapResource() { Empty(); }

void CGdiPlusBitmapResource::Empty() {
    CGdiPlusBitmap::Empty();
    if (resourceCopy != nullptr) ReleaseResourceCopy();
}

void CGdiPlusBitmapResource::ReleaseResourceCopy() {
    GlobalUnlock(resourceCopy);
    GlobalFree(resourceCopy);
    resourceCopy = nullptr;
}

bool CGdiPlusBitmapResource::Load(const char* name, const char* type, HMODULE module) {
    Empty();
    HRSRC resource = FindResourceA(module, name, type);
    if (resource == nullptr) return false;
    const DWORD size = SizeofResource(module, resource);
    if (size == 0) return false;
    const void* bytes = LockResource(LoadResource(module, resource));
    if (bytes == nullptr) return false;

    resourceCopy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (resourceCopy == nullptr) return false;
    void* copy = GlobalLock(resourceCopy);
    if (copy == nullptr) {
        GlobalFree(resourceCopy);
        resourceCopy = nullptr;
        return false;
    }
    std::memcpy(copy, bytes, size);

    IStream* stream = nullptr;
    // FALSE: the stream leaves the block to us.
    if (CreateStreamOnHGlobal(resourceCopy, FALSE, &stream) == S_OK) {
        bitmap = NewGdiPlusBitmap(stream, FALSE);
        stream->Release();
        if (bitmap != nullptr && bitmap->GetLastStatus() == Gdiplus::Ok) return true;
        CGdiPlusBitmap::Empty();
    }
    ReleaseResourceCopy();
    return false;
}

bool CGdiPlusBitmapResource::Load(uint32_t id, const char* type, HMODULE module) {
    return Load(MAKEINTRESOURCEA(id), type, module);
}

}  // namespace VelImageUtility
