#include "c_host.h"

void TestColourSlots(void) {}
