// The file, resource and bitmap-handle operations of ICImageUtility, through
// GDI+, GDI, USER, the module resource functions and COM.
//
// Every loader decodes into a new buffer of its working image and, when it
// succeeds, hands that buffer to the caller by rewriting the caller's
// descriptor; on any failure the descriptor and its buffer stay untouched.
#include <cwchar>
#include <memory>

#include "core/CImageUtility.h"
#include "io/CGdiPlusBitmapWindows.h"
#include "io/DibReaderWindows.h"
#include "io/ExternalImageDecoderWindows.h"
#include "io/ImageEncoderLookupWindows.h"
#include "io/ImageFileFormats.h"
#include "io/LoaderWorkingImage.h"

namespace VelImageUtility {

namespace {

// Opaque black behind any transparent pixel when GDI+ makes a GDI bitmap.
constexpr Gdiplus::ARGB kHBitmapBackground = 0xFF000000;

// Reads `bitmap` top-down into a new working image over `desc` and hands it
// over; false when there is nothing to read.
bool LoadHBitmapInto(ImageDesc* desc, HBITMAP bitmap) {
    LoaderWorkingImage working(desc);
    if (bitmap == nullptr) return false;
    BITMAP header;
    if (GetObjectA(bitmap, sizeof(header), &header) == 0) return false;
    if (header.bmWidth <= 0 || header.bmHeight <= 0) return false;
    if (!working.Allocate(header.bmWidth, header.bmHeight)) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    uint8_t* const pixels = working.Data();
    const size_t bytes = ReadDibBits(bitmap, DibRowOrder::kTopDown, &pixels, working.ByteCount());
    if (previous != nullptr) SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    if (bytes != working.ByteCount()) return false;
    working.Publish(desc);
    return true;
}

// The decoder component's path: it has the last word on the file, whether
// it opens it or not.
bool LoadThroughExternalDecoder(IExternalImageDecoder* decoder, const wchar_t* path,
                                LoaderWorkingImage& working) {
    if (decoder->Open(path) < 0) return false;
    uint32_t width = 0;
    uint32_t height = 0;
    decoder->GetWidth(&width);
    decoder->GetHeight(&height);
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
    if (!working.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height))) return false;
    return decoder->CopyPixels(working.Data(), width, height,
                               static_cast<uint32_t>(working.Stride())) >= 0;
}

// GDI+ converts the file's pixels straight into the working buffer: the
// lock hands it the buffer (ImageLockModeUserInputBuf) in the ARGB format.
bool LoadThroughGdiPlus(const wchar_t* path, LoaderWorkingImage& working) {
    GdiPlusSession session;
    Gdiplus::Bitmap* bitmap = NewGdiPlusBitmap(path, FALSE);
    if (bitmap == nullptr) return false;
    bool loaded = false;
    const bool created = bitmap->GetLastStatus() == Gdiplus::Ok;
    const UINT width = bitmap->GetWidth();
    const UINT height = bitmap->GetHeight();
    if (created && width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX &&
        working.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height))) {
        Gdiplus::BitmapData lockData = {};
        lockData.Width = width;
        lockData.Height = height;
        lockData.Stride = working.Stride();
        lockData.PixelFormat = kArgbPixelFormat;
        lockData.Scan0 = working.Data();
        const Gdiplus::Rect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
        if (bitmap->LockBits(&whole, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                             kArgbPixelFormat, &lockData) == Gdiplus::Ok) {
            loaded = bitmap->UnlockBits(&lockData) == Gdiplus::Ok;
        }
    }
    delete bitmap;
    return loaded;
}

}  // namespace

void CImageUtility::LoadFromHBitmap(ImageDesc* desc, HBITMAP bitmap) {
    if (desc == nullptr) return;
    LoadHBitmapInto(desc, bitmap);
}

