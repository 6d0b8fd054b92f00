// The six file, resource and bitmap-handle operations on Linux: saving and
// loading, extensions, paths, stand-in bitmap handles and module resources.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/CImageUtility.h"
#include "io_posix_test_support.h"

using namespace VelImageUtility;
using namespace io_test;

namespace {

class IoPosix : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(directory.Path().empty()); }
    // Saves through a bottom-up descriptor (first row last, negative stride)
    // whose bytes per pixel say 1: rows are found by stride, and pixels have
    // 4 bytes whatever the descriptor says.
    HRESULT Save(const std::string& name, const Bytes& pixels, int32_t width = 13, int32_t height = 9) {
        const size_t rowBytes = static_cast<size_t>(width) * 4;
        Bytes rows(pixels.size());
        for (size_t y = 0; y < rows.size() / rowBytes; ++y) {
            std::copy_n(pixels.begin() + rowBytes * y, rowBytes, rows.end() - rowBytes * (y + 1));
        }
        ImageDesc desc{rows.data() + rows.size() - rowBytes, width, height, -width * 4, 1, true};
        return utility.SaveToFile(&desc, Wide(directory / name).c_str());
    }

    TemporaryDirectory directory;
    CImageUtility utility;
};

Bytes WithAlpha(Bytes pixels, uint8_t alpha) {
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = alpha;
    return pixels;
}

// Every extension of the table in upper or mixed case: the file starts with
// its format's signature and loads back. BMP and JPEG come back opaque,
// JPEG within 3 per channel on average.
TEST_F(IoPosix, EveryWrittenFormatRoundTripsWhateverTheCaseOfItsExtension) {
    const struct {
        const char* name;
        int32_t width, height;
        Bytes magic;
        bool opaque;
        int64_t meanError;
    } kCases[] = {
        {"a.BMP", 40, 24, {'B', 'M'}, true, 0},          {"b.Jpg", 40, 24, {0xFF, 0xD8, 0xFF}, true, 3},
        {"c.JPEG", 40, 24, {0xFF, 0xD8, 0xFF}, true, 3}, {"d.pNg", 40, 24, {0x89, 'P', 'N', 'G'}, false, 0},
        {"e.TIF", 40, 24, {'I', 'I', 42, 0}, false, 0},  {"f.TiFf", 40, 24, {'I', 'I', 42, 0}, false, 0},
        {"g.tif", 1, 1, {'I', 'I', 42, 0}, false, 0},
    };
    for (const auto& c : kCases) {
        const Bytes picture = TestPicture(c.width, c.height);
        ASSERT_EQ(Save(c.name, picture, c.width, c.height), VIU_S_OK) << c.name;
        const Bytes file = ReadFile(directory / c.name);
        EXPECT_TRUE(file.size() >= 4 && std::equal(c.magic.begin(), c.magic.end(), file.begin())) << c.name;
        LoadedImage loaded;
        utility.LoadFromFile(&loaded.desc, Wide(directory / c.name).c_str());
        const Bytes pixels = loaded.Pixels(), expected = c.opaque ? WithAlpha(picture, 255) : picture;
        ASSERT_EQ(loaded.desc.width * loaded.desc.height * 4, int32_t(expected.size())) << c.name;
        int64_t error = 0;
        for (size_t i = 0; i < pixels.size(); ++i) error += std::abs(pixels[i] - expected[i]);
        EXPECT_LE(error, c.meanError * c.width * c.height * 3) << c.name;
    }
    EXPECT_EQ(ReadFile(directory / "a.BMP").size(), 54u + 40 * 24 * 4);  // BMP: 32 bits, uncompressed
}

