#include <gtest/gtest.h>

#include <string>

#include "io/ImageFileFormats.h"

using namespace VelImageUtility;

namespace {

TEST(ImageFileFormats, ExtensionOfTheLastPathComponentPicksTheMimeTypeWithoutRegardToCase) {
    const struct {
        const wchar_t* path;
        const char* mime;
    } kCases[] = {
        {L"a.BMP", "image/bmp"},         {L"a.jpg", "image/jpeg"},              {L"a.Jpeg", "image/jpeg"},
        {L"a.PnG", "image/png"},         {L"a.tif", "image/tiff"},              {L"a.tIfF", "image/tiff"},
        {L"dir/x.gif.png", "image/png"}, {L"C:\\d.jpg\\x.Tif", "image/tiff"},   {L"c:x.bmp", "image/bmp"},
        {L".png", "image/png"},          {L"a.gif", nullptr},                   {L"a", nullptr},
        {L"", nullptr},                  {L"a.", nullptr},                      {L"dir.png/file", nullptr},
        {L"dir.png\\file", nullptr},     {L"x.png.gif", nullptr},               {L"a.pngx", nullptr},
        {L"a.jp", nullptr},              {nullptr, nullptr},
    };
    for (const auto& c : kCases) {
        const std::string expected = c.mime == nullptr ? "" : c.mime;
        const char* mime = MimeTypeForPath(c.path);
        const wchar_t* wide = WideMimeTypeForPath(c.path);
        EXPECT_EQ(mime == nullptr ? "" : std::string(mime), expected) << "case " << (&c - kCases);
        EXPECT_EQ(wide == nullptr ? L"" : std::wstring(wide), std::wstring(expected.begin(), expected.end()));
    }
}

TEST(ImageFileFormats, LoaderPathCopyHolds259CharactersAndTheTerminator) {
    for (size_t length : {0, 259, 260, 1000}) {
        EXPECT_EQ(PathFitsLoaderCopy(std::wstring(length, L'x').c_str()), length < 260) << length;
    }
    EXPECT_FALSE(PathFitsLoaderCopy(nullptr));
}

}  // namespace
