#include "io/DibReaderWindows.h"

#include <cstdlib>

namespace VelImageUtility {

namespace {

// A header with room for the largest colour table GetDIBits may write after it.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

}  // namespace

size_t ReadDibBits(HBITMAP bitmap, DibRowOrder order, uint8_t* const* out, size_t capacity) {
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    DibInfo info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biBitCount = 0;  // asks for the header only
    if (GetDIBits(dc, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                  DIB_RGB_COLORS) == 0) {
        DeleteDC(dc);
        return 0;
    }
    const LONG width = info.header.biWidth;
    const LONG height = std::labs(info.header.biHeight);
    const size_t bytes = static_cast<size_t>(height) * static_cast<size_t>(width) * 4;
    if (out == nullptr) {
        DeleteDC(dc);
        return bytes;
    }
    if (width < 0 || bytes > capacity) {
        DeleteDC(dc);
        return 0;
    }

    // A negative height asks for the top row first.
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = order == DibRowOrder::kTopDown ? -height : height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 32;
    info.header.biCompression = BI_RGB;
    const int copiedRows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), *out,
                                     reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteDC(dc);
    // A read that copied nothing left the destination as it was: not pixels.
    return copiedRows == 0 ? 0 : bytes;
}

}  // namespace VelImageUtility
