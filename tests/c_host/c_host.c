#include "c_host.h"

int g_passed = 0, g_failed = 0;
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
