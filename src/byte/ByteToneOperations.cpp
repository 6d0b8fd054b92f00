// The tone operations of ICImageByte: each pixel changes by itself.
#include <limits>

#include "byte/ByteKernels.h"
#include "byte/BytePlane.h"
#include "byte/CImageByte.h"
#include "core/InstructionSetLevel.h"
#include "services/ToneCurves.h"

namespace VelImageUtility {

void CImageByte::Allocate(int32_t newWidth, int32_t newHeight) {
    // Impossible sizes leave the image exactly as it was.
    ReplaceWithOwnedBuffer(newWidth, newHeight, PackedStride(newWidth, 1), 1);
}

void CImageByte::MultiplyByGain(int32_t gain) {
    if (!HasPackedByteRows(*this) || gain < 0) return;
    (UseSse2(level) ? MultiplyByGainRun_Sse2 : MultiplyByGainRun_Plain)(data, PackedRunLength(*this), gain);
}

void CImageByte::Invert() {
    if (!HasPackedByteRows(*this)) return;
    PickKernel(level, InvertRun_Plain, InvertRun_Sse2, InvertRun_Avx2)(data, PackedRunLength(*this));
}

float CImageByte::GetMeanValue() {
    // The sum is 64 bits wide so that large images keep their mean; an image
    // without pixels, or not usable, gives not a number.
    if (!IsUsablePixels(*this, 1)) return std::numeric_limits<float>::quiet_NaN();
    const auto sumRow = UseSse2(level) ? SumRow_Sse2 : SumRow_Plain;
    uint64_t sum = 0;
    ForEachByteRow(*this, [&](uint8_t* row, int32_t count) { sum += sumRow(row, count); });
    return static_cast<float>(sum) / static_cast<float>(GetPixelCount());
}

void CImageByte::AdjustContrast(float gain) {
    if (!AreFiniteArguments(gain) || !IsContrastGainInRange(gain) || !HasPackedByteRows(*this)) return;
    (UseSse2(level) ? AdjustContrastRun_Sse2 : AdjustContrastRun_Plain)(
        data, PackedRunLength(*this), ContrastFactor(gain));
}

void CImageByte::AdjustContrastAroundMean(int32_t amount) {
    // Without pixels there is no mean to build the curve around.
    if (!IsContrastAmountInRange(amount) || !IsUsablePixels(*this, 1) || GetPixelCount() == 0) return;
    uint8_t table[256];
    BuildContrastAroundMeanTable(amount, GetMeanValue(), table);
    ForEachByteRow(*this, [&](uint8_t* row, int32_t count) { MapRowThroughTable(row, count, table); });
}

void CImageByte::AdjustBrightness(int32_t delta) {
    if (!HasPackedByteRows(*this) || delta == 0) return;
    PickKernel(level, AdjustBrightnessRun_Plain, AdjustBrightnessRun_Sse2, AdjustBrightnessRun_Avx2)(
        data, PackedRunLength(*this), delta);
}

void CImageByte::MapLevels(uint8_t inLow, uint8_t inHigh, uint8_t outLow, uint8_t outHigh) {
    if (UseSse2(level)) {
        // The table's entries computed in the lanes, every pixel alike.
        const LevelsLine line = LevelsLineOf(inLow, inHigh, outLow, outHigh);
        const auto levelsRun = PickVectorKernel(MapLevelsRun_Sse2, MapLevelsRun_Avx2);
        ForEachByteRow(*this, [&](uint8_t* row, int32_t count) { levelsRun(row, static_cast<size_t>(count), line); });
        return;
    }
    uint8_t table[256];
    BuildLevelsTable(inLow, inHigh, outLow, outHigh, table);
    ForEachByteRow(*this, [&](uint8_t* row, int32_t count) { MapRowThroughTable(row, count, table); });
}

}  // namespace VelImageUtility
