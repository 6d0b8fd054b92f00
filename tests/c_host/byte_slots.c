#include "c_host.h"

/* ICImageByte's own operations follow the 37 inherited ones. */
enum {
    kByteAllocate = 37,
    kByteMaskByThreshold = 38,
    kByteColorDodgeBlend = 39,
    kByteAddTiledPattern = 40,
    kByteAddCrossHatch = 41,
    kByteSubtractPlane = 42,
    kByteMultiplyByGain = 43,
    kByteBoxBlurInPlace = 44,
    kByteInvert = 45,
    kByteGetMeanValue = 46,
    kByteDetectEdges = 47,
    kByteEmbossToPlane = 48,
    kByteAdjustContrast = 49,
    kByteAdjustContrastAroundMean = 50,
    kByteAdjustBrightness = 51,
    kByteMapLevels = 52,
};

typedef uint8_t (*OwnedOp)(Object);
typedef void (*NoArgOp)(Object);
typedef void (*IntArgOp)(Object, int32_t);
typedef void (*SizeOp)(Object, int32_t, int32_t);
typedef void (*PlaneOp)(Object, const ImageDesc*);
typedef void (*PlaneIntOp)(Object, const ImageDesc*, int32_t);
typedef void (*PatternOp)(Object, const uint8_t*, int32_t, int32_t);
typedef float (*MeanOp)(Object);
typedef void (*EdgesOp)(Object, const ImageDesc*, int32_t, uint8_t);
typedef void (*FloatArgOp)(Object, float);
typedef void (*LevelsOp)(Object, uint8_t, uint8_t, uint8_t, uint8_t);

static void CallNoArg(Object o, int slot) { ((NoArgOp)Slot(o, slot))(o); }
static void CallIntArg(Object o, int slot, int32_t value) { ((IntArgOp)Slot(o, slot))(o, value); }

/* All `count` bytes equal `value`. */
static int AllEqual(const uint8_t* bytes, int count, uint8_t value) {
    int all = 1;
    for (int i = 0; i < count; ++i) all &= bytes[i] == value;
    return all;
}

enum { kW = 6, kH = 4, kN = kW * kH };

/* A 6 x 4 image over `pixels`, all set to `value`. */
static Object ImageOf(uint8_t* pixels, uint8_t value) {
    memset(pixels, value, kN);
    return GetCImageByte4(pixels, kW, kH, kW);
}

static void TestTone(void) {
    static uint8_t pixels[kN];
    Object o;

    g_case = "Byte Allocate";
    o = ImageOf(pixels, 1);
    ((SizeOp)Slot(o, kByteAllocate))(o, 5, 3);
    CHECK(CallInt(o, kGetWidth) == 5 && CallInt(o, kGetHeight) == 3 && CallInt(o, kGetStride) == 5);
    CHECK(((OwnedOp)Slot(o, kIsDataOwned))(o) != 0);
    CHECK(AllEqual(pixels, kN, 1));
    ReleaseCImageByte(o);

    g_case = "Byte MultiplyByGain";
    o = ImageOf(pixels, 200);
    CallIntArg(o, kByteMultiplyByGain, 200);
    CHECK(AllEqual(pixels, kN, 255));
    ReleaseCImageByte(o);

    g_case = "Byte Invert";
    o = ImageOf(pixels, 200);
    CallNoArg(o, kByteInvert);
    CHECK(AllEqual(pixels, kN, 55));
    ReleaseCImageByte(o);

    g_case = "Byte GetMeanValue";
    o = ImageOf(pixels, 0);
    for (int i = 0; i < kN; i += 2) pixels[i] = 255;
    CHECK(((MeanOp)Slot(o, kByteGetMeanValue))(o) == 127.5f);
    ReleaseCImageByte(o);

    g_case = "Byte AdjustContrast";
    o = ImageOf(pixels, 192);
    ((FloatArgOp)Slot(o, kByteAdjustContrast))(o, 2.0f);
    CHECK(AllEqual(pixels, kN, 255));
    ReleaseCImageByte(o);

    g_case = "Byte AdjustContrastAroundMean";
    o = ImageOf(pixels, 100);
    for (int i = 0; i < kN; i += 2) pixels[i] = 101; /* mean 100.5 */
    CallIntArg(o, kByteAdjustContrastAroundMean, 100);
    CHECK(pixels[0] == 255 && pixels[1] == 0);
    ReleaseCImageByte(o);

    g_case = "Byte AdjustBrightness";
    o = ImageOf(pixels, 100);
    CallIntArg(o, kByteAdjustBrightness, -300);
    CHECK(AllEqual(pixels, kN, 0));
    ReleaseCImageByte(o);

    g_case = "Byte MapLevels";
    o = ImageOf(pixels, 125);
    ((LevelsOp)Slot(o, kByteMapLevels))(o, 50, 200, 0, 255);
    CHECK(AllEqual(pixels, kN, 127));
    ReleaseCImageByte(o);
}

