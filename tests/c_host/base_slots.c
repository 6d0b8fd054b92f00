#include "c_host.h"

typedef uint8_t* (*DataOp)(Object);
typedef void (*SetDescOp)(Object, const ImageDesc*);
typedef int32_t (*SameSizeOp)(Object, const ImageDesc*);

int32_t CallInt(Object o, int slot) { return SLOT(int32_t (*)(Object), o, slot)(o); }

// GetDesc returns a record by value. An MSVC host passes `this` first and
// the result pointer second and gets the pointer back; on the System V ABI
// a C function returning a record is the same call as the C++ member.
ImageDesc CallGetDesc(Object o) {
    ImageDesc desc;
    memset(&desc, 0xCD, sizeof desc);
#ifdef _WIN32
    CHECK(SLOT(ImageDesc* (*)(Object, ImageDesc*), o, kGetDesc)(o, &desc) == &desc);
#else
    desc = SLOT(ImageDesc(*)(Object), o, kGetDesc)(o);
#endif
    return desc;
}

// The twelve base operations, through any of the five tables.
static void CheckBaseOperations(Object o, uint8_t* data, int32_t width, int32_t height, int32_t stride, int32_t bpp,
                                int owned) {
    uint8_t* got = SLOT(DataOp, o, kGetData)(o);
    CHECK(CallInt(o, kGetWidth) == width && CallInt(o, kGetHeight) == height && CallInt(o, kGetStride) == stride);
    CHECK(CallInt(o, kGetPixelCount) == width * height && CallInt(o, kGetBytesPerPixel) == bpp);
    CHECK((SLOT(uint8_t (*)(Object), o, kIsDataOwned)(o) != 0) == owned && (data == NULL || got == data));
    ImageDesc desc = CallGetDesc(o);
    CHECK(desc.data == got && desc.width == width && desc.height == height && desc.stride == stride &&
          desc.bytesPerPixel == bpp && desc.copy == (owned != 0));
    CHECK(SLOT(uint8_t* (*)(Object, int32_t, int32_t), o, kGetPixelAddress)(o, 1, 1) == got + stride + bpp);
    ImageDesc same = {NULL, width, height, stride + 64, 7, false}, other = {NULL, width + 1, height, stride, bpp, false};
    CHECK(SLOT(SameSizeOp, o, kIsSameSize)(o, &same) == 1 && SLOT(SameSizeOp, o, kIsSameSize)(o, &other) == 0);
    SLOT(void (*)(Object, int32_t), o, kFill)(o, 0x1A5);
    int all = 1;
    for (int32_t i = 0; i < height * stride; ++i) all &= got[i] == 0xA5;
    CHECK(all);
    // SetDesc then GetDesc gives back the same six values; restored after.
    ImageDesc swapped = {data, 2, 3, 99, 5, false};
    SLOT(SetDescOp, o, kSetDesc)(o, &swapped);
    ImageDesc back = CallGetDesc(o);
    CHECK(back.data == data && back.width == 2 && back.height == 3 && back.stride == 99 && back.bytesPerPixel == 5 &&
          !back.copy);
    SLOT(SetDescOp, o, kSetDesc)(o, &desc);
}

void TestBaseSlots(void) {
    static uint8_t memory[3 * 24], source[2 * 8] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ImageDesc copyDesc = {source, 2, 2, 8, 4, true}, inPlace = {source, 2, 2, 8, 4, false};
    typedef int32_t (*ReleaseOp)(Object);
    const ReleaseOp releases[4] = {ReleaseCImageUtility, ReleaseCImageARGB, ReleaseCImageAYUV, ReleaseCImageByte};
    Object o;
    g_case = "over caller memory, allocating and empty factories of the four tables";
    Object overMemory[4] = {GetCImageUtility5(memory, 5, 3, 24, 4), GetCImageARGB4(memory, 5, 3, 24),
                            GetCImageAYUV4(memory, 5, 3, 24), GetCImageByte4(memory, 5, 3, 24)};
    Object allocated[4] = {GetCImageUtility4(3, 2, 16, 4), GetCImageARGB2(3, 2), GetCImageAYUV2(3, 2), GetCImageByte2(3, 2)};
    Object empties[4] = {GetCImageUtility(), GetCImageARGB(), GetCImageAYUV(), GetCImageByte()};
    for (int i = 0; i < 4; ++i) {
        const int32_t bpp = i == 3 ? 1 : 4;
        CheckBaseOperations(overMemory[i], memory, 5, 3, 24, bpp, 0);
        CheckBaseOperations(allocated[i], NULL, 3, 2, i == 0 ? 16 : 3 * bpp, bpp, 1);
        CHECK(CallInt(empties[i], kGetWidth) == 0 && SLOT(DataOp, empties[i], kGetData)(empties[i]) == NULL);
        CHECK(releases[i](overMemory[i]) == 0 && releases[i](allocated[i]) == 0 && releases[i](empties[i]) == 0);
    }
    CHECK(memory[0] == 0xA5);

    g_case = "descriptor factories";
    o = GetCImageARGB1(&copyDesc);
    CHECK(SLOT(DataOp, o, kGetData)(o) != source && memcmp(SLOT(DataOp, o, kGetData)(o), source, sizeof source) == 0);
    ReleaseCImageARGB(o);
    o = GetCImageAYUV1(&inPlace);
    CHECK(SLOT(DataOp, o, kGetData)(o) == source);
    ReleaseCImageAYUV(o);
    CheckBaseOperations(o = GetCImageUtility1(&copyDesc), NULL, 2, 2, 8, 4, 1);
    ReleaseCImageUtility(o);
    CheckBaseOperations(o = GetCImageByte1(&inPlace), source, 2, 2, 8, 4, 0);
    ReleaseCImageByte(o);
}
