#include <gtest/gtest.h>

#include <string>

#include "core/CImageBase.h"
#include "io/ImageFileFormats.h"

using namespace VelImageUtility;

namespace {

TEST(ImageFileFormats, ExtensionPicksMimeTypeWithoutRegardToCase) {
    const struct {
        const wchar_t* path;
        const char* mime;
    } kCases[] = {
        {L"a.bmp", "image/bmp"},          {L"a.BMP", "image/bmp"},
        {L"a.jpg", "image/jpeg"},         {L"a.Jpeg", "image/jpeg"},
        {L"a.JPEG", "image/jpeg"},        {L"a.png", "image/png"},
        {L"a.PnG", "image/png"},          {L"a.tif", "image/tiff"},
        {L"a.tIfF", "image/tiff"},        {L"dir/x.gif.png", "image/png"},
        {L"C:\\dir.jpg\\x.Tif", "image/tiff"}, {L"c:x.bmp", "image/bmp"},
        {L".png", "image/png"},           {L"a.gif", nullptr},
        {L"a", nullptr},                  {L"", nullptr},
        {L"a.", nullptr},                 {L"dir.png/file", nullptr},
        {L"dir.png\\file", nullptr},      {L"x.png.gif", nullptr},
        {L"a.pngx", nullptr},             {L"a.jp", nullptr},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - kCases));
        const char* mime = MimeTypeForPath(c.path);
        const wchar_t* wide = WideMimeTypeForPath(c.path);
        if (c.mime == nullptr) {
            EXPECT_EQ(mime, nullptr);
            EXPECT_EQ(wide, nullptr);
            continue;
        }
        ASSERT_NE(mime, nullptr);
        EXPECT_STREQ(mime, c.mime);
        ASSERT_NE(wide, nullptr);
        EXPECT_EQ(std::wstring(wide), std::wstring(c.mime, c.mime + std::string(c.mime).size()));
    }
    EXPECT_EQ(MimeTypeForPath(nullptr), nullptr);
    EXPECT_EQ(WideMimeTypeForPath(nullptr), nullptr);
}

TEST(ImageFileFormats, LoaderPathCopyHolds259CharactersAndTheTerminator) {
    EXPECT_TRUE(PathFitsLoaderCopy(L""));
    EXPECT_TRUE(PathFitsLoaderCopy(std::wstring(259, L'x').c_str()));
    EXPECT_FALSE(PathFitsLoaderCopy(std::wstring(260, L'x').c_str()));
    EXPECT_FALSE(PathFitsLoaderCopy(std::wstring(1000, L'x').c_str()));
    EXPECT_FALSE(PathFitsLoaderCopy(nullptr));
}

TEST(ImageFileFormats, PublishedImageHandsTheBufferToTheCaller) {
    CImageBase working(nullptr, 0, 0, 0, 4);
    ASSERT_TRUE(working.ReplaceWithOwnedBuffer(5, 3, PackedStride(5, 4), 4));
    ImageDesc desc{nullptr, 1, 1, 1, 1, false};
    PublishLoadedImage(&desc, working);
    EXPECT_EQ(desc.data, working.data);
    EXPECT_EQ(desc.width, 5);
    EXPECT_EQ(desc.height, 3);
    EXPECT_EQ(desc.stride, 20);
    EXPECT_EQ(desc.bytesPerPixel, 4);
    EXPECT_TRUE(desc.copy);
    ReleasePixelBuffer(desc.data);
}

}  // namespace
