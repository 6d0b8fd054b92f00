#include "c_host.h"

// ResizeTo: slot 37 + 10 of the ARGB table, 37 + 6 of the AYUV table.
enum { kArgbResizeTo = 47, kAyuvResizeTo = 43 };
typedef void (*ResizeToOp)(Object, const ImageDesc*, uint32_t);

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
}
