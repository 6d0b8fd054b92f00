#include "c_host.h"

void TestResampleSlots(void) {}
