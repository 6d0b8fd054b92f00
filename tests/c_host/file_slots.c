#include <wchar.h>

#include "c_host.h"

// The file operations of ICImageUtility, inherited by every table.
enum { kLoadFromHBitmap = 31, kLoadFromFile = 34, kLoadFromFileA = 35, kSaveToFile = 36 };
typedef void (*LoadFromFileOp)(Object, ImageDesc*, const wchar_t*);
typedef HRESULT (*SaveToFileOp)(Object, ImageDesc*, const wchar_t*);

// A load gives a new packed buffer of the saved colours (32-bit BMP files
// read back opaque), which becomes the caller's: an ARGB image takes it
// over with SetDesc and its release export frees it.
static void CheckLoadedAndHandOver(const ImageDesc* loaded, const uint8_t* pixels) {
    int same = loaded->width == 5 && loaded->height == 3 && loaded->stride == 20 && loaded->bytesPerPixel == 4 &&
               loaded->copy;
    for (int32_t i = 0; same && i < 5 * 3 * 4; ++i) same = loaded->data[i] == (i % 4 == 3 ? 255 : pixels[i]);
    CHECK(same);
    if (loaded->data == NULL) return;
    Object owner = GetCImageARGB();
    SLOT(void (*)(Object, const ImageDesc*), owner, kSetDesc)(owner, loaded);
    CHECK(ReleaseCImageARGB(owner) == 0);
}

void TestFileSlots(void) {
    static uint8_t pixels[5 * 3 * 4];
    for (int i = 0; i < 5 * 3 * 4; ++i) pixels[i] = (uint8_t)(i * 17 + 3);
    Object image = GetCImageARGB4(pixels, 5, 3, 5 * 4);
    ImageDesc desc = {pixels, 5, 3, 5 * 4, 4, false}, loaded = {NULL, 0, 0, 0, 0, false}, narrow = loaded;
    g_case = "SaveToFile, LoadFromFile and LoadFromFileA round trip through BMP";
    remove("c_host_file_slots.bmp");
    CHECK(SLOT(SaveToFileOp, image, kSaveToFile)(image, &desc, L"c_host_file_slots.bmp") == 0);
    SLOT(LoadFromFileOp, image, kLoadFromFile)(image, &loaded, L"c_host_file_slots.bmp");
    CheckLoadedAndHandOver(&loaded, pixels);
    SLOT(void (*)(Object, ImageDesc*, const char*), image, kLoadFromFileA)(image, &narrow, "c_host_file_slots.bmp");
    CheckLoadedAndHandOver(&narrow, pixels);
    remove("c_host_file_slots.bmp");

    g_case = "failed loads leave the descriptor alone";
    ImageDesc untouched = desc;
    SLOT(LoadFromFileOp, image, kLoadFromFile)(image, &untouched, L"c_host_no_such_file.png");
    SLOT(void (*)(Object, ImageDesc*, HBITMAP), image, kLoadFromHBitmap)(image, &untouched, NULL);
    CHECK(memcmp(&untouched, &desc, sizeof desc) == 0);
    CHECK(ReleaseCImageARGB(image) == 0);
}
