// Bitmap handles and module resources of VelImageUtility/PlatformStandIns.h.
#pragma once

#include "VelImageUtility/PlatformStandIns.h"
#include "core/CImageBase.h"

namespace VelImageUtility {

// A copy of the record behind a live handle; false, and nothing read, for a
// value that the stand-in layer did not make or that was released since.
bool CopyLiveBitmapHandle(HBITMAP bitmap, VelBitmapHandle& record);
bool CopyLiveModuleHandle(HMODULE module, VelModuleHandle& record);

// Reads the bitmap as GDI reads one at 32 bits per pixel, top-down, into a
// new buffer of the working image; false (image unchanged) for a bitmap
// that is not valid.
bool ReadStandInBitmap(const VelBitmapHandle& bitmap, CImageBase& working);

// The resource of the module with that name and type, as FindResourceA
// finds it (integers, names without regard to case, "#n" for integer n);
// null when there is none.
// `module` is a live record (see CopyLiveModuleHandle).
const VelResource* FindStandInResource(const VelModuleHandle& module, const char* name,
                                       const char* type);

}  // namespace VelImageUtility
