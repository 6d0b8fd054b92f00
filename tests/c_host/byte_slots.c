#include "c_host.h"

/* ICImageByte's own operations follow the 37 inherited ones. */
enum {
    kByteAllocate = 37, kByteMaskByThreshold = 38, kByteColorDodgeBlend = 39, kByteAddTiledPattern = 40,
    kByteAddCrossHatch = 41, kByteSubtractPlane = 42, kByteMultiplyByGain = 43, kByteBoxBlurInPlace = 44,
    kByteInvert = 45, kByteGetMeanValue = 46, kByteDetectEdges = 47, kByteEmbossToPlane = 48,
    kByteAdjustContrast = 49, kByteAdjustContrastAroundMean = 50, kByteAdjustBrightness = 51, kByteMapLevels = 52,
};

typedef void (*NoArgOp)(Object);
typedef void (*IntArgOp)(Object, int32_t);
typedef void (*PlaneOp)(Object, const ImageDesc*);
typedef void (*PlaneIntOp)(Object, const ImageDesc*, int32_t);

enum { kW = 6, kH = 4, kN = kW * kH };
static uint8_t px[kN], plane[kN];
static Object o;

/* Releases the previous image and makes a 6 x 4 one over px (every pixel `value`, every plane byte
 * `planeValue`). Each check is an effect that no other operation of the same signature has. */
static void NewImage(const char* name, uint8_t value, uint8_t planeValue) {
    if (o != NULL) ReleaseCImageByte(o);
    g_case = name;
    memset(px, value, kN);
    memset(plane, planeValue, kN);
    o = GetCImageByte4(px, kW, kH, kW);
}

void TestByteSlots(void) {
    const ImageDesc planeDesc = {plane, kW, kH, kW, 1, false};

    NewImage("Byte Allocate", 1, 0);
    ((void (*)(Object, int32_t, int32_t))Slot(o, kByteAllocate))(o, 5, 3);
    CHECK(CallInt(o, kGetWidth) == 5 && CallInt(o, kGetStride) == 5 && px[0] == 1);
    NewImage("Byte MaskByThreshold", 200, 50);
    ((PlaneIntOp)Slot(o, kByteMaskByThreshold))(o, &planeDesc, 100);
    CHECK(px[0] == 125);
    NewImage("Byte ColorDodgeBlend", 128, 127);
    ((PlaneOp)Slot(o, kByteColorDodgeBlend))(o, &planeDesc);
    CHECK(px[0] == 255);
    NewImage("Byte AddTiledPattern", 10, 5); /* a flat pattern: the origin does not matter */
    ((void (*)(Object, const uint8_t*, int32_t, int32_t))Slot(o, kByteAddTiledPattern))(o, plane, 4, 4);
    CHECK(px[0] == 15);
    NewImage("Byte AddCrossHatch", 0, 0); /* two lines of 10 to 41 */
    ((NoArgOp)Slot(o, kByteAddCrossHatch))(o);
    CHECK(px[0] >= 20 && px[0] <= 82);
    NewImage("Byte SubtractPlane", 9, 4);
    ((PlaneOp)Slot(o, kByteSubtractPlane))(o, &planeDesc);
    CHECK(px[0] == 5);
    NewImage("Byte MultiplyByGain", 100, 0);
    ((IntArgOp)Slot(o, kByteMultiplyByGain))(o, 2);
    CHECK(px[0] == 200);
    NewImage("Byte BoxBlurInPlace", 0, 0);
    px[0] = 40; /* the corner's 2 x 2 window: 40 / 4 */
    ((IntArgOp)Slot(o, kByteBoxBlurInPlace))(o, 1);
    CHECK(px[0] == 10);
    NewImage("Byte Invert", 200, 0);
    ((NoArgOp)Slot(o, kByteInvert))(o);
    CHECK(px[0] == 55);
    NewImage("Byte GetMeanValue", 0, 0);
    for (int i = 0; i < kN; i += 2) px[i] = 255;
    CHECK(((float (*)(Object))Slot(o, kByteGetMeanValue))(o) == 127.5f);
    NewImage("Byte DetectEdges", 0, 0x77); /* a step between columns 2 and 3 */
    for (int y = 0; y < kH; ++y) memset(px + y * kW + 3, 255, 3);
    ((void (*)(Object, const ImageDesc*, int32_t, uint8_t))Slot(o, kByteDetectEdges))(o, &planeDesc, 1, 200);
    CHECK(plane[0] == 0 && plane[kW + 2] == 200);
    g_case = "Byte EmbossToPlane";
    ((PlaneIntOp)Slot(o, kByteEmbossToPlane))(o, &planeDesc, 3);
    CHECK(plane[0] == 128 && plane[kW + 2] == 255);
    NewImage("Byte AdjustContrast", 192, 0);
    ((void (*)(Object, float))Slot(o, kByteAdjustContrast))(o, 2.0f);
    CHECK(px[0] == 255);
    NewImage("Byte AdjustContrastAroundMean", 100, 0);
    for (int i = 0; i < kN; i += 2) px[i] = 101; /* mean 100.5 */
    ((IntArgOp)Slot(o, kByteAdjustContrastAroundMean))(o, 100);
    CHECK(px[0] == 255 && px[1] == 0);
    NewImage("Byte AdjustBrightness", 100, 0);
    ((IntArgOp)Slot(o, kByteAdjustBrightness))(o, -30);
    CHECK(px[0] == 70);
    NewImage("Byte MapLevels", 125, 0);
    ((void (*)(Object, uint8_t, uint8_t, uint8_t, uint8_t))Slot(o, kByteMapLevels))(o, 50, 200, 0, 255);
    CHECK(px[0] == 127);
    ReleaseCImageByte(o);
    o = NULL;
}
