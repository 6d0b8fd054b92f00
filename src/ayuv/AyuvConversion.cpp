// AYUV colour operations: conversion to ARGB, the in-place box blur and the
// scaling of red, green, blue and alpha.
#include <new>

#include "ayuv/AyuvConversionKernels.h"
#include "ayuv/CImageAYUV.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"
#include "services/FilterServices.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kAyuvBytes = 4;
}  // namespace

void CImageAYUV::ConvertToARGB(const ImageDesc* destination) {
    if (!IsUsablePixels(*this, kAyuvBytes) || !IsSameSizePixels(*this, destination, kAyuvBytes)) {
        return;
    }
    const auto convertRow = PickKernel(level, ConvertToARGBRow_Plain, ConvertToARGBRow_Sse2, ConvertToARGBRow_Avx2);
    const uint8_t* from = data;
    uint8_t* to = destination->data;
    for (int32_t y = 0; y < height; ++y, from += stride, to += destination->stride) {
        convertRow(from, to, width);
    }
}

// The box blur written over the image itself, keeping only the rows still
// to leave the window; it leaves alpha 0 wherever it averages. A negative
// radius is refused like 0. An allocation failure propagates with the image
// unchanged.
void CImageAYUV::BoxBlurInPlace(int32_t radius) {
    if (radius <= 0 || !IsUsablePixels(*this, kAyuvBytes) || width == 0 || height == 0) return;
    if (!BoxBlurRowsInPlace(data, width, height, stride, radius, UseSse2(level))) throw std::bad_alloc();
}

void CImageAYUV::ScaleChannelsRGB(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
    if (!IsUsablePixels(*this, kAyuvBytes)) return;
    const ChannelFactors factors{red, green, blue, alpha};
    uint8_t* row = data;
    for (int32_t y = 0; y < height; ++y, row += stride) ScaleChannelsRGBRow_Plain(row, width, factors);
}

}  // namespace VelImageUtility
