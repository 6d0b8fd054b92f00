// Mode 0 of the resampling engine: bilinear interpolation with 7-bit
// weights. The plain row is the readable reference of the SSE2 row.
#include <cstring>

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

namespace {

// The horizontal pass of one source row: ResampleBilinearRow_Sse2 on that
// row alone, or the same bytes by a shortcut when one width is exactly twice
// the other.
void InterpolateAlongRow(const ResampleFrame& frame, const uint32_t* entries,
                         const uint8_t* sourceRow, uint8_t* out) {
    const int32_t sourceWidth = frame.sourceWidth;
    const int32_t width = frame.destinationWidth;
    if (sourceWidth == 2 * width) {
        // Positions 2x with fraction 0: the left pixels themselves.
        EveryOtherPixel_Sse2(sourceRow, width, out);
    } else if (width == 2 * sourceWidth) {
        // Positions x / 2: fraction 0 gives pixel x / 2 and fraction 64 the
        // floor of its mean with the next, up to the last two pixels, which
        // sit 127/128 along the last pair.
        const int32_t pairs = sourceWidth - 1;
        PixelsAndMeans_Sse2(sourceRow, pairs, out);
        ResampleBilinearRow_Sse2(sourceRow + 4 * static_cast<size_t>(pairs - 1), nullptr, 0,
                                 entries + 2 * pairs, 2, out + 8 * static_cast<size_t>(pairs));
    } else {
        ResampleBilinearRow_Sse2(sourceRow, nullptr, 0, entries, width, out);
    }
}

// The horizontal pass of source row `row` from the first two row buffers,
// computing it into the buffer that does not hold row `keep` when neither
// holds it yet.
const uint8_t* InterpolatedRow(ResampleContext* context, const ResampleFrame& frame,
                               int32_t row, int32_t keep) {
    int32_t buffer = context->rowKeys[0] == row ? 0 : context->rowKeys[1] == row ? 1 : -1;
    if (buffer < 0) {
        buffer = context->rowKeys[0] == keep ? 1 : 0;
        context->rowKeys[buffer] = row;
        InterpolateAlongRow(frame, context->horizontal.entries,
                            frame.source + row * frame.sourceStride, context->rowBuffers[buffer]);
    }
    return context->rowBuffers[buffer];
}

}  // namespace

// The same bytes as ResampleBilinearWithRow over the SSE2 row, with each
// source row interpolated horizontally once into the row cache and the
// vertical step done over whole rows.
int32_t ResampleBilinear(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                         int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                         int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                         int32_t destinationY, int32_t destinationWidth,
                         int32_t destinationHeight, int32_t destinationStride) {
    ResampleFrame frame;
    if (!PrepareResample(context, source, sourceX, sourceY, sourceWidth, sourceHeight,
                         sourceStride, destination, destinationX, destinationY,
                         destinationWidth, destinationHeight, destinationStride, &frame) ||
        !PrepareRowCache(context, frame.destinationWidth)) {
        return 0;
    }
    const uint32_t* vertical = context->vertical.entries;
    const int32_t width = frame.destinationWidth;
    int32_t row = 0;
    uint8_t* target = frame.destination;
    for (int32_t y = 0; y < frame.destinationHeight; ++y) {
        row += LeftDelta(vertical[y]);
        const int32_t fraction = StepFraction(vertical[y]);
        const bool upperCached = context->rowKeys[0] == row || context->rowKeys[1] == row;
        const bool lowerCached = context->rowKeys[0] == row + 1 || context->rowKeys[1] == row + 1;
        // The next destination row starts at this row or the next one: it
        // will use one of these two again.
        const bool reused = y + 1 < frame.destinationHeight && LeftDelta(vertical[y + 1]) <= 1;
        if (fraction != 0 && !upperCached && !lowerCached && !reused) {
            const uint8_t* upper = frame.source + row * frame.sourceStride;
            ResampleBilinearRow_Sse2(upper, upper + frame.sourceStride, fraction,
                                     context->horizontal.entries, width, target);
        } else if (fraction != 0) {
            const uint8_t* upper = InterpolatedRow(context, frame, row, row + 1);
            const uint8_t* lower = InterpolatedRow(context, frame, row + 1, row);
            InterpolateRows_Sse2(upper, lower, fraction, width, target);
        } else if (upperCached) {
            std::memcpy(target, InterpolatedRow(context, frame, row, -1),
                        4 * static_cast<size_t>(width));
        } else {
            InterpolateAlongRow(frame, context->horizontal.entries,
                                frame.source + row * frame.sourceStride, target);
        }
        target += frame.destinationStride;  // the row padding is left as it is
    }
    return 0;
}

}  // namespace VelImageUtility
