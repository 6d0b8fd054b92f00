#include <emmintrin.h>

#include "c_host.h"

// Colour conversion slots of every table, then the ARGB buffer and
// whole-image conversion slots, all through the ARGB table, whose first 37
// entries are those of every table. Each check shows that a slot reaches
// its operation; the operations themselves are tested elsewhere.
enum {
    kConvertRGBToHSL = 12, kConvertHSLToRGB, kConvertRGBToLuma, kConvertRGBToYUV, kConvertRGBToYUVPacked,
    kConvertYUVToRGB, kConvertYUVToRGBPacked, kConvertRGBToYUVNoOffset, kReservedA, kReservedB,
    kAllocate = 37, kAttachBuffer, kConvertToAYUV, kConvertFromHSLPlanes, kCopyAlphaFrom, kSetChannel, kGetChannel,
    kSetGrayFromPlane, kCopyFrom, kGetRegionDesc, kConvertToLuma = 48, kConvertToHSLPlanes = 52
};

typedef void (*ByteTripleOp)(Object, uint8_t, uint8_t, uint8_t, uint8_t*, uint8_t*, uint8_t*);
typedef void (*IntTripleOp)(Object, int32_t, int32_t, int32_t, int32_t*, int32_t*, int32_t*);
// An MSVC host passes a 16-byte vector argument as a pointer to a copy.
#ifdef _WIN32
typedef void (*PackedOp)(Object, const __m128i*, __m128i*);
#define VECTOR_ARGUMENT(v) (&(v))
#else
typedef void (*PackedOp)(Object, __m128i, __m128i*);
#define VECTOR_ARGUMENT(v) (v)
#endif
typedef void (*DescOp)(Object, const ImageDesc*);
typedef void (*ThreeDescOp)(Object, const ImageDesc*, const ImageDesc*, const ImageDesc*);
typedef void (*LaneOp)(Object, const ImageDesc*, int32_t);

static void CheckSingleColourSlots(Object o) {
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
    SLOT(IntTripleOp, o, kConvertRGBToYUVNoOffset)(o, 255, 0, 0, &wide[0], &wide[1], &wide[2]);
    CHECK(wide[1] == -38);
    SLOT(IntTripleOp, o, kConvertYUVToRGB)(o, 255, 128, 255, &wide[0], &wide[1], &wide[2]);
    CHECK(yuv[0] == 82 && yuv[2] == 240 && wide[0] == 481 && wide[1] == 175);
    SLOT(PackedOp, o, kConvertRGBToYUVPacked)(o, VECTOR_ARGUMENT(white), &packed[0]);
    SLOT(PackedOp, o, kConvertYUVToRGBPacked)(o, VECTOR_ARGUMENT(bright), &packed[1]);
    CHECK(toYuv[2] == 235 && toYuv[3] == 0 && toRgb[1] == 175 && toRgb[2] == 255);
    SLOT(void (*)(Object, uint8_t*, int32_t, int32_t, int32_t, uint8_t*, int32_t, int32_t, int32_t), o, kReservedA)
    (o, NULL, 1, 2, 3, NULL, 4, 5, 6);
    CHECK(SLOT(int32_t (*)(Object, uint8_t*, int32_t, int32_t, int32_t, uint8_t*, int32_t), o, kReservedB)(
              o, &luma, 1, 2, 3, NULL, 4) == (int32_t)0x80070057);
}

static void CheckArgbSlots(Object image) {
    static uint8_t colours[8] = {0, 0, 255, 77, 255, 255, 255, 255};  // red, white
    static uint8_t source[8], ayuv[8], luma[2], h[2], s[2], l[2];
    ImageDesc sourceDesc = {source, 2, 1, 8, 4, false}, ayuvDesc = {ayuv, 2, 1, 8, 4, false}, region;
    ImageDesc lumaDesc = {luma, 2, 1, 2, 1, false}, hDesc = {h, 2, 1, 2, 1, false};
    ImageDesc sDesc = {s, 2, 1, 2, 1, false}, lDesc = {l, 2, 1, 2, 1, false};
    memset(source, 0xEE, sizeof source);
    g_case = "ARGB buffer and whole-image conversion slots";
    SLOT(void (*)(Object, int32_t, int32_t), image, kAllocate)(image, 3, 2);
    CHECK(CallInt(image, kGetStride) == 12);
    SLOT(void (*)(Object, uint8_t*, int32_t, int32_t, int32_t), image, kAttachBuffer)(image, colours, 2, 1, 8);
    CHECK(CallGetDesc(image).data == colours);
    SLOT(DescOp, image, kConvertToAYUV)(image, &ayuvDesc);
    SLOT(DescOp, image, kConvertToLuma)(image, &lumaDesc);
    SLOT(ThreeDescOp, image, kConvertToHSLPlanes)(image, &hDesc, &sDesc, &lDesc);
    CHECK(ayuv[0] == 240 && ayuv[2] == 82 && ayuv[3] == 77 && luma[1] == 235 && s[0] == 255 && l[1] == 255);
    SLOT(ThreeDescOp, image, kConvertFromHSLPlanes)(image, &hDesc, &sDesc, &lDesc);
    CHECK(colours[0] == 0 && colours[2] == 253 && colours[3] == 77);
    g_case = "ARGB lane, copy and region slots";
    SLOT(LaneOp, image, kSetChannel)(image, &lumaDesc, 3);
    SLOT(LaneOp, image, kGetChannel)(image, &hDesc, 2);
    CHECK(colours[3] == 82 && colours[2] == 253 && h[0] == 253);
    SLOT(DescOp, image, kCopyAlphaFrom)(image, &sourceDesc);
    CHECK(colours[3] == 0xEE && colours[0] == 0);
    SLOT(DescOp, image, kSetGrayFromPlane)(image, &lumaDesc);
    CHECK(colours[0] == 82 && colours[3] == 0xEE);
    SLOT(DescOp, image, kCopyFrom)(image, &sourceDesc);
    CHECK(colours[0] == 0xEE);
    CHECK(SLOT(int32_t (*)(Object, ImageDesc*, int32_t, int32_t, int32_t, int32_t), image, kGetRegionDesc)(
              image, &region, 1, -1, 5, 2) == 1);
    CHECK(region.data == colours + 4 && region.width == 1);
}

void TestColourSlots(void) {
    Object argb = GetCImageARGB();
    CheckSingleColourSlots(argb);
    CheckArgbSlots(argb);
    ReleaseCImageARGB(argb);
}
