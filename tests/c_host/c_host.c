// A host written in plain C: it sees the library only through the exported
// functions and calls operations through their table slot numbers, the way a
// host built by another compiler does. Slot numbers are written out here
// independently of the C++ headers. Each check shows that a slot reaches its
// operation (an effect no other operation of the same signature has); the
// operations themselves are tested elsewhere.
#include <emmintrin.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "VelImageUtility/Types.h"

#ifdef _WIN32
#define IMPORT __declspec(dllimport)
#else
#define IMPORT
#endif

typedef void* Object;

IMPORT void DetectCpuInstructionSet(void);
IMPORT Object GetCImageUtility(void);
IMPORT Object GetCImageUtility1(const ImageDesc* desc);
IMPORT Object GetCImageUtility4(int32_t width, int32_t height, int32_t stride, int32_t bpp);
IMPORT Object GetCImageUtility5(uint8_t* data, int32_t width, int32_t height, int32_t stride, int32_t bpp);
IMPORT int32_t ReleaseCImageUtility(Object image);
// The exports of the ARGB, AYUV and Byte tables, which take the same arguments.
#define IMAGE_EXPORTS(T)                                                                 \
    IMPORT Object GetCImage##T(void);                                                    \
    IMPORT Object GetCImage##T##1(const ImageDesc* desc);                                \
    IMPORT Object GetCImage##T##2(int32_t width, int32_t height);                        \
    IMPORT Object GetCImage##T##4(uint8_t* data, int32_t width, int32_t height, int32_t stride); \
    IMPORT int32_t ReleaseCImage##T(Object image);
IMAGE_EXPORTS(ARGB)
IMAGE_EXPORTS(AYUV)
IMAGE_EXPORTS(Byte)

// The 37 slots every table shares: the base operations, the colour
// conversions and the file operations.
enum {
    kGetWidth, kGetHeight, kGetStride, kGetPixelCount, kGetBytesPerPixel, kIsDataOwned, kGetData, kGetDesc, kSetDesc,
    kGetPixelAddress, kIsSameSize, kFill, kConvertRGBToHSL, kConvertHSLToRGB, kConvertRGBToLuma, kConvertRGBToYUV,
    kConvertRGBToYUVPacked, kConvertYUVToRGB, kConvertYUVToRGBPacked, kConvertRGBToYUVNoOffset, kReservedA, kReservedB,
    kLoadFromHBitmap = 31, kLoadFromFile = 34, kLoadFromFileA, kSaveToFile
};
// The slots of each table after those 37.
enum {
    kArgbAllocate = 37, kArgbAttachBuffer, kArgbConvertToAYUV, kArgbConvertFromHSLPlanes, kArgbCopyAlphaFrom,
    kArgbSetChannel, kArgbGetChannel, kArgbSetGrayFromPlane, kArgbCopyFrom, kArgbGetRegionDesc, kArgbResizeTo,
    kArgbConvertToLuma, kArgbConvertToHSLPlanes = 52
};
enum {
    kAyuvAllocate = 37, kAyuvAttachBuffer, kAyuvConvertToARGB, kAyuvCopyAlphaFrom, kAyuvCopyFrom, kAyuvGetRegionDesc,
    kAyuvResizeTo, kAyuvConvertToLuma, kAyuvBoxBlurInPlace = 48, kAyuvScaleChannelsRGB = 52
};
enum {
    kByteAllocate = 37, kByteMaskByThreshold, kByteColorDodgeBlend, kByteAddTiledPattern, kByteAddCrossHatch,
    kByteSubtractPlane, kByteMultiplyByGain, kByteBoxBlurInPlace, kByteInvert, kByteGetMeanValue, kByteDetectEdges,
    kByteEmbossToPlane, kByteAdjustContrast, kByteAdjustContrastAroundMean, kByteAdjustBrightness, kByteMapLevels
};

