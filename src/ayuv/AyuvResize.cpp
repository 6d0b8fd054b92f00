// ICImageAYUV::ResizeTo: the ARGB resize; the engine treats V, U, Y and A as
// four independent lanes just like B, G, R and A.
#include "ayuv/CImageAYUV.h"
#include "core/InputChecks.h"
#include "resample/Resample.h"

namespace VelImageUtility {

void CImageAYUV::ResizeTo(const ImageDesc* destination, uint32_t mode) {
    // Both sides are taken as 4-byte pixels, whatever their descriptors say.
    if (!IsUsableBuffer(data, width, height, stride, 4) || !IsUsableBufferAs(destination, 4)) return;
    ResizeBuffer(data, width, height, stride, destination->data, destination->width,
                 destination->height, destination->stride, mode);
}

}  // namespace VelImageUtility
