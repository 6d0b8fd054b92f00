// ICImageARGB::ResizeTo: this image scaled into a destination buffer.
#include "argb/CImageARGB.h"
#include "resample/Resample.h"

namespace VelImageUtility {

void CImageARGB::ResizeTo(const ImageDesc* destination, uint32_t mode) {
    if (destination == nullptr) return;
    ResizeBuffer(data, width, height, stride, destination->data, destination->width,
                 destination->height, destination->stride, mode);
}

}  // namespace VelImageUtility
