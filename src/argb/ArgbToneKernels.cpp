#include "argb/ArgbToneKernels.h"

#include "services/ColourConversion.h"
#include "services/ToneCurves.h"

namespace VelImageUtility {

namespace {
template <typename Rule>
void ForEachColourByte(uint8_t* row, int32_t width, Rule rule) {
    for (int32_t x = 0; x < width; ++x, row += 4) {
        row[0] = rule(row[0]);
        row[1] = rule(row[1]);
        row[2] = rule(row[2]);
    }
}

inline void SetGrey(uint8_t* pixel, uint8_t grey) { pixel[0] = pixel[1] = pixel[2] = grey; }
}  // namespace

void ConvertToGrayRow_Plain(uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x, row += 4) SetGrey(row, RgbToLuma(row[2], row[1], row[0]));
}

void GrayLightnessRun_Plain(uint8_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i, pixels += 4) {
        const uint8_t b = pixels[0], g = pixels[1], r = pixels[2];
        const int32_t high = r > g ? (r > b ? r : b) : (g > b ? g : b);
        const int32_t low = r < g ? (r < b ? r : b) : (g < b ? g : b);
        SetGrey(pixels, static_cast<uint8_t>((high + low) >> 1));
    }
}

void InvertRow_Plain(uint8_t* row, int32_t width) {
    ForEachColourByte(row, width, [](uint8_t c) { return static_cast<uint8_t>(255 - c); });
}

void PosterizeRow_Plain(uint8_t* row, int32_t width, int32_t step) {
    ForEachColourByte(row, width, [step](uint8_t c) { return ApplyPosterize(c, step); });
}

void AdjustContrastRow_Plain(uint8_t* row, int32_t width, int32_t factor) {
    ForEachColourByte(row, width, [factor](uint8_t c) { return ApplyContrast(c, factor); });
}

void AdjustBrightnessRow_Plain(uint8_t* row, int32_t width, int32_t delta) {
    ForEachColourByte(row, width, [delta](uint8_t c) { return ApplyBrightness(c, delta); });
}

void SubtractPlaneRow_Plain(uint8_t* row, const uint8_t* plane, int32_t planeStep, int32_t width) {
    for (int32_t x = 0; x < width; ++x, row += 4, plane += planeStep) {
        const uint8_t m = *plane;
        for (int32_t lane = 0; lane < 3; ++lane) row[lane] = static_cast<uint8_t>(row[lane] > m ? row[lane] - m : 0);
    }
}

}  // namespace VelImageUtility
