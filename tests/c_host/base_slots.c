#include "c_host.h"

void* Slot(Object object, int index) {
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

int32_t CallInt(Object o, int slot) { return ((IntOp)Slot(o, slot))(o); }

/* GetDesc returns a record by value. An MSVC host passes `this` first and
 * the result pointer second and gets the pointer back; on the System V ABI
 * a C function returning a record is the same call as the C++ member. */
ImageDesc CallGetDesc(Object o) {
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

void TestBaseSlots(void) {
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

