// The six file, resource and bitmap-handle operations where there is no
// GDI+: image files through the codecs of ImageCodecsPosix.h, bitmap
// handles and module resources through the stand-ins of
// VelImageUtility/PlatformStandIns.h. Each works through a short-lived ARGB
// image over the caller's descriptor and, when it loads an image, hands the
// new buffer over with PublishLoadedImage; a failed load changes nothing.
#include <string>

#include "argb/CImageARGB.h"
#include "io/FilePathsPosix.h"
#include "io/ImageCodecsPosix.h"
#include "io/ImageFileFormats.h"
#include "io/PixelRows.h"
#include "io/StandInHandlesPosix.h"

namespace VelImageUtility {

namespace {

// Bytes per pixel is 4 whatever the descriptor says.
CImageARGB WorkingImageOver(const ImageDesc* desc) {
    return CImageARGB(desc->data, desc->width, desc->height, desc->stride, 4);
}

}  // namespace

void CImageUtility::LoadFromHBitmap(ImageDesc* desc, HBITMAP bitmap) {
    VelBitmapHandle record;
    if (desc == nullptr || !CopyLiveBitmapHandle(bitmap, record)) return;
    CImageARGB working = WorkingImageOver(desc);
    if (ReadStandInBitmap(record, working)) PublishLoadedImage(desc, working);
}

void CImageUtility::LoadFromResource(ImageDesc* desc, HMODULE module, const char* type, uint32_t id) {
    VelModuleHandle record;
    if (desc == nullptr || !CopyLiveModuleHandle(module, record)) return;
    const VelResource* resource = FindStandInResource(record, MAKEINTRESOURCEA(id), type);
    if (resource == nullptr || resource->bytes == nullptr || resource->size == 0) return;
    CImageARGB working = WorkingImageOver(desc);
    if (!DecodeImage(resource->bytes, resource->size, working)) return;
    // The decoded image reaches the caller through a GDI bitmap, whose
    // pixels hold colour premultiplied by alpha.
    for (int32_t y = 0; y < working.height; ++y) PremultiplyRow(working.GetPixelAddress(0, y), working.width);
    PublishLoadedImage(desc, working);
}

void CImageUtility::LoadFromBitmapResource(ImageDesc* desc, HINSTANCE instance, uint32_t id) {
    VelModuleHandle record;
    if (desc == nullptr || !CopyLiveModuleHandle(instance, record)) return;
    const VelResource* resource = FindStandInResource(record, MAKEINTRESOURCEA(id), RT_BITMAP);
    if (resource == nullptr || resource->bytes == nullptr) return;
    CImageARGB working = WorkingImageOver(desc);
    DecodeTarget target(working);
    if (DecodeDib(resource->bytes, resource->size, DibAlpha::kGdiBitmap, target) && target.Keep()) {
        PublishLoadedImage(desc, working);
    }
}

void CImageUtility::LoadFromFile(ImageDesc* desc, const wchar_t* path) {
    std::string utf8Path;
    if (desc == nullptr || !PathFitsLoaderCopy(path) || !WidePathToUtf8(path, utf8Path)) return;
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    if (!ReadWholeFile(utf8Path, bytes, size)) return;
    CImageARGB working = WorkingImageOver(desc);
    if (DecodeImage(bytes.get(), size, working)) PublishLoadedImage(desc, working);
}

void CImageUtility::LoadFromFileA(ImageDesc* desc, const char* path) {
    std::wstring widePath;
    if (!Utf8PathToWide(path, widePath)) return;
    // Through this object's operation table, so that an override is used.
    LoadFromFile(desc, widePath.c_str());
}

HRESULT CImageUtility::SaveToFile(ImageDesc* desc, const wchar_t* path) {
    if (desc == nullptr) return VIU_E_FAIL;
    const CImageARGB working = WorkingImageOver(desc);
    const EncodeSource source = {working.data, working.width, working.height, working.stride};
    // A bitmap over the caller's pixels needs rows of whole 4-byte words.
    const bool pixelsUsable = IsEncodablePixels(*desc) && source.width > 0 && source.height > 0 &&
                              source.stride % 4 == 0;
    const char* mimeType = MimeTypeForPath(path);
    std::string utf8Path;
    if (!pixelsUsable || mimeType == nullptr || !WidePathToUtf8(path, utf8Path)) return VIU_E_FAIL;
    return EncodeImageFile(source, mimeType, utf8Path.c_str()) ? VIU_S_OK : VIU_E_FAIL;
}

}  // namespace VelImageUtility
