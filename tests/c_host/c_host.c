/* A host written in plain C: it sees the library only through the exported
 * functions and calls every operation through its table slot number, the
 * way a host built by another compiler does. Slot numbers are written out
 * here independently of the C++ headers. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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
IMPORT Object GetCImageUtility5(uint8_t* data, int32_t width, int32_t height, int32_t stride,
                                int32_t bpp);
IMPORT int32_t ReleaseCImageUtility(Object image);
IMPORT Object GetCImageARGB(void);
IMPORT Object GetCImageARGB1(const ImageDesc* desc);
IMPORT Object GetCImageARGB2(int32_t width, int32_t height);
IMPORT Object GetCImageARGB4(uint8_t* data, int32_t width, int32_t height, int32_t stride);
IMPORT int32_t ReleaseCImageARGB(Object image);
IMPORT Object GetCImageAYUV(void);
IMPORT Object GetCImageAYUV1(const ImageDesc* desc);
IMPORT Object GetCImageAYUV2(int32_t width, int32_t height);
IMPORT Object GetCImageAYUV4(uint8_t* data, int32_t width, int32_t height, int32_t stride);
IMPORT int32_t ReleaseCImageAYUV(Object image);
IMPORT Object GetCImageByte(void);
IMPORT Object GetCImageByte1(const ImageDesc* desc);
IMPORT Object GetCImageByte2(int32_t width, int32_t height);
IMPORT Object GetCImageByte4(uint8_t* data, int32_t width, int32_t height, int32_t stride);
IMPORT int32_t ReleaseCImageByte(Object image);

/* Slots shared by every table. */
enum {
    kGetWidth = 0,
    kGetHeight = 1,
    kGetStride = 2,
    kGetPixelCount = 3,
    kGetBytesPerPixel = 4,
    kIsDataOwned = 5,
    kGetData = 6,
    kGetDesc = 7,
    kSetDesc = 8,
    kGetPixelAddress = 9,
    kIsSameSize = 10,
    kFill = 11,
};

static int g_passed = 0;
static int g_failed = 0;

