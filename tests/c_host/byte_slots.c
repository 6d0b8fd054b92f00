#include "c_host.h"

void TestByteSlots(void) {}
