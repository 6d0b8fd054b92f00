#include "services/AlphaBlending.h"

#include <cstddef>

#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"
#include "services/AlphaBlendKernels.h"

namespace VelImageUtility {

namespace {

constexpr int32_t kPixelBytes = 4;

// `blendRow` (row, source row) over every row of the image.
template <typename BlendRow>
void ForEachRow(const CImageBase& image, const ImageDesc* source, BlendRow blendRow) {
    for (int32_t y = 0; y < image.height; ++y) {
        blendRow(image.data + static_cast<ptrdiff_t>(y) * image.stride,
                 source->data + static_cast<ptrdiff_t>(y) * source->stride);
    }
}

bool AreSameSizePixels(const CImageBase& image, const ImageDesc* source) {
    return IsUsablePixels(image, kPixelBytes) && IsSameSizePixels(image, source, kPixelBytes);
}

}  // namespace

void AlphaBlendImage(const CImageBase& image, const ImageDesc* source, uint8_t opacity) {
    if (!AreSameSizePixels(image, source)) return;
    const int32_t width = image.width;
    if (UseSse2(image.level)) {
        AlphaWeightTable table;
        BuildAlphaWeightTable(table, opacity);
        const auto blendRow = PickVectorKernel(AlphaBlendRow_Sse2, AlphaBlendRow_Avx2);
        ForEachRow(image, source, [&](uint8_t* row, const uint8_t* from) { blendRow(row, from, width, table); });
    } else {
        ForEachRow(image, source, [&](uint8_t* row, const uint8_t* from) { AlphaBlendRow_Plain(row, from, width, opacity); });
    }
}

void AdditiveBlendImage(const CImageBase& image, const ImageDesc* source, uint8_t opacity) {
    if (!AreSameSizePixels(image, source)) return;
    const int32_t width = image.width;
    if (image.level < 1) {
        ForEachRow(image, source, [&](uint8_t* row, const uint8_t* from) { AdditiveBlendRow_Plain(row, from, width, opacity); });
        return;
    }
    AlphaWeightTable table;
    BuildAlphaWeightTable(table, opacity);
    const auto blendRow = PickKernel(image.level, AdditiveBlendRow_Mmx, AdditiveBlendRow_Sse2, AdditiveBlendRow_Avx2);
    ForEachRow(image, source, [&](uint8_t* row, const uint8_t* from) { blendRow(row, from, width, table); });
}

void AlphaCompositeImage(const CImageBase& image, const ImageDesc* source, uint8_t opacity,
                         bool roundToNearest) {
    if (!IsUsablePixels(image, kPixelBytes) || !CoversArea(source, kPixelBytes, image.width, image.height)) return;
    const int32_t width = image.width;
    if (UseSse2(image.level)) {
        AlphaCompositeTables tables;
        BuildAlphaCompositeTables(tables, opacity);
        ForEachRow(image, source, [&](uint8_t* row, const uint8_t* from) {
            AlphaCompositeRow_Sse2(row, from, width, tables, roundToNearest);
        });
    } else {
        ForEachRow(image, source, [&](uint8_t* row, const uint8_t* from) { AlphaCompositeRow_Plain(row, from, width, opacity); });
    }
}

}  // namespace VelImageUtility
