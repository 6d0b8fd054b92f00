// The shared test helpers, as the Byte tests first included them.
#pragma once
#include "test_support.h"
