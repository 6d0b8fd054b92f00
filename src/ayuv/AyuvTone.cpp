// ICImageAYUV::Posterize: the ARGB posterize, on V, U and Y.
#include "argb/ArgbToneRows.h"
#include "ayuv/CImageAYUV.h"

namespace VelImageUtility {

void CImageAYUV::Posterize(int32_t step) { PosterizeFourBytePixels(*this, step); }

}  // namespace VelImageUtility
