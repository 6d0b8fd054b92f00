#include <emmintrin.h>

#include "c_host.h"

/* Colour conversion slots of every table, then the ARGB buffer and
 * whole-image conversion slots. */
enum {
    kConvertRGBToHSL = 12,
    kConvertHSLToRGB = 13,
    kConvertRGBToLuma = 14,
    kConvertRGBToYUV = 15,
    kConvertRGBToYUVPacked = 16,
    kConvertYUVToRGB = 17,
    kConvertYUVToRGBPacked = 18,
    kConvertRGBToYUVNoOffset = 19,
    kReservedA = 20,
    kReservedB = 21,
    kAllocate = 37,
    kAttachBuffer = 38,
    kConvertToAYUV = 39,
    kConvertFromHSLPlanes = 40,
    kCopyAlphaFrom = 41,
    kSetChannel = 42,
    kGetChannel = 43,
    kSetGrayFromPlane = 44,
    kCopyFrom = 45,
    kGetRegionDesc = 46,
    kConvertToLuma = 48,
    kConvertToHSLPlanes = 52,
};

typedef void (*ByteTripleOp)(Object, uint8_t, uint8_t, uint8_t, uint8_t*, uint8_t*, uint8_t*);
typedef void (*LumaOp)(Object, uint8_t, uint8_t, uint8_t, uint8_t*);
typedef void (*IntTripleOp)(Object, int32_t, int32_t, int32_t, int32_t*, int32_t*, int32_t*);
typedef void (*ReservedAOp)(Object, uint8_t*, int32_t, int32_t, int32_t, uint8_t*, int32_t, int32_t,
                            int32_t);
typedef int32_t (*ReservedBOp)(Object, uint8_t*, int32_t, int32_t, int32_t, uint8_t*, int32_t);
/* An MSVC host passes a 16-byte vector argument as a pointer to a copy. */
#ifdef _WIN32
typedef void (*PackedOp)(Object, const __m128i*, __m128i*);
#else
typedef void (*PackedOp)(Object, __m128i, __m128i*);
#endif
typedef void (*SizeOp)(Object, int32_t, int32_t);
typedef void (*AttachOp)(Object, uint8_t*, int32_t, int32_t, int32_t);
typedef void (*DescOp)(Object, const ImageDesc*);
typedef void (*ThreeDescOp)(Object, const ImageDesc*, const ImageDesc*, const ImageDesc*);
typedef void (*LaneOp)(Object, const ImageDesc*, int32_t);
typedef int32_t (*RegionOp)(Object, ImageDesc*, int32_t, int32_t, int32_t, int32_t);

static void CallPacked(Object o, int slot, const uint8_t in[16], uint8_t out[16]) {
    __m128i vector = _mm_loadu_si128((const __m128i*)in);
    __m128i result = _mm_set1_epi32(-1);
#ifdef _WIN32
    ((PackedOp)Slot(o, slot))(o, &vector, &result);
#else
    ((PackedOp)Slot(o, slot))(o, vector, &result);
#endif
    _mm_storeu_si128((__m128i*)out, result);
}

static void CheckSingleColourSlots(Object o) {
    uint8_t h = 0, s = 0, l = 0, r = 0, g = 0, b = 0, y8 = 0;
    ((ByteTripleOp)Slot(o, kConvertRGBToHSL))(o, 0, 255, 0, &h, &s, &l);
    CHECK(h == 85 && s == 255 && l == 127);
    ((ByteTripleOp)Slot(o, kConvertHSLToRGB))(o, 0, 255, 127, &r, &g, &b);
    CHECK(r == 253 && g == 0 && b == 0);
    ((LumaOp)Slot(o, kConvertRGBToLuma))(o, 255, 255, 255, &y8);
    CHECK(y8 == 235);

    int32_t y = 0, u = 0, v = 0, ri = 0, gi = 0, bi = 0;
    ((IntTripleOp)Slot(o, kConvertRGBToYUV))(o, 255, 0, 0, &y, &u, &v);
    CHECK(y == 82 && u == 90 && v == 240);
    ((IntTripleOp)Slot(o, kConvertYUVToRGB))(o, 255, 128, 255, &ri, &gi, &bi);
    CHECK(ri == 481 && gi == 175 && bi == 278);
    ((IntTripleOp)Slot(o, kConvertRGBToYUVNoOffset))(o, 255, 0, 0, &y, &u, &v);
    CHECK(y == 66 && u == -38 && v == 112);

    const uint8_t argb[16] = {255, 255, 255, 255, 0, 0, 255, 0, 9, 9, 9, 9, 9, 9, 9, 9};
    const uint8_t ayuv[16] = {128, 128, 235, 0, 240, 90, 82, 0};
    uint8_t out[16];
    CallPacked(o, kConvertRGBToYUVPacked, argb, out);
    CHECK(memcmp(out, ayuv, 16) == 0);
    const uint8_t bright[16] = {255, 128, 255, 200, 128, 128, 16, 7, 1, 2, 3, 4, 5, 6, 7, 8};
    const uint8_t rgb[16] = {255, 175, 255, 0, 0, 0, 0, 0};
    CallPacked(o, kConvertYUVToRGBPacked, bright, out);
    CHECK(memcmp(out, rgb, 16) == 0);

    uint8_t byte = 0;
    ((ReservedAOp)Slot(o, kReservedA))(o, NULL, 1, 2, 3, NULL, 4, 5, 6);
    CHECK(((ReservedBOp)Slot(o, kReservedB))(o, &byte, 1, 2, 3, &byte, 4) == 0);
    CHECK(((ReservedBOp)Slot(o, kReservedB))(o, &byte, 1, 2, 3, NULL, 4) == (int32_t)0x80070057);
}

