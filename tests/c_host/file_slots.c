#include "c_host.h"

#include <wchar.h>

/* The file operations of ICImageUtility, inherited by every table. */
enum {
    kLoadFromHBitmap = 31,
    kLoadFromFile = 34,
    kLoadFromFileA = 35,
    kSaveToFile = 36,
};

typedef void (*LoadFromHBitmapOp)(Object, ImageDesc*, HBITMAP);
typedef void (*LoadFromFileOp)(Object, ImageDesc*, const wchar_t*);
typedef void (*LoadFromFileAOp)(Object, ImageDesc*, const char*);
typedef HRESULT (*SaveToFileOp)(Object, ImageDesc*, const wchar_t*);
typedef void (*SetDescOp)(Object, const ImageDesc*);

static int FileExists(const char* path) {
    FILE* file = fopen(path, "rb");
    if (file != NULL) fclose(file);
    return file != NULL;
}

/* A loaded image's buffer becomes the caller's: here an ARGB image takes
 * it over with SetDesc and its release export frees it. */
static void HandOver(const ImageDesc* loaded) {
    Object owner = GetCImageARGB();
    ((SetDescOp)Slot(owner, kSetDesc))(owner, loaded);
    CHECK(ReleaseCImageARGB(owner) == 0);
}

static int SameColours(const ImageDesc* loaded, const uint8_t* pixels, int32_t width, int32_t height) {
    int same = loaded->width == width && loaded->height == height && loaded->stride == width * 4 &&
               loaded->bytesPerPixel == 4 && loaded->copy;
    for (int32_t i = 0; same && i < width * height * 4; ++i) {
        same = loaded->data[i] == (i % 4 == 3 ? 255 : pixels[i]);
    }
    return same;
}

void TestFileSlots(void) {
    enum { kWidth = 5, kHeight = 3 };
    static uint8_t pixels[kWidth * kHeight * 4];
    for (int i = 0; i < kWidth * kHeight * 4; ++i) pixels[i] = (uint8_t)(i * 17 + 3);
    Object image = GetCImageARGB4(pixels, kWidth, kHeight, kWidth * 4);
    ImageDesc desc = {pixels, kWidth, kHeight, kWidth * 4, 4, false};

    g_case = "SaveToFile and LoadFromFile round trip through BMP";
    remove("c_host_file_slots.bmp");
    CHECK(((SaveToFileOp)Slot(image, kSaveToFile))(image, &desc, L"c_host_file_slots.bmp") == 0);
    ImageDesc loaded = {NULL, 0, 0, 0, 0, false};
    ((LoadFromFileOp)Slot(image, kLoadFromFile))(image, &loaded, L"c_host_file_slots.bmp");
    /* 32-bit BMP files read back opaque. */
    CHECK(SameColours(&loaded, pixels, kWidth, kHeight));
    if (loaded.data != NULL) HandOver(&loaded);

    g_case = "LoadFromFileA";
    ImageDesc narrow = {NULL, 0, 0, 0, 0, false};
    ((LoadFromFileAOp)Slot(image, kLoadFromFileA))(image, &narrow, "c_host_file_slots.bmp");
    CHECK(SameColours(&narrow, pixels, kWidth, kHeight));
    if (narrow.data != NULL) HandOver(&narrow);
    remove("c_host_file_slots.bmp");

    g_case = "SaveToFile refuses .gif and creates nothing";
    remove("c_host_file_slots.gif");
    CHECK((uint32_t)((SaveToFileOp)Slot(image, kSaveToFile))(image, &desc, L"c_host_file_slots.gif") ==
          0x80004005u);
    CHECK(!FileExists("c_host_file_slots.gif"));

    g_case = "failed loads leave the descriptor alone";
    ImageDesc untouched = desc;
    ((LoadFromFileOp)Slot(image, kLoadFromFile))(image, &untouched, L"c_host_no_such_file.png");
    ((LoadFromHBitmapOp)Slot(image, kLoadFromHBitmap))(image, &untouched, NULL);
    CHECK(untouched.data == pixels && untouched.width == kWidth && untouched.height == kHeight &&
          untouched.stride == kWidth * 4 && !untouched.copy);

    CHECK(ReleaseCImageARGB(image) == 0);
}
