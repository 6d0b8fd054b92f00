/* A host written in plain C: it sees the library only through the exported
 * functions and calls every operation through its table slot number, the
 * way a host built by another compiler does. Slot numbers are written out
 * in these files independently of the C++ headers. */
#include "c_host.h"

#include <stdio.h>

int g_passed = 0;
int g_failed = 0;
const char* g_case = "";

int main(void) {
    DetectCpuInstructionSet();
    TestBaseSlots();
    TestColourSlots();
    TestResampleSlots();
    TestFileSlots();
    TestByteSlots();
    printf("c_host: %d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
