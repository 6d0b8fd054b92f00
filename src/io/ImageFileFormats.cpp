#include "io/ImageFileFormats.h"

#include <cwctype>

namespace VelImageUtility {

namespace {

struct ExtensionMime {
    const wchar_t* extension;
    const char* mime;
    const wchar_t* wideMime;
};

// Searched in this order; the first match wins.
constexpr ExtensionMime kExtensionMimes[] = {
    {L".BMP", "image/bmp", L"image/bmp"},    {L".JPG", "image/jpeg", L"image/jpeg"},
    {L".JPEG", "image/jpeg", L"image/jpeg"}, {L".PNG", "image/png", L"image/png"},
    {L".TIF", "image/tiff", L"image/tiff"},  {L".TIFF", "image/tiff", L"image/tiff"},
};

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\' || c == L':'; }

// The extension as a path splitter sees it: from the last '.' of the final
// path component, or null when that component has no '.'.
const wchar_t* ExtensionOf(const wchar_t* path) {
    const wchar_t* extension = nullptr;
    for (const wchar_t* p = path; *p != L'\0'; ++p) {
        if (IsSeparator(*p)) {
            extension = nullptr;
        } else if (*p == L'.') {
            extension = p;
        }
    }
    return extension;
}

bool EqualsIgnoringCase(const wchar_t* a, const wchar_t* b) {
    for (; *a != L'\0' && *b != L'\0'; ++a, ++b) {
        if (std::towupper(static_cast<wint_t>(*a)) != std::towupper(static_cast<wint_t>(*b))) {
            return false;
        }
    }
    return *a == *b;
}

const ExtensionMime* LookUp(const wchar_t* path) {
    if (path == nullptr) return nullptr;
    const wchar_t* extension = ExtensionOf(path);
    if (extension == nullptr) return nullptr;
    for (const ExtensionMime& entry : kExtensionMimes) {
        if (EqualsIgnoringCase(extension, entry.extension)) return &entry;
    }
    return nullptr;
}

}  // namespace

bool PathFitsLoaderCopy(const wchar_t* path) {
    if (path == nullptr) return false;
    for (size_t i = 0; i < kMaxLoaderPathChars; ++i) {
        if (path[i] == L'\0') return true;
    }
    return false;
}

const char* MimeTypeForPath(const wchar_t* path) {
    const ExtensionMime* entry = LookUp(path);
    return entry == nullptr ? nullptr : entry->mime;
}

const wchar_t* WideMimeTypeForPath(const wchar_t* path) {
    const ExtensionMime* entry = LookUp(path);
    return entry == nullptr ? nullptr : entry->wideMime;
}

void PublishLoadedImage(ImageDesc* desc, const CImageBase& working) { *desc = working.Desc(); }

}  // namespace VelImageUtility
