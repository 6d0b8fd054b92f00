// The plain twin of ByteEmbossKernels_sse2.cpp: kept apart so that this file alone is
// built without the compiler's own vector loops.
#include "byte/ByteKernels.h"

namespace VelImageUtility {

void EmbossRow_Plain(uint8_t* destination, const uint8_t* toward, const uint8_t* away, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        const int32_t relief = toward[i] - away[i] + 128;
        destination[i] = static_cast<uint8_t>(relief < 0 ? 0 : (relief > 255 ? 255 : relief));
    }
}

}  // namespace VelImageUtility