TEST_F(IoPosix, RefusedSavesReturnEFailAndCreateNoFile) {
    Bytes picture = TestPicture();
    uint8_t* p = picture.data();
    const struct {
        const char* name;
        uint8_t* data;
        int32_t width, height, stride;
    } kCases[] = {
        {"a.gif", p, 13, 9, 52},         {"a.GIF", p, 13, 9, 52},       {"a", p, 13, 9, 52},
        {"missing/a.png", p, 13, 9, 52}, {"a.png", nullptr, 13, 9, 52}, {"a.png", p, 0, 9, 52},
        {"a.png", p, 13, 0, 52},         {"a.png", p, -13, 9, 52},      {"a.png", p, 13, 9, 0},
        {"a.png", p, 12, 9, 50},  // rows of whole 4-byte words only
    };
    for (const auto& c : kCases) {
        ImageDesc desc{c.data, c.width, c.height, c.stride, 4, false};
        EXPECT_EQ(static_cast<uint32_t>(utility.SaveToFile(&desc, Wide(directory / c.name).c_str())), 0x80004005u)
            << c.name << " " << c.width << " " << c.stride;
        EXPECT_FALSE(Exists(directory / c.name)) << c.name;
    }
    ImageDesc desc{p, 13, 9, 52, 4, false};
    EXPECT_EQ(utility.SaveToFile(nullptr, Wide(directory / "a.png").c_str()), VIU_E_FAIL);
    EXPECT_EQ(utility.SaveToFile(&desc, nullptr), VIU_E_FAIL);
    EXPECT_FALSE(Exists(directory / "a.png"));
}

// Loaders tell the format from the content, take any name (narrow paths
// are UTF-8, other bytes pass through), refuse paths longer than their
// 260-character copy, and on failure leave the caller's descriptor alone.
TEST_F(IoPosix, LoadFromFileReadsAnyNameAndChangesNothingWhenItFails) {
    const Bytes picture = WithAlpha(TestPicture(), 7);
    ASSERT_EQ(Save("p.png", TestPicture()), VIU_S_OK);
    ASSERT_EQ(Save("p.png", picture), VIU_S_OK);  // replaces the file
    const Bytes png = ReadFile(directory / "p.png");
    const std::string utf8 = directory / "Bild-\xc3\xa4\xe2\x82\xac.png", raw = directory / "raw-\xff\xfe\xc3.png";
    for (const std::string& path : {directory / "named.jpg", directory / "no-extension", utf8, raw}) {
        WriteFile(path, png);
    }
    WriteFile(directory / "empty.png", {});
    WriteFile(directory / "text.png", {'h', 'e', 'l', 'l', 'o'});
    mkdir((directory / "folder.png").c_str(), 0700);
    const std::string tooLong = directory / (std::string(255 - directory.Path().size(), 'n') + ".png");
    WriteFile(tooLong, png);
    ASSERT_TRUE(tooLong.size() == 260 && Exists(tooLong));
    const struct {
        std::string path;
        bool narrow, loads;
    } kCases[] = {
        {directory / "named.jpg", false, true},    {directory / "no-extension", false, true},
        {utf8, true, true},                        {raw, true, true},
        {tooLong, false, false},                   {tooLong, true, false},
        {directory / "missing.png", false, false}, {directory / "empty.png", false, false},
        {directory / "text.png", false, false},    {directory / "folder.png", false, false},
    };
    for (const auto& c : kCases) {
        CallerImage caller;
        if (c.narrow) utility.LoadFromFileA(caller.Desc(), c.path.c_str());
        if (!c.narrow) utility.LoadFromFile(caller.Desc(), Wide(c.path).c_str());
        if (c.loads) {
            ASSERT_EQ(caller.Desc()->width * caller.Desc()->height, 13 * 9) << c.path;
            EXPECT_EQ(Bytes(caller.Desc()->data, caller.Desc()->data + picture.size()), picture) << c.path;
            EXPECT_TRUE(caller.ValidLoadReleased()) << c.path;
        }
        EXPECT_TRUE(caller.Untouched()) << c.path;
    }
    CallerImage caller;
    utility.LoadFromFile(caller.Desc(), nullptr);
    utility.LoadFromFileA(caller.Desc(), nullptr);
    utility.LoadFromFile(nullptr, Wide(directory / "p.png").c_str());
    EXPECT_TRUE(caller.Untouched());
}

// LoadFromFileA reaches LoadFromFile through the object's table, with the
// UTF-8 path in wide form, bytes that are not UTF-8 as U+DC80..U+DCFF.
class LoadFromFileSpy : public CImageUtility {
public:
    void LoadFromFile(ImageDesc* desc, const wchar_t* path) override { seenDesc = desc, seenPath = path; }
    ImageDesc* seenDesc = nullptr;
    std::wstring seenPath;
};