typedef void (*VoidOp)(Object);
typedef void (*IntOp)(Object, int32_t);
typedef void (*SizeOp)(Object, int32_t, int32_t);
typedef void (*DescOp)(Object, const ImageDesc*);
typedef void (*ThreeDescOp)(Object, const ImageDesc*, const ImageDesc*, const ImageDesc*);
typedef void (*LaneOp)(Object, const ImageDesc*, int32_t);
typedef void (*AttachOp)(Object, uint8_t*, int32_t, int32_t, int32_t);
typedef int32_t (*RegionOp)(Object, ImageDesc*, int32_t, int32_t, int32_t, int32_t);
typedef void (*ResizeToOp)(Object, const ImageDesc*, uint32_t);
typedef void (*LoadFromFileOp)(Object, ImageDesc*, const wchar_t*);
typedef void (*ByteTripleOp)(Object, uint8_t, uint8_t, uint8_t, uint8_t*, uint8_t*, uint8_t*);
typedef void (*IntTripleOp)(Object, int32_t, int32_t, int32_t, int32_t*, int32_t*, int32_t*);
typedef void (*FourByteOp)(Object, uint8_t, uint8_t, uint8_t, uint8_t);
typedef void (*TileOp)(Object, const uint8_t*, int32_t, int32_t);
// An MSVC host passes a 16-byte vector argument as a pointer to a copy.
#ifdef _WIN32
typedef void (*PackedOp)(Object, const __m128i*, __m128i*);
#define VECTOR_ARGUMENT(v) (&(v))
#else
typedef void (*PackedOp)(Object, __m128i, __m128i*);
#define VECTOR_ARGUMENT(v) (v)
#endif

static int g_passed, g_failed;
static const char* g_case = "";

