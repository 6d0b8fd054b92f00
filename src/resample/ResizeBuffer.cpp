// The resize shared by the ARGB and AYUV images: one resampling context for
// one call, one of the three modes.
#include "resample/Resample.h"

namespace VelImageUtility {

void ResizeBuffer(const uint8_t* source, int32_t sourceWidth, int32_t sourceHeight,
                  int32_t sourceStride, uint8_t* destination, int32_t destinationWidth,
                  int32_t destinationHeight, int32_t destinationStride, uint32_t mode) {
    if (sourceWidth < 2 || sourceHeight < 2 || destinationWidth < 2 || destinationHeight < 2) {
        return;
    }
    using ModeFunction = int32_t (*)(ResampleContext*, const uint8_t*, int32_t, int32_t,
                                     int32_t, int32_t, int32_t, uint8_t*, int32_t, int32_t,
                                     int32_t, int32_t, int32_t);
    static constexpr ModeFunction kModes[] = {ResampleBilinear, ResampleRowsNearest,
                                              ResampleBoxAverage};
    if (mode >= sizeof kModes / sizeof kModes[0]) return;
    ResampleContext context;
    InitResampler(&context);
    kModes[mode](&context, source, 0, 0, sourceWidth, sourceHeight, sourceStride, destination, 0,
                 0, destinationWidth, destinationHeight, destinationStride);
    ReleaseResampler(&context);
}

}  // namespace VelImageUtility