void CImageUtility::LoadFromResource(ImageDesc* desc, HMODULE module, const char* type,
                                     uint32_t id) {
    if (desc == nullptr) return;
    LoaderWorkingImage working(desc);
    GdiPlusSession session;
    // Declared after the session, so the bitmap and its resource copy go
    // before GDI+ shuts down.
    std::unique_ptr<CGdiPlusBitmapResource> holder(new CGdiPlusBitmapResource());
    if (!holder->Load(id, type, module)) return;
    HBITMAP bitmap = nullptr;
    if (holder->bitmap->GetHBITMAP(Gdiplus::Color(kHBitmapBackground), &bitmap) != Gdiplus::Ok ||
        bitmap == nullptr) {
        return;
    }
    ImageDesc loaded = working.Desc();
    if (LoadHBitmapInto(&loaded, bitmap)) *desc = loaded;
    DeleteObject(bitmap);
}

void CImageUtility::LoadFromBitmapResource(ImageDesc* desc, HINSTANCE instance, uint32_t id) {
    if (desc == nullptr) return;
    LoaderWorkingImage working(desc);
    HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(id));
    ImageDesc loaded = working.Desc();
    if (LoadHBitmapInto(&loaded, bitmap)) *desc = loaded;
    if (bitmap != nullptr) DeleteObject(bitmap);
}

void CImageUtility::LoadFromFile(ImageDesc* desc, const wchar_t* path) {
    if (desc == nullptr || !PathFitsLoaderCopy(path)) return;
    LoaderWorkingImage working(desc);
    wchar_t pathCopy[kMaxLoaderPathChars];
    std::wcscpy(pathCopy, path);

    // Only whether an object came back decides the path: without COM on
    // this thread there is none, and GDI+ does the work.
    IExternalImageDecoder* decoder = nullptr;
    CoCreateInstance(kExternalImageDecoderClsid, nullptr, CLSCTX_INPROC_SERVER,
                     kExternalImageDecoderIid, reinterpret_cast<void**>(&decoder));
    bool loaded;
    if (decoder != nullptr) {
        loaded = LoadThroughExternalDecoder(decoder, pathCopy, working);
        decoder->Release();
    } else {
        loaded = LoadThroughGdiPlus(pathCopy, working);
    }
    if (loaded) working.Publish(desc);
}

void CImageUtility::LoadFromFileA(ImageDesc* desc, const char* path) {
    if (desc == nullptr || path == nullptr) return;
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) return;
    std::unique_ptr<wchar_t[]> widePath(new wchar_t[static_cast<size_t>(length)]);
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath.get(), length) != length) return;
    // Through the table, so that an override of LoadFromFile is honoured.
    LoadFromFile(desc, widePath.get());
}

HRESULT CImageUtility::SaveToFile(ImageDesc* desc, const wchar_t* path) {
    if (desc == nullptr || path == nullptr) return VIU_E_FAIL;
    // GDI+ reads height rows of width pixels at the stride: refuse a buffer
    // that the descriptor says is smaller, or none at all (GDI+ would then
    // save a blank bitmap of its own).
    if (!IsEncodablePixels(*desc)) return VIU_E_FAIL;
    CImageARGB working(desc->data, desc->width, desc->height, desc->stride, 4);

    GdiPlusSession session;
    Gdiplus::Bitmap* bitmap = NewGdiPlusBitmap(working.width, working.height, working.stride,
                                               kArgbPixelFormat, working.data);
    if (bitmap == nullptr) return VIU_E_OUTOFMEMORY;

    HRESULT result = VIU_E_FAIL;
    const wchar_t* mimeType = WideMimeTypeForPath(path);
    CLSID encoder;
    if (bitmap->GetLastStatus() == Gdiplus::Ok && mimeType != nullptr &&
        FindImageEncoder(mimeType, &encoder) >= 0 &&
        bitmap->Save(path, &encoder, nullptr) == Gdiplus::Ok) {
        result = VIU_S_OK;
    }
    delete bitmap;
    return result;
}

}  // namespace VelImageUtility