static void CheckArgbBufferSlots(void) {
    g_case = "ARGB Allocate and AttachBuffer";
    Object image = GetCImageARGB();
    ((SizeOp)Slot(image, kAllocate))(image, 3, 2);
    CHECK(CallInt(image, kGetStride) == 12 && CallInt(image, kGetHeight) == 2);
    static uint8_t pixels[2 * 12] = {
        10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120,
        11, 21, 31, 41, 51, 61, 71, 81, 91, 101, 111, 121,
    };
    ((AttachOp)Slot(image, kAttachBuffer))(image, pixels, 3, 2, 12);
    ImageDesc desc = CallGetDesc(image);
    CHECK(desc.data == pixels && desc.width == 3 && desc.stride == 12 && !desc.copy);

    g_case = "ARGB lanes";
    uint8_t plane[6] = {1, 2, 3, 4, 5, 6};
    ImageDesc planeDesc = {plane, 3, 2, 3, 1, false};
    ((LaneOp)Slot(image, kSetChannel))(image, &planeDesc, 3);
    CHECK(pixels[3] == 1 && pixels[12 + 11] == 6 && pixels[2] == 30);
    ((LaneOp)Slot(image, kGetChannel))(image, &planeDesc, 0);
    CHECK(plane[0] == 10 && plane[1] == 50 && plane[5] == 91);
    uint8_t source[2 * 12];
    memset(source, 0xEE, sizeof source);
    ImageDesc sourceDesc = {source, 3, 2, 12, 4, false};
    ((DescOp)Slot(image, kCopyAlphaFrom))(image, &sourceDesc);
    CHECK(pixels[3] == 0xEE && pixels[23] == 0xEE && pixels[0] == 10);
    ((DescOp)Slot(image, kSetGrayFromPlane))(image, &planeDesc);
    CHECK(pixels[4] == 50 && pixels[5] == 50 && pixels[6] == 50 && pixels[7] == 0xEE);
    ((DescOp)Slot(image, kCopyFrom))(image, &sourceDesc);
    CHECK(pixels[0] == 0xEE && pixels[22] == 0xEE);

    g_case = "ARGB GetRegionDesc";
    ImageDesc region;
    CHECK(((RegionOp)Slot(image, kGetRegionDesc))(image, &region, -1, 1, 3, 5) == 1);
    CHECK(region.data == pixels + 12 && region.width == 2 && region.height == 1);
    CHECK(((RegionOp)Slot(image, kGetRegionDesc))(image, &region, 3, 0, 1, 1) == 0);
    CHECK(region.data == pixels && region.width == 3 && region.height == 2);

    g_case = "ARGB whole-image conversions";
    static uint8_t red[2 * 8] = {0, 0, 255, 77, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 1};
    ((AttachOp)Slot(image, kAttachBuffer))(image, red, 2, 2, 8);
    uint8_t ayuv[16];
    ImageDesc ayuvDesc = {ayuv, 2, 2, 8, 4, false};
    ((DescOp)Slot(image, kConvertToAYUV))(image, &ayuvDesc);
    CHECK(ayuv[0] == 240 && ayuv[1] == 90 && ayuv[2] == 82 && ayuv[3] == 77);
    CHECK(ayuv[4] == 128 && ayuv[6] == 235 && ayuv[10] == 16);
    uint8_t luma[4];
    ImageDesc lumaDesc = {luma, 2, 2, 2, 1, false};
    ((DescOp)Slot(image, kConvertToLuma))(image, &lumaDesc);
    CHECK(luma[0] == 82 && luma[1] == 235 && luma[2] == 16);
    uint8_t h[4], s[4], l[4];
    ImageDesc hDesc = {h, 2, 2, 2, 1, false}, sDesc = {s, 2, 2, 2, 1, false},
              lDesc = {l, 2, 2, 2, 1, false};
    ((ThreeDescOp)Slot(image, kConvertToHSLPlanes))(image, &hDesc, &sDesc, &lDesc);
    CHECK(h[0] == 0 && s[0] == 255 && l[0] == 127 && l[1] == 255 && h[1] == 170);
    ((ThreeDescOp)Slot(image, kConvertFromHSLPlanes))(image, &hDesc, &sDesc, &lDesc);
    CHECK(red[0] == 0 && red[1] == 0 && red[2] == 253 && red[3] == 77);
    ReleaseCImageARGB(image);
}

void TestColourSlots(void) {
    g_case = "single colours through a Utility table";
    Object utility = GetCImageUtility();
    CheckSingleColourSlots(utility);
    ReleaseCImageUtility(utility);
    g_case = "single colours through an ARGB table";
    Object argb = GetCImageARGB();
    CheckSingleColourSlots(argb);
    ReleaseCImageARGB(argb);
    CheckArgbBufferSlots();
}
