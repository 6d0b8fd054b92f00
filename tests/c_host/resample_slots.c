#include "c_host.h"

/* ResizeTo: slot 37 + 10 of the ARGB table, 37 + 6 of the AYUV table; then
 * the other AYUV buffer and colour slots. */
enum { kArgbResizeTo = 47, kAyuvResizeTo = 43 };
enum {
    kAyuvAllocate = 37, kAyuvAttachBuffer, kAyuvConvertToARGB, kAyuvCopyAlphaFrom, kAyuvCopyFrom,
    kAyuvGetRegionDesc, kAyuvConvertToLuma = 44, kAyuvBoxBlurInPlace = 48, kAyuvScaleChannelsRGB = 52
};

typedef void (*ResizeToOp)(Object, const ImageDesc*, uint32_t);
typedef void (*AyuvDescOp)(Object, const ImageDesc*);
typedef void (*AyuvIntOp)(Object, int32_t);

static void CheckAyuvSlots(void) {
    /* Studio black with alpha 200 and opaque white. */
    static uint8_t yuv[8] = {128, 128, 16, 200, 128, 128, 235, 255};
    uint8_t argb[8], luma[2] = {0, 0};
    ImageDesc argbDesc = {argb, 2, 1, 8, 4, false}, lumaDesc = {luma, 2, 1, 2, 1, false}, region;
    Object o = GetCImageAYUV();

    g_case = "AYUV buffer, conversion, region and scaling slots";
    SLOT(void (*)(Object, int32_t, int32_t), o, kAyuvAllocate)(o, 3, 2);
    CHECK(CallInt(o, kGetStride) == 12);
    SLOT(void (*)(Object, uint8_t*, int32_t, int32_t, int32_t), o, kAyuvAttachBuffer)(o, yuv, 2, 1, 8);
    SLOT(AyuvDescOp, o, kAyuvConvertToARGB)(o, &argbDesc);
    SLOT(AyuvDescOp, o, kAyuvConvertToLuma)(o, &lumaDesc);
    CHECK(argb[0] == 0 && argb[3] == 200 && argb[6] == 255 && luma[0] == 16 && luma[1] == 235);
    CHECK(SLOT(int32_t(*)(Object, ImageDesc*, int32_t, int32_t, int32_t, int32_t), o, kAyuvGetRegionDesc)(
              o, &region, 1, 0, 5, 5) == 1 && region.data == yuv + 4 && region.width == 1);
    SLOT(AyuvIntOp, o, kAyuvBoxBlurInPlace)(o, 0);
    SLOT(void (*)(Object, uint8_t, uint8_t, uint8_t, uint8_t), o, kAyuvScaleChannelsRGB)(o, 255, 255, 255, 255);
    CHECK(yuv[2] == 16 && yuv[3] == 199 && yuv[6] == 234 && yuv[7] == 254);
    argb[3] = 9;
    SLOT(AyuvDescOp, o, kAyuvCopyAlphaFrom)(o, &argbDesc);
    CHECK(yuv[3] == 9 && yuv[2] == 16);
    SLOT(AyuvDescOp, o, kAyuvCopyFrom)(o, &argbDesc);
    CHECK(memcmp(yuv, argb, 8) == 0);
    ReleaseCImageAYUV(o);
}

void TestResampleSlots(void) {
    static uint8_t rows[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    static uint8_t pair[16] = {0, 0, 0, 0, 254, 254, 254, 254, 0, 0, 0, 0, 254, 254, 254, 254};
    uint8_t out[48];
    ImageDesc tall = {out, 2, 4, 12, 4, false}, wide = {out, 4, 2, 20, 4, false};
    Object argb = GetCImageARGB4(rows, 2, 2, 8), ayuv = GetCImageAYUV4(pair, 2, 2, 8);
    g_case = "ARGB ResizeTo mode 1 repeats the nearest rows (0.5 rounds up), clears padding";
    memset(out, 0xEE, sizeof out);
    SLOT(ResizeToOp, argb, kArgbResizeTo)(argb, &tall, 1);
    CHECK(memcmp(out, rows, 8) == 0 && memcmp(out + 12, rows + 8, 8) == 0 && out[47] == 0);
    g_case = "AYUV ResizeTo mode 0 interpolates at 0, 0.5 and twice 127/128, keeps padding";
    memset(out, 0xEE, sizeof out);
    SLOT(ResizeToOp, ayuv, kAyuvResizeTo)(ayuv, &wide, 0);
    CHECK(out[2] == 0 && out[6] == 127 && out[10] == 252 && out[14] == 252 && out[16] == 0xEE);
    ReleaseCImageARGB(argb);
    ReleaseCImageAYUV(ayuv);
    CheckAyuvSlots();
}
