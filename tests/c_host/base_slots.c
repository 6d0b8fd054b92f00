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

// The twelve base operations, which every table shares.
static void CheckBaseOperations(Object o, int32_t width, int32_t height, int32_t stride, int32_t bpp, int owned) {
    uint8_t* got = SLOT(DataOp, o, kGetData)(o);
    CHECK(CallInt(o, kGetWidth) == width && CallInt(o, kGetHeight) == height && CallInt(o, kGetStride) == stride);
    CHECK(CallInt(o, kGetPixelCount) == width * height && CallInt(o, kGetBytesPerPixel) == bpp);
    CHECK((SLOT(uint8_t (*)(Object), o, kIsDataOwned)(o) != 0) == owned);
    ImageDesc desc = CallGetDesc(o);
    CHECK(desc.data == got && desc.width == width && desc.height == height && desc.stride == stride &&
          desc.bytesPerPixel == bpp && desc.copy == (owned != 0));
    CHECK(SLOT(uint8_t* (*)(Object, int32_t, int32_t), o, kGetPixelAddress)(o, 1, 1) == got + stride + bpp);
    ImageDesc same = {NULL, width, height, stride + 64, 7, false}, other = {NULL, width + 1, height, stride, bpp, false};
    CHECK(SLOT(SameSizeOp, o, kIsSameSize)(o, &same) == 1 && SLOT(SameSizeOp, o, kIsSameSize)(o, &other) == 0);
    SLOT(void (*)(Object, int32_t), o, kFill)(o, 0x1A5);
    CHECK(got[0] == 0xA5 && got[height * stride - 1] == 0xA5);
    // SetDesc then GetDesc gives back the same six values; restored after.
    ImageDesc swapped = {got + 1, 2, 3, 99, 5, false};
    SLOT(SetDescOp, o, kSetDesc)(o, &swapped);
    ImageDesc back = CallGetDesc(o);
    CHECK(back.data == got + 1 && back.width == 2 && back.height == 3 && back.stride == 99 && back.bytesPerPixel == 5 &&
          !back.copy);
    SLOT(SetDescOp, o, kSetDesc)(o, &desc);
}

// Every factory export, as declared here, and the release export of its
// table; then the base slots through an image over caller memory and an
// allocated one.
void TestBaseSlots(void) {
    static uint8_t memory[3 * 24], source[2 * 8] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ImageDesc copyDesc = {source, 2, 2, 8, 4, true}, inPlace = {source, 2, 2, 8, 4, false};
    typedef int32_t (*ReleaseOp)(Object);
    const struct { Object o; ReleaseOp release; int32_t width, stride; const uint8_t* data; } made[] = {
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
        const uint8_t* data = SLOT(DataOp, made[i].o, kGetData)(made[i].o);
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
