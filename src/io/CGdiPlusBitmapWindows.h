// Holders that own a GDI+ bitmap for the length of one call.
#pragma once

#include <cstdint>

#include "io/GdiPlusWindows.h"

namespace VelImageUtility {

// Owns one GDI+ bitmap (null when empty).
class CGdiPlusBitmap {
public:
    CGdiPlusBitmap() = default;
    virtual ~CGdiPlusBitmap();
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    // Deletes the bitmap and leaves the holder empty.
    void Empty();

    Gdiplus::Bitmap* bitmap = nullptr;
};

// A GDI+ bitmap decoded from a module resource. GDI+ reads its stream
// lazily, so the private copy of the resource bytes stays allocated and
// locked for as long as the bitmap lives.
class CGdiPlusBitmapResource : public CGdiPlusBitmap {
public:
    CGdiPlusBitmapResource() = default;
    ~CGdiPlusBitmapResource() override;

    // Deletes the bitmap, then unlocks and frees the resource copy.
    void Empty();

    // Decodes the resource `name` of `type` in `module`; false, and the
    // holder empty, when the resource is missing or empty or GDI+ cannot
    // read it.
    bool Load(const char* name, const char* type, HMODULE module);
    // The same for an integer identifier (its low 16 bits).
    bool Load(uint32_t id, const char* type, HMODULE module);

    HGLOBAL resourceCopy = nullptr;

private:
    void ReleaseResourceCopy();
};

}  // namespace VelImageUtility
