#include "io/ImageEncoderLookupWindows.h"

#include <cstdlib>
#include <cwchar>

#include "io/GdiPlusWindows.h"

namespace VelImageUtility {

int32_t FindImageEncoder(const wchar_t* mimeType, CLSID* clsid) {
    UINT count = 0;
    UINT size = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &size);
    if (size == 0) return -1;
    auto* encoders = static_cast<Gdiplus::ImageCodecInfo*>(std::malloc(size));
    if (encoders == nullptr) return -1;

    int32_t found = -1;
    if (Gdiplus::DllExports::GdipGetImageEncoders(count, size, encoders) == Gdiplus::Ok) {
        for (UINT i = 0; i < count; ++i) {
            if (std::wcscmp(encoders[i].MimeType, mimeType) == 0) {
                *clsid = encoders[i].Clsid;
                found = static_cast<int32_t>(i);
                break;
            }
        }
    }
    std::free(encoders);
    return found;
}

}  // namespace VelImageUtility
