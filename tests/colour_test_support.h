// The shared test helpers under the name the colour tests first gave them.
#pragma once
#include "test_support.h"
namespace colour_test = VelImageUtility::test;
