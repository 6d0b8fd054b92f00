// Row kernels of the ARGB buffer and channel operations.
#pragma once

#include <cstdint>

namespace VelImageUtility {

// Kernels over rows of 4-byte pixels, whatever their colour model (ARGB or
// AYUV).
//
// Copies `count` bytes found `fromStep` bytes apart to places `toStep` bytes
// apart: one byte lane of a pixel row to or from a plane row, or between
// two pixel rows.
void CopyByteLaneRow_Plain(const uint8_t* from, int32_t fromStep, uint8_t* to, int32_t toStep,
                           int32_t count);
// Byte `lane` of 4-byte pixels into consecutive plane bytes.
void CopyByteLaneToPlaneRow_Sse2(const uint8_t* pixels, int32_t lane, uint8_t* plane,
                                 int32_t width);
// Consecutive plane bytes into byte `lane` of 4-byte pixels.
void CopyPlaneToByteLaneRow_Sse2(const uint8_t* plane, uint8_t* pixels, int32_t lane,
                                 int32_t width);

// Alpha (byte 3) of `height` rows of `width` 4-byte pixels, the rows of
// each side `fromStride` and `toStride` bytes apart.
void CopyAlphaRows_Plain(const uint8_t* from, int32_t fromStride, uint8_t* to, int32_t toStride,
                         int32_t width, int32_t height);
void CopyAlphaRows_Sse2(const uint8_t* from, int32_t fromStride, uint8_t* to, int32_t toStride,
                        int32_t width, int32_t height);

// Blue, green and red of pixels `argbStep` bytes apart = plane bytes
// `planeStep` apart; alpha kept.
void SetGrayFromPlaneRow_Plain(const uint8_t* plane, int32_t planeStep, uint8_t* argb,
                               int32_t argbStep, int32_t width);
// The same for a 1-byte plane and 4-byte pixels.
void SetGrayFromPlaneRow_Sse2(const uint8_t* plane, uint8_t* argb, int32_t width);

}  // namespace VelImageUtility