#define CHECK(condition)                                                              \
    do {                                                                              \
        if (condition) {                                                              \
            ++g_passed;                                                               \
        } else {                                                                      \
            ++g_failed;                                                               \
            fprintf(stderr, "%s:%d: %s: check failed: %s\n", __FILE__, __LINE__, g_case, \
                    #condition);                                                      \
        }                                                                             \
    } while (0)

static const char* g_case = "";

static void* Slot(Object object, int index) {
    void** table = *(void***)object;
    return table[index];
}

typedef int32_t (*IntOp)(Object);
typedef uint8_t (*BoolOp)(Object);
typedef uint8_t* (*DataOp)(Object);
typedef void (*SetDescOp)(Object, const ImageDesc*);
typedef uint8_t* (*PixelAddressOp)(Object, int32_t, int32_t);
typedef int32_t (*SameSizeOp)(Object, const ImageDesc*);
typedef void (*FillOp)(Object, int32_t);

static int32_t CallInt(Object o, int slot) { return ((IntOp)Slot(o, slot))(o); }

/* GetDesc returns a record by value. An MSVC host passes `this` first and
 * the result pointer second and gets the pointer back; on the System V ABI
 * a C function returning a record is the same call as the C++ member. */
static ImageDesc CallGetDesc(Object o) {
    ImageDesc desc;
    memset(&desc, 0xCD, sizeof desc);
#ifdef _WIN32
    typedef ImageDesc* (*GetDescOp)(Object, ImageDesc*);
    ImageDesc* returned = ((GetDescOp)Slot(o, kGetDesc))(o, &desc);
    CHECK(returned == &desc);
#else
    typedef ImageDesc (*GetDescOp)(Object);
    desc = ((GetDescOp)Slot(o, kGetDesc))(o);
#endif
    return desc;
}

/* The twelve base operations, through any of the five tables. */
static void CheckBaseOperations(Object o, uint8_t* data, int32_t width, int32_t height,
                                int32_t stride, int32_t bpp, int owned) {
    CHECK(CallInt(o, kGetWidth) == width);
    CHECK(CallInt(o, kGetHeight) == height);
    CHECK(CallInt(o, kGetStride) == stride);
    CHECK(CallInt(o, kGetPixelCount) == width * height);
    CHECK(CallInt(o, kGetBytesPerPixel) == bpp);
    CHECK((((BoolOp)Slot(o, kIsDataOwned))(o) != 0) == owned);
    uint8_t* got = ((DataOp)Slot(o, kGetData))(o);
    if (data != NULL) CHECK(got == data);

    ImageDesc desc = CallGetDesc(o);
    CHECK(desc.data == got);
    CHECK(desc.width == width && desc.height == height && desc.stride == stride);
    CHECK(desc.bytesPerPixel == bpp && desc.copy == (owned != 0));

    CHECK(((PixelAddressOp)Slot(o, kGetPixelAddress))(o, 1, 1) == got + stride + bpp);
    ImageDesc same = {NULL, width, height, stride + 64, 7, false};
    ImageDesc other = {NULL, width + 1, height, stride, bpp, false};
    CHECK(((SameSizeOp)Slot(o, kIsSameSize))(o, &same) == 1);
    CHECK(((SameSizeOp)Slot(o, kIsSameSize))(o, &other) == 0);

    ((FillOp)Slot(o, kFill))(o, 0x1A5);
    int all = 1;
    for (int32_t i = 0; i < height * stride; ++i) all &= got[i] == 0xA5;
    CHECK(all);

    /* SetDesc then GetDesc gives back the same six values; restore after. */
    ImageDesc original = CallGetDesc(o);
    ImageDesc swapped = {data, 2, 3, 99, 5, false};
    ((SetDescOp)Slot(o, kSetDesc))(o, &swapped);
    ImageDesc back = CallGetDesc(o);
    CHECK(back.data == data && back.width == 2 && back.height == 3 && back.stride == 99 &&
          back.bytesPerPixel == 5 && !back.copy);
    ((SetDescOp)Slot(o, kSetDesc))(o, &original);
}

static void TestBaseOperationsEveryTable(void) {
    enum { kWidth = 5, kHeight = 3, kStride = 24 };
    static uint8_t memory[kHeight * kStride];

    g_case = "Utility over caller memory";
    Object u = GetCImageUtility5(memory, kWidth, kHeight, kStride, 4);
    CheckBaseOperations(u, memory, kWidth, kHeight, kStride, 4, 0);
    CHECK(ReleaseCImageUtility(u) == 0);

    g_case = "ARGB over caller memory";
    Object a = GetCImageARGB4(memory, kWidth, kHeight, kStride);
    CheckBaseOperations(a, memory, kWidth, kHeight, kStride, 4, 0);
    CHECK(ReleaseCImageARGB(a) == 0);

    g_case = "AYUV over caller memory";
    Object y = GetCImageAYUV4(memory, kWidth, kHeight, kStride);
    CheckBaseOperations(y, memory, kWidth, kHeight, kStride, 4, 0);
    CHECK(ReleaseCImageAYUV(y) == 0);

    g_case = "Byte over caller memory";
    Object b = GetCImageByte4(memory, kWidth, kHeight, kStride);
    CheckBaseOperations(b, memory, kWidth, kHeight, kStride, 1, 0);
    CHECK(ReleaseCImageByte(b) == 0);
    CHECK(memory[0] == 0xA5);

    g_case = "allocating factories";
    Object ua = GetCImageUtility4(3, 2, 16, 4);
    CheckBaseOperations(ua, NULL, 3, 2, 16, 4, 1);
    ReleaseCImageUtility(ua);
    Object aa = GetCImageARGB2(3, 2);
    CheckBaseOperations(aa, NULL, 3, 2, 12, 4, 1);
    ReleaseCImageARGB(aa);
    Object ya = GetCImageAYUV2(3, 2);
    CheckBaseOperations(ya, NULL, 3, 2, 12, 4, 1);
    ReleaseCImageAYUV(ya);
    Object ba = GetCImageByte2(3, 2);
    CheckBaseOperations(ba, NULL, 3, 2, 3, 1, 1);
    ReleaseCImageByte(ba);

    g_case = "descriptor factories";
    static uint8_t source[2 * 8] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ImageDesc copyDesc = {source, 2, 2, 8, 4, true};
    Object ac = GetCImageARGB1(&copyDesc);
    CHECK(((DataOp)Slot(ac, kGetData))(ac) != source);
    CHECK(memcmp(((DataOp)Slot(ac, kGetData))(ac), source, sizeof source) == 0);
    ReleaseCImageARGB(ac);
    ImageDesc inPlace = {source, 2, 2, 8, 4, false};
    Object yc = GetCImageAYUV1(&inPlace);
    CHECK(((DataOp)Slot(yc, kGetData))(yc) == source);
    ReleaseCImageAYUV(yc);
    Object uc = GetCImageUtility1(&copyDesc);
    CheckBaseOperations(uc, NULL, 2, 2, 8, 4, 1);
    ReleaseCImageUtility(uc);
    Object bc = GetCImageByte1(&inPlace);
    CheckBaseOperations(bc, source, 2, 2, 8, 4, 0);
    ReleaseCImageByte(bc);

    g_case = "empty factories";
    Object empties[4] = {GetCImageUtility(), GetCImageARGB(), GetCImageAYUV(), GetCImageByte()};
    for (int i = 0; i < 4; ++i) {
        CHECK(CallInt(empties[i], kGetWidth) == 0 && CallInt(empties[i], kGetStride) == 0);
        CHECK(((DataOp)Slot(empties[i], kGetData))(empties[i]) == NULL);
    }
    ReleaseCImageUtility(empties[0]);
    ReleaseCImageARGB(empties[1]);
    ReleaseCImageAYUV(empties[2]);
    ReleaseCImageByte(empties[3]);

    g_case = "impossible buffers";
    CHECK(GetCImageARGB2(-1, 4) == NULL);
    CHECK(GetCImageARGB2(0x40000001, 1) == NULL);
    CHECK(GetCImageByte2(65536, 65536) == NULL);
    CHECK(GetCImageUtility4(4, 4, -16, 4) == NULL);
}

int main(void) {
    DetectCpuInstructionSet();
    TestBaseOperationsEveryTable();
    printf("c_host: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
