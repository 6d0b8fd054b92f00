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
    void SetUp() override {
        ASSERT_FALSE(directory.Path().empty());
        utility = GetCImageUtility();
    }
    void TearDown() override { ReleaseCImageUtility(utility); }

    HRESULT Save(const std::string& name, const Bytes& pixels, int32_t width = 13, int32_t height = 9) {
        ImageDesc desc{const_cast<uint8_t*>(pixels.data()), width, height, width * 4, 4, false};
        return utility->SaveToFile(&desc, Wide(directory / name).c_str());
    }
    Bytes SaveAndLoad(const std::string& name, const Bytes& pixels, int32_t width = 13, int32_t height = 9) {
        EXPECT_EQ(Save(name, pixels, width, height), VIU_S_OK) << name;
        LoadedImage loaded;
        utility->LoadFromFile(&loaded.desc, Wide(directory / name).c_str());
        EXPECT_EQ(loaded.desc.width, width) << name;
        EXPECT_EQ(loaded.desc.height, height) << name;
        return loaded.Pixels();
    }

    TemporaryDirectory directory;
    ICImageUtility* utility = nullptr;
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
        const Bytes pixels = SaveAndLoad(c.name, picture, c.width, c.height);
        const Bytes file = ReadFile(directory / c.name);
        EXPECT_TRUE(file.size() >= 4 && std::equal(c.magic.begin(), c.magic.end(), file.begin())) << c.name;
        const Bytes expected = c.opaque ? WithAlpha(picture, 255) : picture;
        ASSERT_EQ(pixels.size(), expected.size()) << c.name;
        int64_t error = 0;
        for (size_t i = 0; i < pixels.size(); ++i) error += std::abs(pixels[i] - expected[i]);
        EXPECT_LE(error, c.meanError * c.width * c.height * 3) << c.name;
    }
    // BMP: 32 bits, uncompressed, the last row first.
    const Bytes bmp = ReadFile(directory / "a.BMP"), picture = TestPicture(40, 24);
    ASSERT_EQ(bmp.size(), 54u + picture.size());
    EXPECT_EQ(bmp[28], 32);  // bits per pixel
    EXPECT_EQ(bmp[30], 0);   // no compression
    EXPECT_TRUE(std::equal(picture.end() - 160, picture.end(), bmp.begin() + 54));
}

TEST_F(IoPosix, RefusedSavesReturnEFailAndCreateNoFile) {
    Bytes picture = TestPicture();
    uint8_t* p = picture.data();
    const struct {
        const char* name;
        uint8_t* data;
        int32_t width, height, stride;
    } kCases[] = {
        {"a.gif", p, 13, 9, 52},     {"a.GIF", p, 13, 9, 52},     {"a", p, 13, 9, 52},
        {"missing/a.png", p, 13, 9, 52}, {"a.png", nullptr, 13, 9, 52}, {"a.png", p, 0, 9, 52},
        {"a.png", p, 13, 0, 52},     {"a.png", p, -13, 9, 52},    {"a.png", p, 13, 9, 0},
        {"a.png", p, 12, 9, 50},  // rows of whole 4-byte words only
    };
    for (const auto& c : kCases) {
        ImageDesc desc{c.data, c.width, c.height, c.stride, 4, false};
        EXPECT_EQ(static_cast<uint32_t>(utility->SaveToFile(&desc, Wide(directory / c.name).c_str())), 0x80004005u)
            << c.name << " " << c.width << " " << c.stride;
        EXPECT_FALSE(Exists(directory / c.name)) << c.name;
    }
    ImageDesc desc{p, 13, 9, 52, 4, false};
    EXPECT_EQ(utility->SaveToFile(nullptr, Wide(directory / "a.png").c_str()), VIU_E_FAIL);
    EXPECT_EQ(utility->SaveToFile(&desc, nullptr), VIU_E_FAIL);
    EXPECT_FALSE(Exists(directory / "a.png"));
}

