// ICImageAYUV::ResizeTo: the ARGB resize; the engine treats V, U, Y and A as
// four independent lanes just like B, G, R and A.
#include "ayuv/CImageAYUV.h"
#include "resample/Resample.h"

namespace VelImageUtility {

void CImageAYUV::ResizeTo(const ImageDesc* destination, uint32_t mode) {
    if (destination == nullptr) return;
    ResizeBuffer(data, width, height, stride, destination->data, destination->width,
                 destination->height, destination->stride, mode);
}

}  // namespace VelImageUtility
