#include "c_host.h"

void TestFileSlots(void) {}
