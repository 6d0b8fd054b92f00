#include "argb/ArgbBufferKernels.h"

namespace VelImageUtility {

void CopyByteLaneRow_Plain(const uint8_t* from, int32_t fromStep, uint8_t* to, int32_t toStep,
                           int32_t count) {
    for (int32_t i = 0; i < count; ++i, from += fromStep, to += toStep) *to = *from;
}

void CopyAlphaRows_Plain(const uint8_t* from, int32_t fromStride, uint8_t* to, int32_t toStride,
                         int32_t width, int32_t height) {
    constexpr int32_t kAlphaLane = 3;
    for (int32_t y = 0; y < height; ++y, from += fromStride, to += toStride) {
        CopyByteLaneRow_Plain(from + kAlphaLane, 4, to + kAlphaLane, 4, width);
    }
}

void SetGrayFromPlaneRow_Plain(const uint8_t* plane, int32_t planeStep, uint8_t* argb,
                               int32_t argbStep, int32_t width) {
    for (int32_t x = 0; x < width; ++x, plane += planeStep, argb += argbStep) {
        argb[0] = argb[1] = argb[2] = *plane;
    }
}

}  // namespace VelImageUtility