static void TestBlendsAndPatterns(void) {
    static uint8_t pixels[kN];
    static uint8_t plane[kN];
    const ImageDesc planeDesc = {plane, kW, kH, kW, 1, false};
    Object o;

    g_case = "Byte MaskByThreshold";
    o = ImageOf(pixels, 200);
    memset(plane, 50, kN);
    ((PlaneIntOp)Slot(o, kByteMaskByThreshold))(o, &planeDesc, 100);
    CHECK(AllEqual(pixels, kN, 125));
    ReleaseCImageByte(o);

    g_case = "Byte ColorDodgeBlend";
    o = ImageOf(pixels, 128);
    memset(plane, 127, kN);
    ((PlaneOp)Slot(o, kByteColorDodgeBlend))(o, &planeDesc);
    CHECK(AllEqual(pixels, kN, 255));
    ReleaseCImageByte(o);

    /* Where the pattern is flat, the random origin does not matter. */
    g_case = "Byte AddTiledPattern";
    static const uint8_t pattern[4 * 4] = {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5};
    o = ImageOf(pixels, 10);
    ((PatternOp)Slot(o, kByteAddTiledPattern))(o, pattern, 4, 4);
    CHECK(AllEqual(pixels, kN, 15));
    ReleaseCImageByte(o);

    g_case = "Byte AddCrossHatch";
    o = ImageOf(pixels, 0);
    CallNoArg(o, kByteAddCrossHatch);
    int inRange = 1;
    for (int i = 0; i < kN; ++i) inRange &= pixels[i] >= 20 && pixels[i] <= 82;
    CHECK(inRange);
    ReleaseCImageByte(o);

    g_case = "Byte SubtractPlane";
    o = ImageOf(pixels, 9);
    memset(plane, 4, kN);
    ((PlaneOp)Slot(o, kByteSubtractPlane))(o, &planeDesc);
    CHECK(AllEqual(pixels, kN, 5));
    ReleaseCImageByte(o);
}

static void TestFilters(void) {
    static uint8_t pixels[kN];
    static uint8_t plane[kN];
    const ImageDesc planeDesc = {plane, kW, kH, kW, 1, false};
    Object o;

    g_case = "Byte BoxBlurInPlace";
    o = ImageOf(pixels, 0);
    pixels[0] = 40; /* the corner's 2 x 2 window: 40 / 4 */
    CallIntArg(o, kByteBoxBlurInPlace, 1);
    CHECK(pixels[0] == 10 && pixels[kW + 1] == 4);
    ReleaseCImageByte(o);

    /* A vertical step between columns 2 and 3. */
    g_case = "Byte DetectEdges";
    o = ImageOf(pixels, 0);
    for (int y = 0; y < kH; ++y) memset(pixels + y * kW + 3, 255, 3);
    memset(plane, 0x77, kN);
    ((EdgesOp)Slot(o, kByteDetectEdges))(o, &planeDesc, 1, 200);
    CHECK(plane[0] == 0 && plane[kW + 1] == 0 && plane[kW + 2] == 200 && plane[kW + 3] == 200);

    g_case = "Byte EmbossToPlane";
    ((PlaneIntOp)Slot(o, kByteEmbossToPlane))(o, &planeDesc, 3);
    CHECK(plane[0] == 128 && plane[kW + 1] == 128 && plane[kW + 2] == 255 && plane[kW + 3] == 255);
    ReleaseCImageByte(o);
}

void TestByteSlots(void) {
    TestTone();
    TestBlendsAndPatterns();
    TestFilters();
}
