// Images as a host holds them: objects from the exported factories, handed
// back to their release exports, and files read and written through the
// utility interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "VelImageUtility.h"

namespace velimg {

struct ArgbRelease {
    void operator()(ICImageARGB* image) const { ReleaseCImageARGB(image); }
};
struct AyuvRelease {
    void operator()(ICImageAYUV* image) const { ReleaseCImageAYUV(image); }
};
struct ByteRelease {
    void operator()(ICImageByte* image) const { ReleaseCImageByte(image); }
};
struct UtilityRelease {
    void operator()(ICImageUtility* image) const { ReleaseCImageUtility(image); }
};
using ArgbImage = std::unique_ptr<ICImageARGB, ArgbRelease>;
using AyuvImage = std::unique_ptr<ICImageAYUV, AyuvRelease>;
using ByteImage = std::unique_ptr<ICImageByte, ByteRelease>;
using UtilityImage = std::unique_ptr<ICImageUtility, UtilityRelease>;

// A new owned ARGB image, or null when it cannot be had.
ArgbImage NewArgb(int32_t width, int32_t height);
// An owned copy of `source`'s pixels.
ArgbImage CopyOf(ICImageARGB* source);

// Loads an image file into a new ARGB image that owns the decoded pixels;
// null when the file is missing or cannot be decoded.
ArgbImage LoadImageFile(const std::string& path);
// Saves as BMP, JPEG, PNG or TIFF by the extension; false when it fails.
bool SaveImageFile(ICImageARGB* image, const std::string& path);

// The wide form of a path given on the command line.
std::wstring WidePath(const std::string& path);

// The format of a file by its first bytes ("PNG", "JPEG", ...), or "unknown".
std::string FileFormat(const std::string& path);

}  // namespace velimg
