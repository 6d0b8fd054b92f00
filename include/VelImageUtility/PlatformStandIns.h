/* Bitmap handles and module resources where the platform has none.
 *
 * On Windows, LoadFromHBitmap reads a GDI bitmap, LoadFromResource and
 * LoadFromBitmapResource read resources of a loaded module. Elsewhere the
 * HBITMAP, HMODULE and HINSTANCE of VelImageUtility/Types.h point to the
 * plain records below, which the host builds over memory of its own and
 * hands to the library with VelMakeBitmapHandle or VelMakeModuleHandle. As
 * the system's handle tables do, the library keeps a table of the live
 * handles: a value that was not made so, or was released since with
 * VelReleaseBitmapHandle or VelReleaseModuleHandle (as DeleteObject and
 * FreeLibrary end a handle's life), is refused and never read. A record
 * must stay alive, unchanged, until it is released. The library only
 * reads the records and never frees or changes them.
 *
 * A bitmap: width x height pixels, rows top row first, `stride` bytes
 * apart; 32 bits per pixel are bytes B, G, R, X (X is passed on as the
 * loaded pixel's fourth byte), 24 bits per pixel are B, G, R (the fourth
 * byte of the loaded pixel is 0, as when a 24-bit bitmap is read at 32).
 *
 *     uint8_t pixels[2 * 3 * 4] = {...};
 *     VelBitmapHandle record;
 *     HBITMAP bitmap = VelMakeBitmapHandle(&record, 2, 3, 32, 8, pixels);
 *     ImageDesc desc = {0};
 *     utility->LoadFromHBitmap(&desc, bitmap);   // desc: a new 2 x 3 image
 *     VelReleaseBitmapHandle(bitmap);
 *
 * A module: an array of resources, each with a type, an integer identifier
 * and its bytes. The type is a name compared without regard to case (a
 * name "#12" stands for the integer 12), or an integer type made with
 * MAKEINTRESOURCEA, as FindResourceA takes them. LoadFromResource looks up
 * (type, id) and decodes the bytes as an image file (BMP, GIF, JPEG, PNG,
 * TIFF, ICO); as on Windows, where the image passes through a GDI bitmap,
 * colour comes premultiplied by alpha. LoadFromBitmapResource looks up (RT_BITMAP, id), whose bytes
 * are a device-independent bitmap as a resource compiler stores it: the
 * info header, the colour table and the pixels, without a file header.
 *
 *     static const VelResource resources[] = {
 *         {"PNG", 7, pngBytes, sizeof pngBytes},
 *         {RT_BITMAP, 8, dibBytes, sizeof dibBytes},
 *     };
 *     VelModuleHandle record;
 *     HMODULE module = VelMakeModuleHandle(&record, resources, 2);
 *     utility->LoadFromResource(&desc, module, "PNG", 7);
 *     VelReleaseModuleHandle(module);
 *
 * Valid C and C++. Windows hosts use the real handles and do not include
 * this header's records. */
#ifndef VELIMAGEUTILITY_PLATFORMSTANDINS_H
#define VELIMAGEUTILITY_PLATFORMSTANDINS_H

#include "VelImageUtility/Types.h"

#ifndef _WIN32

#ifndef MAKEINTRESOURCEA
/* An integer resource identifier or type in a name's place, as on Windows. */
#define MAKEINTRESOURCEA(i) ((const char*)(uintptr_t)(uint16_t)(i))
#endif
#ifndef IS_INTRESOURCE
#define IS_INTRESOURCE(name) (((uintptr_t)(name) >> 16) == 0)
#endif
#ifndef RT_BITMAP
#define RT_BITMAP MAKEINTRESOURCEA(2)
#endif

struct VelBitmapHandle {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel; /* 24 or 32 */
    int32_t stride;       /* at least width * bitsPerPixel / 8 */
    const uint8_t* pixels;
};

typedef struct VelResource {
    const char* type; /* a name, or MAKEINTRESOURCEA(integer type) */
    uint32_t id;      /* compared on its low 16 bits */
    const uint8_t* bytes;
    uint32_t size;
} VelResource;

struct VelModuleHandle {
    const VelResource* resources;
    uint32_t count;
};

typedef struct VelBitmapHandle VelBitmapHandle;
typedef struct VelModuleHandle VelModuleHandle;

#ifdef __cplusplus
extern "C" {
#endif

/* Fills the record and makes it a live handle (null for a null record);
 * making a live record again only refills it. */
__attribute__((visibility("default"))) HBITMAP VelMakeBitmapHandle(
    VelBitmapHandle* record, int32_t width, int32_t height, int32_t bitsPerPixel, int32_t stride,
    const uint8_t* pixels);
__attribute__((visibility("default"))) HMODULE VelMakeModuleHandle(
    VelModuleHandle* record, const VelResource* resources, uint32_t count);
/* The handle is refused from now on; a value that is not live is ignored. */
__attribute__((visibility("default"))) void VelReleaseBitmapHandle(HBITMAP bitmap);
__attribute__((visibility("default"))) void VelReleaseModuleHandle(HMODULE module);

#ifdef __cplusplus
}
#endif

#endif /* !_WIN32 */

#endif
