#include "c_host.h"

// ICImageByte's own operations follow the 37 inherited ones.
enum {
    kByteAllocate = 37, kByteMaskByThreshold, kByteColorDodgeBlend, kByteAddTiledPattern, kByteAddCrossHatch,
    kByteSubtractPlane, kByteMultiplyByGain, kByteBoxBlurInPlace, kByteInvert, kByteGetMeanValue, kByteDetectEdges,
    kByteEmbossToPlane, kByteAdjustContrast, kByteAdjustContrastAroundMean, kByteAdjustBrightness, kByteMapLevels
};

typedef void (*PlaneOp)(Object, const ImageDesc*);
typedef void (*IntOp)(Object, int32_t);

enum { kW = 6, kH = 4, kN = kW * kH };
static uint8_t px[kN], plane[kN];
static Object o;

// Releases the previous image and makes a 6 x 4 one over px (every pixel
// `value`, every plane byte `planeValue`). Each check is an effect that no
// other operation of the same signature has.
static void NewImage(const char* name, uint8_t value, uint8_t planeValue) {
    if (o != NULL) ReleaseCImageByte(o);
    g_case = name;
    memset(px, value, kN);
    memset(plane, planeValue, kN);
    o = GetCImageByte4(px, kW, kH, kW);
}
// A new image, then slot `slot` called as `type` with `args`.
#define RUN(name, value, planeValue, type, slot, args) (NewImage(name, value, planeValue), SLOT(type, o, slot) args)

void TestByteSlots(void) {
    const ImageDesc planeDesc = {plane, kW, kH, kW, 1, false};
    RUN("Allocate", 1, 0, void (*)(Object, int32_t, int32_t), kByteAllocate, (o, 5, 3));
    CHECK(CallInt(o, kGetWidth) == 5 && CallInt(o, kGetStride) == 5 && px[0] == 1);
    RUN("MaskByThreshold", 200, 50, void (*)(Object, const ImageDesc*, int32_t), kByteMaskByThreshold, (o, &planeDesc, 100));
    CHECK(px[0] == 125);
    RUN("ColorDodgeBlend", 128, 127, PlaneOp, kByteColorDodgeBlend, (o, &planeDesc));
    CHECK(px[0] == 255);
    // A flat pattern: the origin does not matter.
    RUN("AddTiledPattern", 10, 5, void (*)(Object, const uint8_t*, int32_t, int32_t), kByteAddTiledPattern, (o, plane, 4, 4));
    CHECK(px[0] == 15);
    RUN("AddCrossHatch", 0, 0, void (*)(Object), kByteAddCrossHatch, (o));  // two lines of 10 to 41
    CHECK(px[0] >= 20 && px[0] <= 82);
    RUN("SubtractPlane", 9, 4, PlaneOp, kByteSubtractPlane, (o, &planeDesc));
    CHECK(px[0] == 5);
    RUN("MultiplyByGain", 100, 0, IntOp, kByteMultiplyByGain, (o, 2));
    CHECK(px[0] == 200);
    RUN("Invert", 200, 0, void (*)(Object), kByteInvert, (o));
    CHECK(px[0] == 55);
    RUN("AdjustContrast", 192, 0, void (*)(Object, float), kByteAdjustContrast, (o, 2.0f));
    CHECK(px[0] == 255);
    RUN("AdjustBrightness", 100, 0, IntOp, kByteAdjustBrightness, (o, -30));
    CHECK(px[0] == 70);
    RUN("MapLevels", 125, 0, void (*)(Object, uint8_t, uint8_t, uint8_t, uint8_t), kByteMapLevels, (o, 50, 200, 0, 255));
    CHECK(px[0] == 127);
    NewImage("AdjustContrastAroundMean", 100, 0);
    for (int i = 0; i < kN; i += 2) px[i] = 101;  // mean 100.5
    SLOT(IntOp, o, kByteAdjustContrastAroundMean)(o, 100);
    CHECK(px[0] == 255 && px[1] == 0);
    NewImage("GetMeanValue, DetectEdges, EmbossToPlane, BoxBlurInPlace", 0, 0x77);  // a step after column 2
    for (int y = 0; y < kH; ++y) memset(px + y * kW + 3, 255, 3);
    CHECK(SLOT(float (*)(Object), o, kByteGetMeanValue)(o) == 127.5f);
    SLOT(void (*)(Object, const ImageDesc*, int32_t, uint8_t), o, kByteDetectEdges)(o, &planeDesc, 1, 200);
    CHECK(plane[0] == 0 && plane[kW + 2] == 200);
    SLOT(void (*)(Object, const ImageDesc*, int32_t), o, kByteEmbossToPlane)(o, &planeDesc, 3);
    CHECK(plane[0] == 128 && plane[kW + 2] == 255);
    SLOT(IntOp, o, kByteBoxBlurInPlace)(o, 1);  // 2 x 255 in the 3 x 2 window of (2, 0)
    CHECK(px[2] == 85);
    ReleaseCImageByte(o);
    o = NULL;
}