TEST(IoPosixNarrowPath, LoadFromFileAGoesThroughTheOperationTable) {
    LoadFromFileSpy spy;
    ImageDesc desc{};
    static_cast<ICImageUtility&>(spy).LoadFromFileA(&desc, "d/\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\xff\xc3.png");
    EXPECT_EQ(spy.seenDesc, &desc);
    EXPECT_EQ(spy.seenPath, std::wstring(L"d/\u00e4\u20ac\U0001F600") + wchar_t(0xDCFF) + wchar_t(0xDCC3) + L".png");
}

// ---- Stand-in bitmap handles and module resources.

TEST_F(IoPosix, BitmapHandlesReadAt32BitsTopDown) {
    // 2 x 2 pixels; 32-bit rows padded to 12 bytes, 24-bit rows to 8.
    const Bytes bits32 = {1, 2, 3, 4, 5, 6, 7, 8, 99, 99, 99, 99, 9, 10, 11, 12, 13, 14, 15, 16, 99, 99, 99, 99};
    const Bytes bits24 = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12, 99, 99};
    VelBitmapHandle record;
    LoadedImage first, second;
    utility.LoadFromHBitmap(&first.desc, VelMakeBitmapHandle(&record, 2, 2, 32, 12, bits32.data()));
    EXPECT_EQ(first.Pixels(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    utility.LoadFromHBitmap(&second.desc, VelMakeBitmapHandle(&record, 2, 2, 24, 8, bits24.data()));
    EXPECT_EQ(second.Pixels(), (Bytes{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}));
    const struct {
        int32_t width, height, bits, stride;
        const uint8_t* pixels;
    } kInvalid[] = {{2, 2, 16, 12, bits32.data()}, {2, 2, 32, 12, nullptr}, {0, 2, 32, 12, bits32.data()},
                    {2, -1, 32, 12, bits32.data()}, {2, 2, 32, 7, bits32.data()}};
    CallerImage caller;
    for (const auto& c : kInvalid) {
        HBITMAP bitmap = VelMakeBitmapHandle(&record, c.width, c.height, c.bits, c.stride, c.pixels);
        utility.LoadFromHBitmap(caller.Desc(), bitmap);
    }
    utility.LoadFromHBitmap(caller.Desc(), nullptr);
    EXPECT_TRUE(caller.Untouched());
}

TEST_F(IoPosix, ResourcesAreFoundLikeFindResourceAndReadAsThroughAGdiBitmap) {
    ASSERT_EQ(Save("p.png", TestPicture()), VIU_S_OK);
    const Bytes png = ReadFile(directory / "p.png"), bmp = ReadFile(DataDirectory() + "bmp_24.bmp");
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
    Bytes premultiplied = TestPicture();
    for (size_t i = 0; i < premultiplied.size(); ++i) {
        if (i % 4 != 3) premultiplied[i] = static_cast<uint8_t>(premultiplied[i] * premultiplied[i | 3] / 255);
    }
    const Bytes bitmap = WithAlpha(ReadFile(DataDirectory() + "bmp_24.bmp.bgra"), 0);
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
    for (const auto& lookup : kLookups) {
        SCOPED_TRACE(testing::Message() << "lookup " << (&lookup - kLookups));
        CallerImage caller;
        if (lookup.type == kBitmap) utility.LoadFromBitmapResource(caller.Desc(), module, lookup.id);
        if (lookup.type != kBitmap) utility.LoadFromResource(caller.Desc(), module, lookup.type, lookup.id);
        if (lookup.expected != nullptr) {
            ASSERT_EQ(caller.Desc()->width * caller.Desc()->height, 13 * 9);
            const uint8_t* data = caller.Desc()->data;
            EXPECT_EQ(Bytes(data, data + lookup.expected->size()), *lookup.expected);
            EXPECT_TRUE(caller.ValidLoadReleased());
        }
        EXPECT_TRUE(caller.Untouched());
    }
    CallerImage caller;
    utility.LoadFromResource(caller.Desc(), nullptr, "PICTURES", 7);
    utility.LoadFromResource(caller.Desc(), module, nullptr, 7);
    utility.LoadFromBitmapResource(caller.Desc(), nullptr, 1);
    EXPECT_TRUE(caller.Untouched());
}

}  // namespace

#endif
