#include "Images.h"

#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace velimg {

ArgbImage NewArgb(int32_t width, int32_t height) {
    return ArgbImage(GetCImageARGB2(width, height));
}

ArgbImage CopyOf(ICImageARGB* source) {
    ImageDesc desc = source->GetDesc();
    desc.copy = true;
    return ArgbImage(GetCImageARGB1(&desc));
}

ArgbImage LoadImageFile(const std::string& path) {
    UtilityImage utility(GetCImageUtility());
    if (!utility) return nullptr;
    ImageDesc loaded = {};
    utility->LoadFromFile(&loaded, WidePath(path).c_str());
    if (loaded.data == nullptr) return nullptr;
    ArgbImage image(GetCImageARGB());
    if (!image) {
        // An empty image takes the buffer over, so that it is released.
        ICImageUtility* owner = GetCImageUtility();
        if (owner != nullptr) {
            owner->SetDesc(&loaded);
            ReleaseCImageUtility(owner);
        }
        return nullptr;
    }
    image->SetDesc(&loaded);
    return image;
}

bool SaveImageFile(ICImageARGB* image, const std::string& path) {
    ImageDesc desc = image->GetDesc();
    return image->SaveToFile(&desc, WidePath(path).c_str()) == 0;
}

std::wstring WidePath(const std::string& path) {
#if defined(_WIN32)
    const int count = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(count > 0 ? count : 1, L'\0');
    if (count > 0) MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], count);
    wide.resize(wide.size() - 1);
    return wide;
#else
    // UTF-8 to one code point per wchar_t; a byte that is not UTF-8 maps to
    // U+DC80..U+DCFF as the library reads it back.
    std::wstring wide;
    const auto* bytes = reinterpret_cast<const unsigned char*>(path.c_str());
    for (size_t i = 0; i < path.size();) {
        const unsigned char lead = bytes[i];
        const int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2
                                                             : (lead >> 3) == 30 ? 3 : -1;
        uint32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && i + static_cast<size_t>(extra) < path.size();
        for (int k = 1; valid && k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) valid = false;
            else code = (code << 6) | (bytes[i + k] & 0x3F);
        }
        if (!valid) {
            wide.push_back(static_cast<wchar_t>(0xDC00 + lead));
            ++i;
        } else {
            wide.push_back(static_cast<wchar_t>(code));
            i += static_cast<size_t>(extra) + 1;
        }
    }
    return wide;
#endif
}

std::string FileFormat(const std::string& path) {
    unsigned char head[12] = {};
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return "unreadable";
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    struct Magic {
        const char* bytes;
        size_t length;
        const char* name;
    };
    static const Magic kMagics[] = {
        {"\x89PNG", 4, "PNG"}, {"\xFF\xD8\xFF", 3, "JPEG"}, {"GIF8", 4, "GIF"},
        {"BM", 2, "BMP"},      {"II*\0", 4, "TIFF"},        {"MM\0*", 4, "TIFF"},
        {"\0\0\1\0", 4, "ICO"},
    };
    for (const Magic& magic : kMagics) {
        if (got >= magic.length && std::memcmp(head, magic.bytes, magic.length) == 0) return magic.name;
    }
    return "unknown";
}

}  // namespace velimg