TEST_F(IoPosix, SaveReadsRowsByStrideWhateverTheBytesPerPixelSay) {
    // Bottom-up rows: the first row at the end, a negative stride.
    const Bytes picture = TestPicture();
    Bytes bottomUp(picture.size());
    for (int y = 0; y < 9; ++y) std::copy_n(picture.begin() + 52 * y, 52, bottomUp.begin() + 52 * (8 - y));
    ImageDesc desc{bottomUp.data() + 52 * 8, 13, 9, -52, 1, true};
    ASSERT_EQ(utility->SaveToFile(&desc, Wide(directory / "s.png").c_str()), VIU_S_OK);
    LoadedImage loaded;
    utility->LoadFromFile(&loaded.desc, Wide(directory / "s.png").c_str());
    EXPECT_EQ(loaded.Pixels(), picture);
}

// A directory chain under `base` so that the whole path has `length`
// characters, holding a copy of `file` at its end.
std::string PlaceAtPathLength(const std::string& base, size_t length, const Bytes& file) {
    std::string path = base;
    for (mkdir(path.c_str(), 0700); length - path.size() > 100; mkdir(path.c_str(), 0700)) {
        path += "/" + std::string(80, 'd');
    }
    path += "/" + std::string(length - path.size() - 5, 'n') + ".png";
    WriteFile(path, file);
    return path;
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
    WriteFile(directory / "header-only.gif", {'G', 'I', 'F', '8', '9', 'a'});
    mkdir((directory / "folder.png").c_str(), 0700);
    const std::string fits = PlaceAtPathLength(directory / "a", 259, png);
    const std::string tooLong = PlaceAtPathLength(directory / "b", 260, png);
    ASSERT_EQ(fits.size() + 1, tooLong.size());
    const struct {
        std::string path;
        bool narrow, loads;
    } kCases[] = {
        {directory / "named.jpg", false, true}, {directory / "no-extension", false, true}, {utf8, true, true},
        {raw, true, true}, {fits, false, true}, {tooLong, false, false}, {tooLong, true, false},
        {directory / "missing.png", false, false}, {directory / "empty.png", false, false},
        {directory / "text.png", false, false}, {directory / "header-only.gif", false, false},
        {directory / "folder.png", false, false},
    };
    for (const auto& c : kCases) {
        CallerImage caller;
        if (c.narrow) utility->LoadFromFileA(caller.Desc(), c.path.c_str());
        if (!c.narrow) utility->LoadFromFile(caller.Desc(), Wide(c.path).c_str());
        if (c.loads) {
            EXPECT_EQ(Bytes(caller.Desc()->data, caller.Desc()->data + picture.size()), picture) << c.path;
            EXPECT_TRUE(caller.ValidLoadReleased()) << c.path;
        }
        EXPECT_TRUE(caller.Untouched()) << c.path;
    }
    CallerImage caller;
    utility->LoadFromFile(caller.Desc(), nullptr);
    utility->LoadFromFileA(caller.Desc(), nullptr);
    utility->LoadFromFile(nullptr, Wide(directory / "p.png").c_str());
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
    utility->LoadFromHBitmap(&first.desc, VelMakeBitmapHandle(&record, 2, 2, 32, 12, bits32.data()));
    EXPECT_EQ(first.Pixels(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    utility->LoadFromHBitmap(&second.desc, VelMakeBitmapHandle(&record, 2, 2, 24, 8, bits24.data()));
    EXPECT_EQ(second.Pixels(), (Bytes{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}));
    const struct {
        int32_t width, height, bits, stride;
        const uint8_t* pixels;
    } kInvalid[] = {{2, 2, 16, 12, bits32.data()}, {2, 2, 32, 12, nullptr}, {0, 2, 32, 12, bits32.data()},
                    {2, -1, 32, 12, bits32.data()}, {2, 2, 32, 7, bits32.data()}};
    CallerImage caller;
    for (const auto& c : kInvalid) {
        HBITMAP bitmap = VelMakeBitmapHandle(&record, c.width, c.height, c.bits, c.stride, c.pixels);
        utility->LoadFromHBitmap(caller.Desc(), bitmap);
    }
    utility->LoadFromHBitmap(caller.Desc(), nullptr);
    EXPECT_TRUE(caller.Untouched());
}

TEST_F(IoPosix, ResourcesAreFoundLikeFindResourceAndReachTheCallerPremultiplied) {
    ASSERT_EQ(Save("p.png", TestPicture()), VIU_S_OK);
    const Bytes png = ReadFile(directory / "p.png");
    const uint32_t size = static_cast<uint32_t>(png.size());
    const VelResource resources[] = {{"Pictures", 7, png.data(), size},
                                     {MAKEINTRESOURCEA(10), 8, png.data(), size},
                                     {"EMPTY", 9, png.data(), 0},
                                     {"#11", 12, png.data(), size}};
    VelModuleHandle record;
    HMODULE module = VelMakeModuleHandle(&record, resources, 4);
    const struct {
        const char* type;
        uint32_t id;
        bool found;
    } kLookups[] = {
        {"PICTURES", 7, true},  {"pictures", 0x10007, true}, {"Pictures", 8, false}, {MAKEINTRESOURCEA(10), 8, true},
        {"#10", 8, true},       {"#010", 8, true},           {MAKEINTRESOURCEA(11), 12, true}, {"#10x", 8, false},
        {"EMPTY", 9, false},    {MAKEINTRESOURCEA(10), 7, false},
    };
    const Bytes picture = TestPicture();
    for (const auto& lookup : kLookups) {
        SCOPED_TRACE(testing::Message() << "lookup " << (&lookup - kLookups));
        CallerImage caller;
        utility->LoadFromResource(caller.Desc(), module, lookup.type, lookup.id);
        if (!lookup.found) {
            EXPECT_TRUE(caller.Untouched());
            continue;
        }
        // Colour times alpha over 255, truncated; alpha kept.
        const uint8_t* loaded = caller.Desc()->data;
        for (size_t i = 0; i < picture.size(); ++i) {
            ASSERT_EQ(loaded[i], i % 4 == 3 ? picture[i] : picture[i] * picture[i | 3] / 255) << i;
        }
        EXPECT_TRUE(caller.ValidLoadReleased());
    }
    CallerImage caller;
    utility->LoadFromResource(caller.Desc(), nullptr, "PICTURES", 7);
    utility->LoadFromResource(caller.Desc(), module, nullptr, 7);
    EXPECT_TRUE(caller.Untouched());
}

TEST_F(IoPosix, BitmapResourcesReadAsGdiReadsThem) {
    // A resource holds a device-independent bitmap: a BMP file without its
    // 14-byte file header.
    const Bytes file24 = ReadFile(DataDirectory() + "bmp_24.bmp");
    const Bytes file32 = ReadFile(DataDirectory() + "bmp_32_rgb.bmp");
    const Bytes dib24(file24.begin() + 14, file24.end()), dib32(file32.begin() + 14, file32.end());
    const VelResource resources[] = {{RT_BITMAP, 1, dib24.data(), static_cast<uint32_t>(dib24.size())},
                                     {"#2", 2, dib32.data(), static_cast<uint32_t>(dib32.size())},
                                     {"BITMAP", 3, dib24.data(), static_cast<uint32_t>(dib24.size())}};
    VelModuleHandle record;
    HMODULE module = VelMakeModuleHandle(&record, resources, 3);
    // 24 bits: the fourth byte is 0. 32 bits: the stored fourth byte.
    for (uint32_t id : {1u, 0x10002u}) {
        const Bytes expected = ReadFile(DataDirectory() + (id == 1 ? "bmp_24.bmp.bgra" : "bmp_32_rgb.bmp.bgra"));
        LoadedImage loaded;
        utility->LoadFromBitmapResource(&loaded.desc, module, id);
        const Bytes pixels = loaded.Pixels();
        ASSERT_EQ(pixels.size(), expected.size());
        for (size_t i = 0; i < pixels.size(); ++i) {
            const size_t stored = 54 + (8 - i / 52) * 52 + i % 52;  // rows bottom-up in the file
            ASSERT_EQ(pixels[i], i % 4 != 3 ? expected[i] : id == 1 ? 0 : file32[stored]) << id << " " << i;
        }
    }
    // Only RT_BITMAP resources are bitmaps; a DIB is no image file.
    CallerImage caller;
    for (uint32_t id : {3u, 4u}) utility->LoadFromBitmapResource(caller.Desc(), module, id);
    utility->LoadFromResource(caller.Desc(), module, RT_BITMAP, 1);
    utility->LoadFromBitmapResource(caller.Desc(), nullptr, 1);
    EXPECT_TRUE(caller.Untouched());
}

}  // namespace

#endif