#define CHECK(condition)                                                                                        \
    ((condition) ? (void)++g_passed                                                                            \
                 : (void)(++g_failed, fprintf(stderr, "%s:%d: %s: check failed: %s\n", __FILE__, __LINE__, g_case, \
                                               #condition)))

// The function in slot `index` of an object's operation table.
#define SLOT(type, object, index) ((type)((*(void***)(object))[index]))
// Slot `index` of `object` called as `type` with `args`; then `condition` must hold.
#define CALL(type, object, index, args, condition) (SLOT(type, object, index) args, CHECK(condition))

static int32_t CallInt(Object o, int slot) { return SLOT(int32_t (*)(Object), o, slot)(o); }

// GetDesc returns a record by value. An MSVC host passes `this` first and
// the result pointer second and gets the pointer back; on the System V ABI
// a C function returning a record is the same call as the C++ member.
static ImageDesc CallGetDesc(Object o) {
    ImageDesc desc;
    memset(&desc, 0xCD, sizeof desc);
#ifdef _WIN32
    CHECK(SLOT(ImageDesc* (*)(Object, ImageDesc*), o, kGetDesc)(o, &desc) == &desc);
#else
    desc = SLOT(ImageDesc(*)(Object), o, kGetDesc)(o);
#endif
    return desc;
}

// The twelve base operations, which every table shares.
static void CheckBaseOperations(Object o, int32_t width, int32_t height, int32_t stride, int32_t bpp, int owned) {
    uint8_t* got = SLOT(uint8_t* (*)(Object), o, kGetData)(o);
    CHECK(CallInt(o, kGetWidth) == width && CallInt(o, kGetHeight) == height && CallInt(o, kGetStride) == stride);
    CHECK(CallInt(o, kGetPixelCount) == width * height && CallInt(o, kGetBytesPerPixel) == bpp);
    CHECK((SLOT(uint8_t (*)(Object), o, kIsDataOwned)(o) != 0) == owned);
    ImageDesc desc = CallGetDesc(o);
    CHECK(desc.data == got && desc.width == width && desc.height == height && desc.stride == stride &&
          desc.bytesPerPixel == bpp && desc.copy == (owned != 0));
    CHECK(SLOT(uint8_t* (*)(Object, int32_t, int32_t), o, kGetPixelAddress)(o, 1, 1) == got + stride + bpp);
    ImageDesc same = {NULL, width, height, stride + 64, 7, false}, other = {NULL, width + 1, height, stride, bpp, false};
    CHECK(SLOT(int32_t (*)(Object, const ImageDesc*), o, kIsSameSize)(o, &same) == 1);
    CHECK(SLOT(int32_t (*)(Object, const ImageDesc*), o, kIsSameSize)(o, &other) == 0);
    CALL(IntOp, o, kFill, (o, 0x1A5), got[0] == 0xA5 && got[height * stride - 1] == 0xA5);
    // SetDesc then GetDesc gives back the same six values; restored after.
    ImageDesc swapped = {got + 1, 2, 3, 99, 5, false};
    SLOT(DescOp, o, kSetDesc)(o, &swapped);
    ImageDesc back = CallGetDesc(o);
    CHECK(back.data == got + 1 && back.width == 2 && back.height == 3 && back.stride == 99 && back.bytesPerPixel == 5 &&
          !back.copy);
    SLOT(DescOp, o, kSetDesc)(o, &desc);
}

// Every factory export, as declared here, and the release export of its
// table; then the base slots through an image over caller memory and an
// allocated one.
static void TestBaseSlots(void) {
    static uint8_t memory[3 * 24], source[2 * 8] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ImageDesc copyDesc = {source, 2, 2, 8, 4, true}, inPlace = {source, 2, 2, 8, 4, false};
    const struct { Object o; int32_t (*release)(Object); int32_t width, stride; const uint8_t* data; } made[] = {
        {GetCImageUtility(), ReleaseCImageUtility, 0, 0, NULL},
        {GetCImageUtility1(&copyDesc), ReleaseCImageUtility, 2, 8, NULL},
        {GetCImageUtility4(3, 2, 16, 4), ReleaseCImageUtility, 3, 16, NULL},
        {GetCImageUtility5(memory, 5, 3, 24, 4), ReleaseCImageUtility, 5, 24, memory},
        {GetCImageARGB(), ReleaseCImageARGB, 0, 0, NULL},
        {GetCImageARGB1(&inPlace), ReleaseCImageARGB, 2, 8, source},
        {GetCImageARGB2(3, 2), ReleaseCImageARGB, 3, 12, NULL},
        {GetCImageARGB4(memory, 5, 3, 24), ReleaseCImageARGB, 5, 24, memory},
        {GetCImageAYUV(), ReleaseCImageAYUV, 0, 0, NULL},
        {GetCImageAYUV1(&copyDesc), ReleaseCImageAYUV, 2, 8, NULL},
        {GetCImageAYUV2(3, 2), ReleaseCImageAYUV, 3, 12, NULL},
        {GetCImageAYUV4(memory, 5, 3, 24), ReleaseCImageAYUV, 5, 24, memory},
        {GetCImageByte(), ReleaseCImageByte, 0, 0, NULL},
        {GetCImageByte1(&inPlace), ReleaseCImageByte, 2, 8, source},
        {GetCImageByte2(3, 2), ReleaseCImageByte, 3, 3, NULL},
        {GetCImageByte4(memory, 5, 3, 24), ReleaseCImageByte, 5, 24, memory},
    };
    g_case = "factories and release exports";
    for (int i = 0; i < 16; ++i) {
        const uint8_t* data = SLOT(uint8_t* (*)(Object), made[i].o, kGetData)(made[i].o);
        CHECK(CallInt(made[i].o, kGetWidth) == made[i].width && CallInt(made[i].o, kGetStride) == made[i].stride);
        CHECK(made[i].data != NULL ? data == made[i].data : (data != source && (made[i].width == 0) == (data == NULL)));
        if (i % 4 == 1 && made[i].data == NULL) CHECK(memcmp(data, source, sizeof source) == 0);
    }
    g_case = "base slots";
    CheckBaseOperations(made[7].o, 5, 3, 24, 4, 0);
    CheckBaseOperations(made[14].o, 3, 2, 3, 1, 1);
    CHECK(memory[0] == 0xA5);
    for (int i = 0; i < 16; ++i) CHECK(made[i].release(made[i].o) == 0);
}

static void TestColourSlots(Object o) {
    uint8_t h, s, l, r, g, b, luma;
    int32_t yuv[3], wide[3];
    // Opaque white, and Y 255 with V 255 (red 481 before clamping).
    const __m128i white = _mm_setr_epi32(-1, 0, 0, 0), bright = _mm_setr_epi32(0x00FF80FF, 0, 0, 0);
    __m128i packed[2];
    const uint8_t *toYuv = (const uint8_t*)&packed[0], *toRgb = (const uint8_t*)&packed[1];
    g_case = "single-colour slots";
    SLOT(ByteTripleOp, o, kConvertRGBToHSL)(o, 0, 255, 0, &h, &s, &l);
    SLOT(ByteTripleOp, o, kConvertHSLToRGB)(o, 0, 255, 127, &r, &g, &b);
    SLOT(void (*)(Object, uint8_t, uint8_t, uint8_t, uint8_t*), o, kConvertRGBToLuma)(o, 255, 255, 255, &luma);
    CHECK(h == 85 && l == 127 && r == 253 && g == 0 && luma == 235);
    SLOT(IntTripleOp, o, kConvertRGBToYUV)(o, 255, 0, 0, &yuv[0], &yuv[1], &yuv[2]);
    CALL(IntTripleOp, o, kConvertRGBToYUVNoOffset, (o, 255, 0, 0, &wide[0], &wide[1], &wide[2]), wide[1] == -38);
    SLOT(IntTripleOp, o, kConvertYUVToRGB)(o, 255, 128, 255, &wide[0], &wide[1], &wide[2]);
    CHECK(yuv[0] == 82 && yuv[2] == 240 && wide[0] == 481 && wide[1] == 175);
    SLOT(PackedOp, o, kConvertRGBToYUVPacked)(o, VECTOR_ARGUMENT(white), &packed[0]);
    SLOT(PackedOp, o, kConvertYUVToRGBPacked)(o, VECTOR_ARGUMENT(bright), &packed[1]);
    CHECK(toYuv[2] == 235 && toYuv[3] == 0 && toRgb[1] == 175 && toRgb[2] == 255);
    CHECK(SLOT(int32_t (*)(Object, uint8_t*, int32_t, int32_t, int32_t, uint8_t*, int32_t), o, kReservedB)(
              o, &luma, 1, 2, 3, NULL, 4) == (int32_t)0x80070057);
}

// The ARGB buffer, conversion, lane, copy and region slots.
static void TestArgbSlots(Object image) {
    static uint8_t colours[8] = {0, 0, 255, 77, 255, 255, 255, 255};  // red, white
    static uint8_t source[8], ayuv[8], luma[2], h[2], s[2], l[2];
    ImageDesc sourceDesc = {source, 2, 1, 8, 4, false}, ayuvDesc = {ayuv, 2, 1, 8, 4, false}, region;
    ImageDesc lumaDesc = {luma, 2, 1, 2, 1, false}, hDesc = {h, 2, 1, 2, 1, false};
    ImageDesc sDesc = {s, 2, 1, 2, 1, false}, lDesc = {l, 2, 1, 2, 1, false};
    memset(source, 0xEE, sizeof source);
    g_case = "ARGB buffer and whole-image conversion slots";
    CALL(SizeOp, image, kArgbAllocate, (image, 3, 2), CallInt(image, kGetStride) == 12);
    CALL(AttachOp, image, kArgbAttachBuffer, (image, colours, 2, 1, 8), CallGetDesc(image).data == colours);
    SLOT(DescOp, image, kArgbConvertToAYUV)(image, &ayuvDesc);
    SLOT(DescOp, image, kArgbConvertToLuma)(image, &lumaDesc);
    SLOT(ThreeDescOp, image, kArgbConvertToHSLPlanes)(image, &hDesc, &sDesc, &lDesc);
    CHECK(ayuv[0] == 240 && ayuv[2] == 82 && ayuv[3] == 77 && luma[1] == 235 && s[0] == 255 && l[1] == 255);
    CALL(ThreeDescOp, image, kArgbConvertFromHSLPlanes, (image, &hDesc, &sDesc, &lDesc),
         colours[0] == 0 && colours[2] == 253 && colours[3] == 77);
    g_case = "ARGB lane, copy and region slots";
    SLOT(LaneOp, image, kArgbSetChannel)(image, &lumaDesc, 3);
    CALL(LaneOp, image, kArgbGetChannel, (image, &hDesc, 2), colours[3] == 82 && colours[2] == 253 && h[0] == 253);
    CALL(DescOp, image, kArgbCopyAlphaFrom, (image, &sourceDesc), colours[3] == 0xEE && colours[0] == 0);
    CALL(DescOp, image, kArgbSetGrayFromPlane, (image, &lumaDesc), colours[0] == 82 && colours[3] == 0xEE);
    CALL(DescOp, image, kArgbCopyFrom, (image, &sourceDesc), colours[0] == 0xEE);
    CHECK(SLOT(RegionOp, image, kArgbGetRegionDesc)(image, &region, 1, -1, 5, 2) == 1 && region.data == colours + 4 &&
          region.width == 1);
}

static void TestResampleAndAyuvSlots(void) {
    static uint8_t rows[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    static uint8_t pair[16] = {0, 0, 0, 0, 254, 254, 254, 254, 0, 0, 0, 0, 254, 254, 254, 254};
    // Studio black with alpha 200 and opaque white.
    static uint8_t yuv[8] = {128, 128, 16, 200, 128, 128, 235, 255};
    uint8_t out[48], argb[8], luma[2] = {0, 0};
    ImageDesc tall = {out, 2, 4, 12, 4, false}, wide = {out, 4, 2, 20, 4, false}, region;
    ImageDesc argbDesc = {argb, 2, 1, 8, 4, false}, lumaDesc = {luma, 2, 1, 2, 1, false};
    Object rgb = GetCImageARGB4(rows, 2, 2, 8), o = GetCImageAYUV4(pair, 2, 2, 8);
    g_case = "ARGB ResizeTo mode 1 repeats the nearest rows (0.5 rounds up), clears padding";
    memset(out, 0xEE, sizeof out);
    CALL(ResizeToOp, rgb, kArgbResizeTo, (rgb, &tall, 1),
         memcmp(out, rows, 8) == 0 && memcmp(out + 12, rows + 8, 8) == 0 && out[47] == 0);
    g_case = "AYUV ResizeTo mode 0 interpolates at 0, 0.5 and twice 127/128, keeps padding";
    memset(out, 0xEE, sizeof out);
    CALL(ResizeToOp, o, kAyuvResizeTo, (o, &wide, 0),
         out[2] == 0 && out[6] == 127 && out[10] == 252 && out[14] == 252 && out[16] == 0xEE);
    ReleaseCImageARGB(rgb);

    g_case = "AYUV buffer, conversion, region and scaling slots";
    CALL(SizeOp, o, kAyuvAllocate, (o, 3, 2), CallInt(o, kGetStride) == 12);
    SLOT(AttachOp, o, kAyuvAttachBuffer)(o, yuv, 2, 1, 8);
    SLOT(DescOp, o, kAyuvConvertToARGB)(o, &argbDesc);
    SLOT(DescOp, o, kAyuvConvertToLuma)(o, &lumaDesc);
    CHECK(argb[0] == 0 && argb[3] == 200 && argb[6] == 255 && luma[0] == 16 && luma[1] == 235);
    CHECK(SLOT(RegionOp, o, kAyuvGetRegionDesc)(o, &region, 1, 0, 5, 5) == 1 && region.data == yuv + 4 &&
          region.width == 1);
    SLOT(IntOp, o, kAyuvBoxBlurInPlace)(o, 0);
    SLOT(FourByteOp, o, kAyuvScaleChannelsRGB)(o, 255, 255, 255, 255);
    CHECK(yuv[2] == 16 && yuv[3] == 199 && yuv[6] == 234 && yuv[7] == 254);
    argb[3] = 9;
    CALL(DescOp, o, kAyuvCopyAlphaFrom, (o, &argbDesc), yuv[3] == 9 && yuv[2] == 16);
    CALL(DescOp, o, kAyuvCopyFrom, (o, &argbDesc), memcmp(yuv, argb, 8) == 0);
    ReleaseCImageAYUV(o);
}

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
    CALL(DescOp, owner, kSetDesc, (owner, loaded), ReleaseCImageARGB(owner) == 0);
}

static void TestFileSlots(void) {
    static uint8_t pixels[5 * 3 * 4];
    for (int i = 0; i < 5 * 3 * 4; ++i) pixels[i] = (uint8_t)(i * 17 + 3);
    Object image = GetCImageARGB4(pixels, 5, 3, 5 * 4);
    ImageDesc desc = {pixels, 5, 3, 5 * 4, 4, false}, loaded = {NULL, 0, 0, 0, 0, false}, narrow = loaded;
    g_case = "SaveToFile, LoadFromFile and LoadFromFileA round trip through BMP";
    remove("c_host_file_slots.bmp");
    CHECK(SLOT(HRESULT (*)(Object, ImageDesc*, const wchar_t*), image, kSaveToFile)(image, &desc,
                                                                                   L"c_host_file_slots.bmp") == 0);
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

enum { kW = 6, kH = 4, kN = kW * kH };
static uint8_t px[kN], plane[kN];
static Object img;

// Releases the previous image and makes a 6 x 4 one over px (every pixel
// `value`, every plane byte `planeValue`).
static void NewByteImage(const char* name, uint8_t value, uint8_t planeValue) {
    if (img != NULL) ReleaseCImageByte(img);
    g_case = name;
    memset(px, value, kN);
    memset(plane, planeValue, kN);
    img = GetCImageByte4(px, kW, kH, kW);
}
// A new image, then slot `slot` called as `type` with `args`; then `condition` must hold.
#define RUN(name, value, planeValue, type, slot, args, condition) \
    (NewByteImage(name, value, planeValue), CALL(type, img, slot, args, condition))

static void TestByteSlots(void) {
    const ImageDesc planeDesc = {plane, kW, kH, kW, 1, false};
    RUN("Allocate", 1, 0, SizeOp, kByteAllocate, (img, 5, 3), px[0] == 1 && CallInt(img, kGetWidth) == 5);
    CHECK(CallInt(img, kGetStride) == 5);
    RUN("MaskByThreshold", 200, 50, LaneOp, kByteMaskByThreshold, (img, &planeDesc, 100), px[0] == 125);
    RUN("ColorDodgeBlend", 128, 127, DescOp, kByteColorDodgeBlend, (img, &planeDesc), px[0] == 255);
    // A flat pattern: the origin does not matter.
    RUN("AddTiledPattern", 10, 5, TileOp, kByteAddTiledPattern, (img, plane, 4, 4), px[0] == 15);
    // Two lines of 10 to 41.
    RUN("AddCrossHatch", 0, 0, VoidOp, kByteAddCrossHatch, (img), px[0] >= 20 && px[0] <= 82);
    RUN("SubtractPlane", 9, 4, DescOp, kByteSubtractPlane, (img, &planeDesc), px[0] == 5);
    RUN("MultiplyByGain", 100, 0, IntOp, kByteMultiplyByGain, (img, 2), px[0] == 200);
    RUN("Invert", 200, 0, VoidOp, kByteInvert, (img), px[0] == 55);
    RUN("AdjustContrast", 192, 0, void (*)(Object, float), kByteAdjustContrast, (img, 2.0f), px[0] == 255);
    RUN("AdjustBrightness", 100, 0, IntOp, kByteAdjustBrightness, (img, -30), px[0] == 70);
    RUN("MapLevels", 125, 0, FourByteOp, kByteMapLevels, (img, 50, 200, 0, 255), px[0] == 127);
    NewByteImage("AdjustContrastAroundMean", 100, 0);
    for (int i = 0; i < kN; i += 2) px[i] = 101;  // mean 100.5
    CALL(IntOp, img, kByteAdjustContrastAroundMean, (img, 100), px[0] == 255 && px[1] == 0);
    NewByteImage("GetMeanValue, DetectEdges, EmbossToPlane, BoxBlurInPlace", 0, 0x77);  // a step after column 2
    for (int y = 0; y < kH; ++y) memset(px + y * kW + 3, 255, 3);
    CHECK(SLOT(float (*)(Object), img, kByteGetMeanValue)(img) == 127.5f);
    SLOT(void (*)(Object, const ImageDesc*, int32_t, uint8_t), img, kByteDetectEdges)(img, &planeDesc, 1, 200);
    CHECK(plane[0] == 0 && plane[kW + 2] == 200);
    CALL(LaneOp, img, kByteEmbossToPlane, (img, &planeDesc, 3), plane[0] == 128 && plane[kW + 2] == 255);
    // 2 x 255 in the 3 x 2 window of (2, 0).
    CALL(IntOp, img, kByteBoxBlurInPlace, (img, 1), px[2] == 85);
    ReleaseCImageByte(img);
}

int main(void) {
    DetectCpuInstructionSet();
    TestBaseSlots();
    Object argb = GetCImageARGB();
    TestColourSlots(argb);
    TestArgbSlots(argb);
    ReleaseCImageARGB(argb);
    TestResampleAndAyuvSlots();
    TestFileSlots();
    TestByteSlots();
    printf("c_host: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
