// Mode 2 of the resampling engine: four sample rows of four samples per
// destination pixel, each row averaged once into a small row cache.
#include <cstring>

#include "core/InstructionSetLevel.h"
#include "resample/Resample.h"
#include "resample/ResampleFrame.h"

namespace VelImageUtility {

namespace {

// Per byte lane, the truncated mean of four pixels: the lanes are summed in
// two 16-bit halves (at most 4 x 255 each), so no sum carries into the next.
inline uint32_t MeanOfFourPixels(const uint8_t* a, const uint8_t* b, const uint8_t* c,
                                 const uint8_t* d) {
    uint32_t pixels[4];
    std::memcpy(&pixels[0], a, 4);
    std::memcpy(&pixels[1], b, 4);
    std::memcpy(&pixels[2], c, 4);
    std::memcpy(&pixels[3], d, 4);
    constexpr uint32_t kEvenLanes = 0x00FF00FFu;
    uint32_t even = 0;
    uint32_t odd = 0;
    for (uint32_t pixel : pixels) {
        even += pixel & kEvenLanes;
        odd += (pixel >> 8) & kEvenLanes;
    }
    return ((even >> 2) & kEvenLanes) | (((odd >> 2) & kEvenLanes) << 8);
}

// Per byte lane, floor((a + b) / 2), which is also the truncated mean of
// a, a, b, b: the shared bits plus half the differing ones.
inline uint64_t MeanOfTwo(uint64_t a, uint64_t b) {
    return (a & b) + (((a ^ b) & 0xFEFEFEFEFEFEFEFEull) >> 1);
}

// One sample row: for each destination pixel the truncated mean, per lane,
// of the four source pixels at X, X + step, X + 2 step and X + 3 step, in
// 1/128 source pixel.
void AverageSamplesAlongRow(const uint8_t* sourceRow, const uint32_t* entries, int32_t width,
                            int64_t step, uint8_t* averages) {
    int64_t column = 0;
    for (int32_t x = 0; x < width; ++x) {
        column += LeftDelta(entries[x]);
        const int64_t position = column * 128 + StepFraction(entries[x]);
        uint32_t mean;
        // Four samples of one pixel average to that pixel, lane by lane.
        if ((position >> 7) == ((position + 3 * step) >> 7)) {
            std::memcpy(&mean, sourceRow + 4 * (position >> 7), 4);
        } else if ((position >> 7) == ((position + step) >> 7) &&
                   ((position + 2 * step) >> 7) == ((position + 3 * step) >> 7)) {
            uint32_t a, b;
            std::memcpy(&a, sourceRow + 4 * (position >> 7), 4);
            std::memcpy(&b, sourceRow + 4 * ((position + 3 * step) >> 7), 4);
            mean = static_cast<uint32_t>(MeanOfTwo(a, b));
        } else {
            mean = MeanOfFourPixels(sourceRow + 4 * (position >> 7),
                                    sourceRow + 4 * ((position + step) >> 7),
                                    sourceRow + 4 * ((position + 2 * step) >> 7),
                                    sourceRow + 4 * ((position + 3 * step) >> 7));
        }
        std::memcpy(averages + 4 * static_cast<size_t>(x), &mean, 4);
    }
}

// Per byte, the truncated mean of four rows of `count` pixels. Sample rows
// rise with k, so when the first and last are one row all four are, and the
// mean is that row.
void AverageFourRows(const uint8_t* const rows[kRowCacheRows], int32_t count,
                     uint8_t* destination) {
    if (rows[0] == rows[3]) {
        std::memcpy(destination, rows[0], 4 * static_cast<size_t>(count));
    } else if (rows[0] == rows[1] && rows[2] == rows[3]) {
        MeanOfTwoRows_Sse2(rows[0], rows[2], count, destination);
    } else {
        MeanOfFourRows_Sse2(rows[0], rows[1], rows[2], rows[3], count, destination);
    }
}

// One sample row by AverageSamplesAlongRow, or the same bytes by a shortcut
// when one width is exactly twice the other.
void AverageSamplesOfRow(const ResampleFrame& frame, const uint32_t* entries, int64_t step,
                         const uint8_t* sourceRow, uint8_t* averages) {
    const int32_t sourceWidth = frame.sourceWidth;
    const int32_t width = frame.destinationWidth;
    if (sourceWidth == 2 * width) {
        // Step 64 from positions 2x: samples 2x, 2x, 2x + 1, 2x + 1.
        MeanOfPixelPairs_Sse2(sourceRow, width, averages);
    } else if (width == 2 * sourceWidth) {
        // Step 16 from positions x / 2 keeps all four samples in pixel x / 2,
        // except for the last two pixels, which sit 127/128 along the last
        // pair.
        const int32_t repeated = sourceWidth - 1;
        RepeatEachPixel_Sse2(sourceRow, repeated, averages);
        AverageSamplesAlongRow(sourceRow + 4 * static_cast<size_t>(repeated - 1),
                               entries + 2 * repeated, 2, step,
                               averages + 8 * static_cast<size_t>(repeated));
    } else {
        AverageSamplesAlongRow(sourceRow, entries, width, step, averages);
    }
}

// Four sample steps cover one destination pixel: 32 / 128 of the scale,
// rounded to nearest.
int64_t SampleStep(int32_t sourceSize, int32_t destinationSize) {
    return (int64_t{32} * sourceSize + (destinationSize >> 1)) / destinationSize;
}

}  // namespace

int32_t ResampleBoxAverage(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                           int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                           int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                           int32_t destinationY, int32_t destinationWidth,
                           int32_t destinationHeight, int32_t destinationStride) {
    const bool half = sourceWidth == 2 * int64_t{destinationWidth} && sourceHeight == 2 * int64_t{destinationHeight};
    ResampleFrame frame;
    if (!PrepareResample(context, source, sourceX, sourceY, sourceWidth, sourceHeight,
                         sourceStride, destination, destinationX, destinationY,
                         destinationWidth, destinationHeight, destinationStride, &frame, !half)) {
        return 0;
    }
    const size_t rowBytes = 4 * static_cast<size_t>(frame.destinationWidth);
    uint8_t* target = frame.destination;
    if (half) {
        // Steps of 64 from positions 2x and 2y: each pixel is the mean of
        // the means of its 2 x 2 block's rows, read straight from the source.
        const auto meanOfQuads = PickVectorKernel(MeanOfPixelQuads_Sse2, MeanOfPixelQuads_Avx2);
        const uint8_t* upper = frame.source;
        for (int32_t y = 0; y < frame.destinationHeight; ++y) {
            meanOfQuads(upper, upper + frame.sourceStride, frame.destinationWidth, target);
            ClearRowPadding(target, rowBytes, frame.destinationStride);
            upper += 2 * frame.sourceStride;
            target += frame.destinationStride;
        }
        return 0;
    }
    const int64_t stepX = SampleStep(frame.sourceWidth, frame.destinationWidth);
    const int64_t stepY = SampleStep(frame.sourceHeight, frame.destinationHeight);
    if (!PrepareRowCache(context, frame.destinationWidth)) return 0;

    const uint32_t* horizontal = context->horizontal.entries;
    const uint32_t* vertical = context->vertical.entries;
    int64_t row = 0;
    for (int32_t y = 0; y < frame.destinationHeight; ++y) {
        const uint8_t* samples[kRowCacheRows] = {};
        int32_t sampleRows[kRowCacheRows];
        for (int32_t& inUse : context->rowInUse) inUse = 0;
        row += LeftDelta(vertical[y]);
        const int64_t position = row * 128 + StepFraction(vertical[y]);

        // First the sample rows that the previous destination row left in
        // the cache...
        for (int32_t k = 0; k < kRowCacheRows; ++k) {
            sampleRows[k] = static_cast<int32_t>((position + k * stepY) >> 7);
            for (int32_t b = 0; b < kRowCacheRows; ++b) {
                if (context->rowKeys[b] == sampleRows[k]) {
                    context->rowInUse[b] = 1;
                    samples[k] = context->rowBuffers[b];
                    break;
                }
            }
        }
        // ...then the others, each into the first buffer not needed here.
        for (int32_t k = 0; k < kRowCacheRows; ++k) {
            if (samples[k] != nullptr) continue;
            for (int32_t b = 0; b < kRowCacheRows; ++b) {
                if (context->rowKeys[b] == sampleRows[k]) {
                    samples[k] = context->rowBuffers[b];
                    break;
                }
                if (context->rowInUse[b] == 0) {
                    context->rowInUse[b] = 1;
                    context->rowKeys[b] = sampleRows[k];
                    samples[k] = context->rowBuffers[b];
                    AverageSamplesOfRow(frame, horizontal, stepX,
                                        frame.source + sampleRows[k] * frame.sourceStride,
                                        context->rowBuffers[b]);
                    break;
                }
            }
        }
        AverageFourRows(samples, frame.destinationWidth, target);
        ClearRowPadding(target, rowBytes, frame.destinationStride);
        target += frame.destinationStride;
    }
    return 0;
}

}  // namespace VelImageUtility
