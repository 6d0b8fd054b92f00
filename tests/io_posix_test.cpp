// The file, resource and bitmap-handle operations on Linux: narrow paths,
// stand-in bitmap handles and module resources.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "core/CImageUtility.h"
#include "io_posix_test_support.h"

using namespace VelImageUtility;
using namespace io_test;

namespace {

// Narrow paths are UTF-8, other bytes pass through; paths longer than the
// loaders' 260-character copy are refused.
TEST(IoPosix, LoadFromFileReadsAnyNameThatFitsTheCopy) {
    TemporaryDirectory directory;
    const Bytes png = ReadFile(DataDirectory() + "png_rgba_8.png");
    const std::string utf8 = directory / "Bild-\xc3\xa4\xe2\x82\xac.png", raw = directory / "raw-\xff\xfe\xc3.png";
    const std::string tooLong = directory / (std::string(255 - directory.Path().size(), 'n') + ".png");
    for (const std::string& path : {utf8, raw, tooLong}) WriteFile(path, png);
    ASSERT_TRUE(tooLong.size() == 260 && Exists(tooLong));
    const struct { std::string path; bool narrow, loads; } kCases[] = {
        {utf8, true, true}, {raw, true, true}, {tooLong, false, false}, {tooLong, true, false}};
    for (const auto& c : kCases) {
        CImageUtility utility;
        CallerImage caller;
        if (c.narrow) utility.LoadFromFileA(caller.Desc(), c.path.c_str());
        if (!c.narrow) utility.LoadFromFile(caller.Desc(), Wide(c.path).c_str());
        EXPECT_EQ(c.loads ? caller.ValidLoadReleased() : caller.Untouched(), true) << c.path;
    }
}

TEST(IoPosix, BitmapHandlesReadAt32BitsTopDown) {
    // 2 x 2 pixels; 32-bit rows padded to 12 bytes, 24-bit rows to 8.
    const Bytes bits32 = {1, 2, 3, 4, 5, 6, 7, 8, 99, 99, 99, 99, 9, 10, 11, 12, 13, 14, 15, 16, 99, 99, 99, 99};
    const Bytes bits24 = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12, 99, 99};
    VelBitmapHandle record;
    CImageUtility utility;
    CallerImage first, second, caller;
    utility.LoadFromHBitmap(first.Desc(), VelMakeBitmapHandle(&record, 2, 2, 32, 12, bits32.data()));
    EXPECT_EQ(first.Pixels(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    utility.LoadFromHBitmap(second.Desc(), VelMakeBitmapHandle(&record, 2, 2, 24, 8, bits24.data()));
    EXPECT_EQ(second.Pixels(), (Bytes{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}));
    const struct { int32_t width, height, bits, stride; const uint8_t* pixels; } kInvalid[] = {
        {2, 2, 16, 12, bits32.data()}, {2, 2, 32, 12, nullptr}, {0, 2, 32, 12, bits32.data()},
                    {2, -1, 32, 12, bits32.data()}, {2, 2, 32, 7, bits32.data()}};
    for (const auto& c : kInvalid)
        utility.LoadFromHBitmap(caller.Desc(), VelMakeBitmapHandle(&record, c.width, c.height, c.bits, c.stride, c.pixels));
    utility.LoadFromHBitmap(caller.Desc(), nullptr);
    EXPECT_TRUE(caller.Untouched());
}

TEST(IoPosix, ResourcesAreFoundLikeFindResourceAndReadAsThroughAGdiBitmap) {
    const Bytes png = ReadFile(DataDirectory() + "png_rgba_8.png"), bmp = ReadFile(DataDirectory() + "bmp_24.bmp");
    const Bytes dib(bmp.begin() + 14, bmp.end());  // a BMP file without its file header
    const uint32_t size = static_cast<uint32_t>(png.size()), dibSize = static_cast<uint32_t>(dib.size());
    const VelResource resources[] = {{"Pictures", 7, png.data(), size},   {MAKEINTRESOURCEA(10), 8, png.data(), size},
                                     {"EMPTY", 9, png.data(), 0},         {"#11", 12, png.data(), size},
                                     {RT_BITMAP, 1, dib.data(), dibSize}, {"BITMAP", 3, dib.data(), dibSize},
                                     {"#2", 5, dib.data(), dibSize}};
    VelModuleHandle record;
    HMODULE module = VelMakeModuleHandle(&record, resources, 7);
    // Image resources come premultiplied (colour times alpha over 255,
    // truncated); 24-bit bitmaps come with a fourth byte of 0.
    Bytes premultiplied = ReadFile(DataDirectory() + "png_rgba_8.png.bgra");
    for (size_t i = 0; i < premultiplied.size(); ++i)
        if (i % 4 != 3) premultiplied[i] = static_cast<uint8_t>(premultiplied[i] * premultiplied[i | 3] / 255);
    Bytes bitmap = ReadFile(DataDirectory() + "bmp_24.bmp.bgra");
    for (size_t i = 3; i < bitmap.size(); i += 4) bitmap[i] = 0;
    const char* const kBitmap = "(LoadFromBitmapResource)";
    const struct {
        const char* type;
        uint32_t id;
        const Bytes* expected;  // null: nothing loads
    } kLookups[] = {
        {"PICTURES", 7, &premultiplied},            {"pictures", 0x10007, &premultiplied}, {"Pictures", 8, nullptr},
        {MAKEINTRESOURCEA(10), 8, &premultiplied},  {"#10", 8, &premultiplied},            {"#010", 8, &premultiplied},
        {MAKEINTRESOURCEA(11), 12, &premultiplied}, {"#10x", 8, nullptr},                  {"EMPTY", 9, nullptr},
        {MAKEINTRESOURCEA(10), 7, nullptr},         {RT_BITMAP, 1, nullptr},  // a bitmap is no image file
        {kBitmap, 1, &bitmap},                      {kBitmap, 0x10001, &bitmap},           {kBitmap, 5, &bitmap},
        {kBitmap, 3, nullptr},                      {kBitmap, 4, nullptr},
    };
    CImageUtility utility;
    for (const auto& lookup : kLookups) {
        CallerImage caller;
        if (lookup.type == kBitmap) utility.LoadFromBitmapResource(caller.Desc(), module, lookup.id);
        if (lookup.type != kBitmap) utility.LoadFromResource(caller.Desc(), module, lookup.type, lookup.id);
        SCOPED_TRACE(testing::Message() << "lookup " << (&lookup - kLookups));
        EXPECT_EQ(caller.Pixels(), lookup.expected != nullptr ? *lookup.expected : Bytes(32, 0x5A));
        EXPECT_EQ(lookup.expected != nullptr ? caller.ValidLoadReleased() : caller.Untouched(), true);
    }
    CallerImage caller;
    utility.LoadFromResource(caller.Desc(), nullptr, "PICTURES", 7);
    utility.LoadFromResource(caller.Desc(), module, nullptr, 7);
    utility.LoadFromBitmapResource(caller.Desc(), nullptr, 1);
    EXPECT_TRUE(caller.Untouched());
}

}  // namespace

#endif
