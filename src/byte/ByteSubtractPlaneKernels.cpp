// The plain twin of ByteSubtractPlaneKernels_sse2.cpp: kept apart so that this file alone is
// built without the compiler's own vector loops.
#include "byte/ByteKernels.h"

namespace VelImageUtility {

void SubtractPlaneRun_Plain(uint8_t* run, const uint8_t* other, size_t count) {
    for (size_t i = 0; i < count; ++i) run[i] = static_cast<uint8_t>(run[i] > other[i] ? run[i] - other[i] : 0);
}

}  // namespace VelImageUtility
