// What the file loaders and the saver share on every platform: the
// extension table, the path limit and how a loaded image reaches the caller.
#pragma once

#include <cstddef>

#include "core/CImageBase.h"
#include "core/InputChecks.h"

namespace VelImageUtility {

// Loaders copy the path into a buffer of this many wide characters,
// terminator included; a longer path is refused and nothing is read.
constexpr size_t kMaxLoaderPathChars = 260;
bool PathFitsLoaderCopy(const wchar_t* path);

// The MIME type that SaveToFile encodes for the path's extension (the part
// from the last '.' after the last directory separator, compared without
// regard to case), or null for a path outside the table.
//   .bmp image/bmp  .jpg .jpeg image/jpeg  .png image/png  .tif .tiff image/tiff
const char* MimeTypeForPath(const wchar_t* path);
const wchar_t* WideMimeTypeForPath(const wchar_t* path);

// The pixels SaveToFile encodes: 4 bytes per pixel whatever the descriptor
// says, rows top-down or, with a negative stride, bottom-up in memory.
inline bool IsEncodablePixels(const ImageDesc& desc) {
    return desc.stride != INT32_MIN &&
           IsUsableBuffer(desc.data, desc.width, desc.height, desc.stride < 0 ? -desc.stride : desc.stride, 4);
}

// A loader that succeeded hands its working image's buffer to the caller:
// the descriptor becomes (data, width, height, 4 * width, 4, copy true) and
// the caller owns the buffer from then on.
void PublishLoadedImage(ImageDesc* desc, const CImageBase& working);

}  // namespace VelImageUtility
