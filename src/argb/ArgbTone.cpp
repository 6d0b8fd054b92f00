// The tone and colour adjustments of ARGB images: blue, green and red
// change pixel by pixel, alpha never does.
#include <limits>

#include "argb/ArgbToneKernels.h"
#include "argb/ArgbToneRows.h"
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "core/InstructionSetLevel.h"
#include "services/ToneCurves.h"

namespace VelImageUtility {

namespace {
constexpr int32_t kArgbBytes = 4;

void MapThroughTable(CImageBase& image, const uint8_t table[256]) {
    ForEachPixelRow(image, [&](uint8_t* row, int32_t width) { MapColoursThroughTable(row, width, table); });
}
}  // namespace

void CImageARGB::ConvertToGray() {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    ForEachPixelRowJoined(*this, PickKernel(level, ConvertToGrayRow_Plain, ConvertToGrayRow_Sse2, ConvertToGrayRow_Avx2));
}

// Summed in 64 bits, so that no image can overflow the total.
float CImageARGB::GetMeanValue() {
    if (!IsUsablePixels(*this, kArgbBytes)) return std::numeric_limits<float>::quiet_NaN();
    uint64_t sum = 0;
    ForEachPixelRow(*this, [&](uint8_t* row, int32_t count) { sum += SumColoursRow(row, count); });
    return static_cast<float>(sum) / static_cast<float>(GetPixelCount()) / 3.0f;
}

void CImageARGB::Invert() {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    ForEachPixelRowJoined(*this, PickKernel(level, InvertRow_Plain, InvertRow_Sse2, InvertRow_Avx2));
}

void CImageARGB::ConvertToGrayLightness() {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    ForEachPixelRun(*this, UseSse2(level) ? GrayLightnessRun_Sse2 : GrayLightnessRun_Plain);
}

void PosterizeFourBytePixels(CImageBase& image, int32_t step) {
    if (!IsPosterizeStep(step) || !IsUsablePixels(image, kArgbBytes)) return;
    if (!UseSse2(image.level)) {
        ForEachPixelRow(image, [&](uint8_t* row, int32_t width) { PosterizeRow_Plain(row, width, step); });
        return;
    }
    const PosterizeDivision division = PosterizeDivisionOf(step);
    const auto posterizeRow = PickVectorKernel(PosterizeRow_Sse2, PosterizeRow_Avx2);
    ForEachPixelRow(image, [&](uint8_t* row, int32_t width) { posterizeRow(row, width, division); });
}

void CImageARGB::Posterize(int32_t step) { PosterizeFourBytePixels(*this, step); }

void CImageARGB::AdjustContrast(float gain) {
    if (!IsContrastGainInRange(gain) || !IsUsablePixels(*this, kArgbBytes)) return;
    const auto contrastRow = PickKernel(level, AdjustContrastRow_Plain, AdjustContrastRow_Sse2, AdjustContrastRow_Avx2);
    const int32_t factor = ContrastFactor(gain);
    ForEachPixelRow(*this, [&](uint8_t* row, int32_t width) { contrastRow(row, width, factor); });
}

void CImageARGB::AdjustContrastAroundMean(int32_t amount) {
    if (!IsContrastAmountInRange(amount) || !IsUsablePixels(*this, kArgbBytes)) return;
    uint8_t table[256];
    BuildContrastAroundMeanTable(amount, GetMeanValue(), table);
    MapThroughTable(*this, table);
}

void CImageARGB::AdjustBrightness(int32_t delta) {
    if (delta == 0 || !IsUsablePixels(*this, kArgbBytes)) return;
    const auto brightnessRow = PickKernel(level, AdjustBrightnessRow_Plain, AdjustBrightnessRow_Sse2, AdjustBrightnessRow_Avx2);
    ForEachPixelRowJoined(*this, [&](uint8_t* row, int32_t width) { brightnessRow(row, width, delta); });
}

void CImageARGB::MapLevels(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) {
    if (!IsUsablePixels(*this, kArgbBytes)) return;
    if (UseSse2(level)) {
        // The table's entries computed in the lanes, every pixel alike.
        const LevelsLine line = LevelsLineOf(inLow, inHigh, outLow, outHigh);
        const auto levelsRow = PickVectorKernel(MapLevelsRow_Sse2, MapLevelsRow_Avx2);
        ForEachPixelRowJoined(*this, [&](uint8_t* row, int32_t width) { levelsRow(row, width, line); });
        return;
    }
    uint8_t table[256];
    BuildLevelsTable(inLow, inHigh, outLow, outHigh, table);
    MapThroughTable(*this, table);
}

// The plane is walked by its own bytes per pixel; the vector rows are for
// the usual 1-byte plane.
void CImageARGB::SubtractPlane(const ImageDesc* plane) {
    if (plane == nullptr || !IsUsablePixels(*this, kArgbBytes) ||
        !IsSameSizePixels(*this, plane, plane->bytesPerPixel)) {
        return;
    }
    const bool sse2 = UseSse2(level) && plane->bytesPerPixel == 1;
    const uint8_t* from = plane->data;
    uint8_t* row = data;
    for (int32_t y = 0; y < height; ++y, from += plane->stride, row += stride) {
        if (sse2) {
            SubtractPlaneRow_Sse2(row, from, width);
        } else {
            SubtractPlaneRow_Plain(row, from, plane->bytesPerPixel, width);
        }
    }
}

}  // namespace VelImageUtility
