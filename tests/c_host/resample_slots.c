#include "c_host.h"

/* ResizeTo: slot 37 + 10 of the ARGB table, 37 + 6 of the AYUV table. */
enum { kArgbResizeTo = 47, kAyuvResizeTo = 43 };

typedef void (*ResizeToOp)(Object, const ImageDesc*, uint32_t);

static void ResizeTo(Object o, int slot, uint8_t* data, int32_t width, int32_t height,
                     int32_t stride, uint32_t mode) {
    ImageDesc desc = {data, width, height, stride, 4, false};
    ((ResizeToOp)Slot(o, slot))(o, &desc, mode);
}

void TestResampleSlots(void) {
    g_case = "ARGB ResizeTo mode 1 repeats nearest rows and clears padding";
    static uint8_t rows[2 * 8] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    Object argb = GetCImageARGB4(rows, 2, 2, 8);
    uint8_t tall[4 * 12];
    memset(tall, 0xEE, sizeof tall);
    ResizeTo(argb, kArgbResizeTo, tall, 2, 4, 12, 3); /* no mode 3 */
    CHECK(tall[0] == 0xEE && tall[47] == 0xEE);
    ResizeTo(argb, kArgbResizeTo, tall, 2, 4, 12, 1);
    CHECK(memcmp(tall, rows, 8) == 0);          /* row 0 */
    CHECK(memcmp(tall + 12, rows + 8, 8) == 0); /* 0.5 rounds up to row 1 */
    CHECK(memcmp(tall + 36, rows + 8, 8) == 0);
    CHECK(tall[8] == 0 && tall[11] == 0 && tall[47] == 0);
    ReleaseCImageARGB(argb);

    g_case = "AYUV ResizeTo mode 0 interpolates and keeps padding";
    static uint8_t pair[2 * 8] = {0, 0, 0, 0, 254, 254, 254, 254, 0, 0, 0, 0, 254, 254, 254, 254};
    Object ayuv = GetCImageAYUV4(pair, 2, 2, 8);
    uint8_t wide[2 * 20];
    memset(wide, 0xEE, sizeof wide);
    ResizeTo(ayuv, kAyuvResizeTo, wide, 4, 2, 20, 0);
    /* Columns at 0, 0.5 and twice at the far end of the pair (127/128). */
    static const uint8_t expected[4] = {0, 127, 252, 252};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) CHECK(wide[y * 20 + 4 * x + 2] == expected[x]);
        CHECK(wide[y * 20 + 16] == 0xEE && wide[y * 20 + 19] == 0xEE);
    }
    ReleaseCImageAYUV(ayuv);
}
