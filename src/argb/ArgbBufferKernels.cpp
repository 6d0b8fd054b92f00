#include "argb/ArgbBufferKernels.h"

namespace VelImageUtility {

void CopyByteLaneRow_Plain(const uint8_t* from, int32_t fromStep, uint8_t* to, int32_t toStep,
                           int32_t count) {
    for (int32_t i = 0; i < count; ++i, from += fromStep, to += toStep) *to = *from;
}

void SetGrayFromPlaneRow_Plain(const uint8_t* plane, int32_t planeStep, uint8_t* argb,
                               int32_t argbStep, int32_t width) {
    for (int32_t x = 0; x < width; ++x, plane += planeStep, argb += argbStep) {
        argb[0] = argb[1] = argb[2] = *plane;
    }
}

}  // namespace VelImageUtility
