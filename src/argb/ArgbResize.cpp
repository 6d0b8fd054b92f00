// ICImageARGB::ResizeTo: this image scaled into a destination buffer.
#include "argb/CImageARGB.h"
#include "core/InputChecks.h"
#include "resample/Resample.h"

namespace VelImageUtility {

void CImageARGB::ResizeTo(const ImageDesc* destination, uint32_t mode) {
    if (!IsUsablePixels(*this, 4) || !IsUsablePixels(destination, 4)) return;
    ResizeBuffer(data, width, height, stride, destination->data, destination->width,
                 destination->height, destination->stride, mode);
}

}  // namespace VelImageUtility
