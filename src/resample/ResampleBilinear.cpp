// Mode 0 of the resampling engine: bilinear interpolation with 7-bit
// weights. The plain row is the readable reference of the SSE2 row.
#include "resample/Resample.h"
#include "resample/ResampleFrame.h"

namespace VelImageUtility {

namespace {

// a + ((b - a) * fraction >> 7) with an arithmetic shift, so it rounds
// toward minus infinity exactly like the 16-bit lanes of the SSE2 row. The
// result stays within a..b.
inline int32_t Interpolate7(int32_t a, int32_t b, int32_t fraction) {
    return a + (((b - a) * fraction) >> 7);
}

}  // namespace

void ResampleBilinearRow_Plain(const uint8_t* upper, const uint8_t* lower,
                               int32_t verticalFraction, const uint32_t* entries,
                               int32_t width, uint8_t* destination) {
    size_t column = 0;  // byte offset of the left source pixel
    for (int32_t x = 0; x < width; ++x) {
        const uint32_t entry = entries[x];
        column += 4 * static_cast<size_t>(LeftDelta(entry));
        const int32_t fraction = StepFraction(entry);
        for (size_t lane = 0; lane < 4; ++lane) {
            int32_t value = Interpolate7(upper[column + lane], upper[column + 4 + lane], fraction);
            if (verticalFraction != 0) {
                const int32_t below =
                    Interpolate7(lower[column + lane], lower[column + 4 + lane], fraction);
                value = Interpolate7(value, below, verticalFraction);
            }
            destination[4 * static_cast<size_t>(x) + lane] = static_cast<uint8_t>(value);
        }
    }
}

int32_t ResampleBilinearWithRow(BilinearRowFunction row, ResampleContext* context,
                                const uint8_t* source, int32_t sourceX, int32_t sourceY,
                                int32_t sourceWidth, int32_t sourceHeight, int32_t sourceStride,
                                uint8_t* destination, int32_t destinationX,
                                int32_t destinationY, int32_t destinationWidth,
                                int32_t destinationHeight, int32_t destinationStride) {
    ResampleFrame frame;
    if (!PrepareResample(context, source, sourceX, sourceY, sourceWidth, sourceHeight,
                         sourceStride, destination, destinationX, destinationY,
                         destinationWidth, destinationHeight, destinationStride, &frame)) {
        return 0;
    }
    const uint32_t* horizontal = context->horizontal.entries;
    const uint32_t* vertical = context->vertical.entries;
    const uint8_t* upper = frame.source;
    uint8_t* target = frame.destination;
    for (int32_t y = 0; y < frame.destinationHeight; ++y) {
        upper += LeftDelta(vertical[y]) * frame.sourceStride;
        const int32_t fraction = StepFraction(vertical[y]);
        // The upper row is at most the last but one, so a lower row exists.
        const uint8_t* lower = fraction == 0 ? nullptr : upper + frame.sourceStride;
        row(upper, lower, fraction, horizontal, frame.destinationWidth, target);
        target += frame.destinationStride;  // the row padding is left as it is
    }
    return 0;
}

int32_t ResampleBilinear(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                         int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                         int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                         int32_t destinationY, int32_t destinationWidth,
                         int32_t destinationHeight, int32_t destinationStride) {
    return ResampleBilinearWithRow(ResampleBilinearRow_Sse2, context, source, sourceX, sourceY,
                                   sourceWidth, sourceHeight, sourceStride, destination,
                                   destinationX, destinationY, destinationWidth,
                                   destinationHeight, destinationStride);
}

}  // namespace VelImageUtility
