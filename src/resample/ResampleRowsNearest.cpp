// Mode 1 of the resampling engine: each destination row is the nearest
// source row, copied whole; only for equal widths.
#include <cstring>

#include "resample/Resample.h"
#include "resample/ResampleFrame.h"

namespace VelImageUtility {

int32_t ResampleRowsNearest(ResampleContext* context, const uint8_t* source, int32_t sourceX,
                            int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                            int32_t sourceStride, uint8_t* destination, int32_t destinationX,
                            int32_t destinationY, int32_t destinationWidth,
                            int32_t destinationHeight, int32_t destinationStride) {
    ResampleFrame frame;
    if (!PrepareResample(context, source, sourceX, sourceY, sourceWidth, sourceHeight,
                         sourceStride, destination, destinationX, destinationY,
                         destinationWidth, destinationHeight, destinationStride, &frame)) {
        return 0;
    }
    if (frame.sourceWidth != frame.destinationWidth) return 0;
    const uint32_t* vertical = context->vertical.entries;
    const size_t rowBytes = 4 * static_cast<size_t>(frame.destinationWidth);
    const uint8_t* from = frame.source;
    uint8_t* to = frame.destination;
    for (int32_t y = 0; y < frame.destinationHeight; ++y) {
        from += NearestDelta(vertical[y]) * frame.sourceStride;
        // memmove: a host may resize a buffer onto itself.
        std::memmove(to, from, rowBytes);
        ClearRowPadding(to, rowBytes, frame.destinationStride);
        to += frame.destinationStride;
    }
    return 0;
}

}  // namespace VelImageUtility
