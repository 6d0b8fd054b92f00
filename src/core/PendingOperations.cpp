// Every table operation that does not do its work yet, in one place, so that
// none is forgotten: each does nothing (returning 0, 0.0f or E_FAIL) until
// its real implementation replaces the entry here.
#include "argb/CImageARGB.h"
#include "ayuv/CImageAYUV.h"
#include "byte/CImageByte.h"

#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wunused-parameter"
#endif

namespace VelImageUtility {

// ---- Blurs, filters, blends, drawing, tone and the rest of AYUV ----

// ---- end of blurs, filters, blends, drawing, tone and the rest of AYUV ----


}  // namespace VelImageUtility
