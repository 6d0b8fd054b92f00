// Finds the GDI+ encoder for a MIME type.
#pragma once

#include <cstdint>

#include "VelImageUtility/Types.h"

namespace VelImageUtility {

// Walks the encoders GDI+ reports, in its order, and copies the class of the
// first whose MIME type equals `mimeType` exactly (case matters) into
// *clsid. Returns that encoder's index, or -1 when none matches or the
// table cannot be read. GDI+ must be started.
int32_t FindImageEncoder(const wchar_t* mimeType, CLSID* clsid);

}  // namespace VelImageUtility
