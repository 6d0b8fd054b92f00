// The six file, resource and bitmap-handle operations on Linux: saving and
// loading, extensions, paths, stand-in bitmap handles and module resources.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/CImageUtility.h"
#include "io/FilePathsPosix.h"
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
    void Load(const std::string& name, LoadedImage& image) {
        utility->LoadFromFile(&image.desc, Wide(directory / name).c_str());
    }

    TemporaryDirectory directory;
    ICImageUtility* utility = nullptr;
};

Bytes WithAlpha(Bytes pixels, uint8_t alpha) {
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = alpha;
    return pixels;
}

TEST_F(IoPosix, PngAndTiffRoundTripsKeepEveryByte) {
    const Bytes picture = TestPicture();
    for (const char* name : {"picture.png", "picture.tif"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(Save(name, picture), VIU_S_OK);
        LoadedImage loaded;
        Load(name, loaded);
        ASSERT_EQ(loaded.desc.width, 13);
        ASSERT_EQ(loaded.desc.height, 9);
        EXPECT_EQ(loaded.desc.stride, 52);
        EXPECT_EQ(loaded.desc.bytesPerPixel, 4);
        EXPECT_TRUE(loaded.desc.copy);
        EXPECT_EQ(loaded.Pixels(), picture);
    }
}

TEST_F(IoPosix, BmpStoresTheFourthByteButReadsBackOpaque) {
    const Bytes picture = TestPicture();
    ASSERT_EQ(Save("picture.bmp", picture), VIU_S_OK);
    const Bytes file = ReadFile(directory / "picture.bmp");
    ASSERT_EQ(file.size(), 54u + picture.size());
    EXPECT_EQ(file[28], 32);  // bits per pixel
    EXPECT_EQ(file[30], 0);   // no compression
    // Rows are stored bottom-up: the file's first pixel is the last row's.
    EXPECT_TRUE(std::equal(file.begin() + 54, file.begin() + 54 + 52, picture.end() - 52));
    LoadedImage loaded;
    Load("picture.bmp", loaded);
    EXPECT_EQ(loaded.Pixels(), WithAlpha(picture, 255));
}

TEST_F(IoPosix, JpegRoundTripIsCloseAndOpaque) {
    // A smooth picture, as JPEG is meant for.
    Bytes picture(40 * 24 * 4);
    for (size_t i = 0; i < picture.size(); i += 4) {
        const int x = static_cast<int>(i / 4 % 40), y = static_cast<int>(i / 4 / 40);
        picture[i] = static_cast<uint8_t>(x * 6), picture[i + 1] = static_cast<uint8_t>(y * 10);
        picture[i + 2] = static_cast<uint8_t>(200 - (x + y) * 3), picture[i + 3] = static_cast<uint8_t>(x);
    }
    ASSERT_EQ(Save("picture.jpg", picture, 40, 24), VIU_S_OK);
    const Bytes file = ReadFile(directory / "picture.jpg");
    ASSERT_GE(file.size(), 3u);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xD8);
    LoadedImage loaded;
    Load("picture.jpg", loaded);
    ASSERT_EQ(loaded.desc.width, 40);
    ASSERT_EQ(loaded.desc.height, 24);
    const Bytes pixels = loaded.Pixels();
    int64_t totalError = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % 4 == 3) {
            ASSERT_EQ(pixels[i], 255);
            continue;
        }
        totalError += std::abs(pixels[i] - picture[i]);
    }
    EXPECT_LT(totalError, 3 * int64_t{40 * 24 * 3});  // less than 3 per channel on average
}

TEST_F(IoPosix, ExtensionChoosesTheFormatWithoutRegardToCase) {
    const Bytes picture = TestPicture();
    const struct {
        const char* name;
        Bytes magic;
    } kCases[] = {
        {"a.BMP", {'B', 'M'}},         {"b.Bmp", {'B', 'M'}},           {"c.JPG", {0xFF, 0xD8, 0xFF}},
        {"d.Jpeg", {0xFF, 0xD8, 0xFF}}, {"e.jpeg", {0xFF, 0xD8, 0xFF}}, {"f.PNG", {0x89, 'P', 'N', 'G'}},
        {"g.pNg", {0x89, 'P', 'N', 'G'}}, {"h.TIF", {'I', 'I', 42, 0}},   {"i.TiFf", {'I', 'I', 42, 0}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Save(c.name, picture), VIU_S_OK);
        const Bytes file = ReadFile(directory / c.name);
        ASSERT_GE(file.size(), c.magic.size());
        EXPECT_TRUE(std::equal(c.magic.begin(), c.magic.end(), file.begin()));
    }
}

TEST_F(IoPosix, PathsOutsideTheTableFailAndCreateNoFile) {
    const Bytes picture = TestPicture();
    for (const char* name : {"picture.gif", "picture.GIF", "picture", "picture.", "picture.png.txt", "dir.png"}) {
        SCOPED_TRACE(name);
        const std::string path = directory / (std::string(name) == "dir.png" ? "dir.png/picture" : name);
        ImageDesc desc{const_cast<uint8_t*>(picture.data()), 13, 9, 52, 4, false};
        EXPECT_EQ(utility->SaveToFile(&desc, Wide(path).c_str()), VIU_E_FAIL);
        EXPECT_EQ(static_cast<uint32_t>(utility->SaveToFile(&desc, Wide(path).c_str())), 0x80004005u);
        EXPECT_FALSE(Exists(path));
    }
    EXPECT_EQ(utility->SaveToFile(nullptr, Wide(directory / "x.png").c_str()), VIU_E_FAIL);
    ImageDesc desc{const_cast<uint8_t*>(picture.data()), 13, 9, 52, 4, false};
    EXPECT_EQ(utility->SaveToFile(&desc, nullptr), VIU_E_FAIL);
    EXPECT_EQ(utility->SaveToFile(&desc, Wide(directory / "missing/x.png").c_str()), VIU_E_FAIL);
    EXPECT_FALSE(Exists(directory / "x.png"));
}

TEST_F(IoPosix, PixelsThatCannotFormABitmapFailAndCreateNoFile) {
    Bytes picture = TestPicture();
    const struct {
        uint8_t* data;
        int32_t width, height, stride;
    } kCases[] = {
        {nullptr, 13, 9, 52}, {picture.data(), 0, 9, 52}, {picture.data(), 13, 0, 52},
        {picture.data(), -13, 9, 52}, {picture.data(), 13, 9, 0}, {picture.data(), 12, 9, 50},
    };
    for (const auto& c : kCases) {
        ImageDesc desc{c.data, c.width, c.height, c.stride, 4, false};
        EXPECT_EQ(utility->SaveToFile(&desc, Wide(directory / "x.png").c_str()), VIU_E_FAIL);
        EXPECT_FALSE(Exists(directory / "x.png"));
    }
}

TEST_F(IoPosix, SaveReadsRowsByStrideWhateverTheBytesPerPixelSay) {
    const Bytes picture = TestPicture();
    // Bottom-up rows (negative stride) and padded rows give the same file.
    Bytes bottomUp(picture.size());
    Bytes padded(9 * 60, 0xEE);
    for (int y = 0; y < 9; ++y) {
        std::copy_n(picture.begin() + 52 * y, 52, bottomUp.begin() + 52 * (8 - y));
        std::copy_n(picture.begin() + 52 * y, 52, padded.begin() + 60 * y);
    }
    ImageDesc upward{bottomUp.data() + 52 * 8, 13, 9, -52, 4, false};
    ImageDesc wide{padded.data(), 13, 9, 60, 1, true};
    ASSERT_EQ(utility->SaveToFile(&upward, Wide(directory / "upward.png").c_str()), VIU_S_OK);
    ASSERT_EQ(utility->SaveToFile(&wide, Wide(directory / "wide.tiff").c_str()), VIU_S_OK);
    for (const char* name : {"upward.png", "wide.tiff"}) {
        LoadedImage loaded;
        Load(name, loaded);
        EXPECT_EQ(loaded.Pixels(), picture) << name;
    }
}

TEST_F(IoPosix, OneByOneTiff) {
    const Bytes pixel = {10, 20, 30, 40};
    ASSERT_EQ(Save("one.tif", pixel, 1, 1), VIU_S_OK);
    LoadedImage loaded;
    Load("one.tif", loaded);
    EXPECT_EQ(loaded.desc.width, 1);
    EXPECT_EQ(loaded.desc.height, 1);
    EXPECT_EQ(loaded.Pixels(), pixel);
}

TEST_F(IoPosix, LoadersTellTheFormatFromTheContentNotTheName) {
    const Bytes picture = TestPicture();
    ASSERT_EQ(Save("p.png", picture), VIU_S_OK);
    WriteFile(directory / "named-jpeg.jpg", ReadFile(directory / "p.png"));
    WriteFile(directory / "no-extension", ReadFile(directory / "p.png"));
    for (const char* name : {"named-jpeg.jpg", "no-extension"}) {
        LoadedImage loaded;
        Load(name, loaded);
        EXPECT_EQ(loaded.Pixels(), picture) << name;
    }
}

TEST_F(IoPosix, LoadLeavesTheCallersBufferAloneAndSaveOverwrites) {
    ASSERT_EQ(Save("p.png", TestPicture()), VIU_S_OK);
    ASSERT_EQ(Save("p.png", WithAlpha(TestPicture(), 7)), VIU_S_OK);
    CallerImage caller;
    utility->LoadFromFile(caller.Desc(), Wide(directory / "p.png").c_str());
    ASSERT_EQ(caller.Desc()->width, 13);
    EXPECT_EQ(caller.Desc()->data[3], 7);
    EXPECT_TRUE(caller.ValidLoadReleased());
    EXPECT_TRUE(caller.Untouched());  // the pattern of the old buffer is still there
}

TEST_F(IoPosix, FailedLoadsLeaveTheDescriptorUntouched) {
    WriteFile(directory / "empty.png", {});
    WriteFile(directory / "text.png", {'h', 'e', 'l', 'l', 'o'});
    WriteFile(directory / "gif-header-only.gif", {'G', 'I', 'F', '8', '9', 'a'});
    mkdir((directory / "folder.png").c_str(), 0700);
    for (const char* name : {"missing.png", "empty.png", "text.png", "gif-header-only.gif", "folder.png"}) {
        CallerImage caller;
        utility->LoadFromFile(caller.Desc(), Wide(directory / name).c_str());
        EXPECT_TRUE(caller.Untouched()) << name;
    }
    CallerImage caller;
    utility->LoadFromFile(caller.Desc(), nullptr);
    utility->LoadFromFileA(caller.Desc(), nullptr);
    EXPECT_TRUE(caller.Untouched());
    utility->LoadFromFile(nullptr, Wide(directory / "missing.png").c_str());
}

// A directory chain under `base` so that the whole path has `length`
// characters, holding a copy of `file` at its end.
std::string PlaceAtPathLength(const std::string& base, size_t length, const Bytes& file) {
    std::string path = base;
    mkdir(path.c_str(), 0700);
    while (length - path.size() > 100) {
        path += "/" + std::string(80, 'd');
        mkdir(path.c_str(), 0700);
    }
    const size_t nameLength = length - path.size() - 1;
    path += "/" + std::string(nameLength - 4, 'n') + ".png";
    WriteFile(path, file);
    return path;
}

TEST_F(IoPosix, PathsLongerThanTheLoaderCopyAreRefused) {
    ASSERT_EQ(Save("p.png", TestPicture()), VIU_S_OK);
    const Bytes file = ReadFile(directory / "p.png");
    const std::string fits = PlaceAtPathLength(directory / "a", 259, file);
    const std::string tooLong = PlaceAtPathLength(directory / "b", 260, file);
    ASSERT_EQ(fits.size(), 259u);
    ASSERT_EQ(tooLong.size(), 260u);
    ASSERT_TRUE(Exists(tooLong));
    LoadedImage loaded;
    utility->LoadFromFile(&loaded.desc, Wide(fits).c_str());
    EXPECT_EQ(loaded.desc.width, 13);
    CallerImage caller;
    utility->LoadFromFile(caller.Desc(), Wide(tooLong).c_str());
    utility->LoadFromFileA(caller.Desc(), tooLong.c_str());
    EXPECT_TRUE(caller.Untouched());
}

TEST_F(IoPosix, NarrowPathsAreUtf8AndAnyFileNameLoads) {
    ASSERT_EQ(Save("p.png", TestPicture()), VIU_S_OK);
    const Bytes file = ReadFile(directory / "p.png");
    // "Bild-\u00e4\u20ac.png" in UTF-8, and a name that is not UTF-8.
    for (const std::string name : {"Bild-\xc3\xa4\xe2\x82\xac.png", "raw-\xff\xfe\xc3.png"}) {
        WriteFile(directory / name, file);
        LoadedImage loaded;
        utility->LoadFromFileA(&loaded.desc, (directory / name).c_str());
        EXPECT_EQ(loaded.desc.width, 13) << name;
    }
    std::wstring wide;
    ASSERT_TRUE(Utf8PathToWide("B\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80-\xff\xc3", wide));
    EXPECT_EQ(wide, std::wstring(L"B\u00e4\u20ac\U0001F600-") + wchar_t(0xDCFF) + wchar_t(0xDCC3));
    std::string back;
    ASSERT_TRUE(WidePathToUtf8(wide.c_str(), back));
    EXPECT_EQ(back, "B\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80-\xff\xc3");
    const wchar_t noUtf8Form[] = {L'a', wchar_t(0xD800), 0};
    EXPECT_FALSE(WidePathToUtf8(noUtf8Form, back));
}

// LoadFromFileA reaches LoadFromFile through the object's table.
class LoadFromFileSpy : public CImageUtility {
public:
    void LoadFromFile(ImageDesc* desc, const wchar_t* path) override {
        seenDesc = desc;
        seenPath = path;
    }
    ImageDesc* seenDesc = nullptr;
    std::wstring seenPath;
};

TEST(IoPosixNarrowPath, LoadFromFileAGoesThroughTheOperationTable) {
    LoadFromFileSpy spy;
    ImageDesc desc{};
    static_cast<ICImageUtility&>(spy).LoadFromFileA(&desc, "dir/\xc3\xa4.png");
    EXPECT_EQ(spy.seenDesc, &desc);
    EXPECT_EQ(spy.seenPath, L"dir/\u00e4.png");
}

// ---- Stand-in bitmap handles and module resources.

TEST_F(IoPosix, BitmapHandlesReadAt32BitsTopDown) {
    // 2 x 2 pixels; 32-bit rows padded to 12 bytes, 24-bit rows to 8.
    const Bytes bits32 = {1, 2, 3, 4, 5, 6, 7, 8, 99, 99, 99, 99, 9, 10, 11, 12, 13, 14, 15, 16, 99, 99, 99, 99};
    const Bytes bits24 = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12, 99, 99};
    VelBitmapHandle record;
    LoadedImage first;
    utility->LoadFromHBitmap(&first.desc, VelMakeBitmapHandle(&record, 2, 2, 32, 12, bits32.data()));
    EXPECT_EQ(first.Pixels(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    LoadedImage second;
    utility->LoadFromHBitmap(&second.desc, VelMakeBitmapHandle(&record, 2, 2, 24, 8, bits24.data()));
    EXPECT_EQ(second.Pixels(), (Bytes{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}));

    const struct {
        int32_t width, height, bits, stride;
        const uint8_t* pixels;
    } kInvalid[] = {{2, 2, 16, 12, bits32.data()}, {2, 2, 32, 12, nullptr}, {0, 2, 32, 12, bits32.data()},
                    {2, -1, 32, 12, bits32.data()}, {2, 2, 32, 7, bits32.data()}};
    for (const auto& c : kInvalid) {
        CallerImage caller;
        utility->LoadFromHBitmap(caller.Desc(), VelMakeBitmapHandle(&record, c.width, c.height, c.bits, c.stride, c.pixels));
        EXPECT_TRUE(caller.Untouched());
    }
    CallerImage caller;
    utility->LoadFromHBitmap(caller.Desc(), nullptr);
    EXPECT_TRUE(caller.Untouched());
}

TEST_F(IoPosix, ResourcesAreFoundLikeFindResourceAndReachTheCallerPremultiplied) {
    ASSERT_EQ(Save("p.png", TestPicture()), VIU_S_OK);
    const Bytes png = ReadFile(directory / "p.png");
    const uint32_t size = static_cast<uint32_t>(png.size());
    const VelResource resources[] = {
        {"Pictures", 7, png.data(), size},
        {MAKEINTRESOURCEA(10), 8, png.data(), size},
        {"EMPTY", 9, png.data(), 0},
        {"#11", 12, png.data(), size},
    };
    VelModuleHandle record;
    HMODULE module = VelMakeModuleHandle(&record, resources, 4);
    const struct {
        const char* type;
        uint32_t id;
        bool found;
    } kLookups[] = {
        {"PICTURES", 7, true}, {"pictures", 0x10007, true}, {"Pictures", 8, false},
        {MAKEINTRESOURCEA(10), 8, true}, {"#10", 8, true}, {"#010", 8, true}, {MAKEINTRESOURCEA(11), 12, true},
        {"#10x", 8, false}, {"EMPTY", 9, false}, {MAKEINTRESOURCEA(10), 7, false},
    };
    for (const auto& lookup : kLookups) {
        SCOPED_TRACE(testing::Message() << "lookup " << (&lookup - kLookups));
        CallerImage caller;
        utility->LoadFromResource(caller.Desc(), module, lookup.type, lookup.id);
        if (!lookup.found) {
            EXPECT_TRUE(caller.Untouched());
            continue;
        }
        // Colour times alpha over 255, truncated; alpha kept.
        const Bytes picture = TestPicture();
        const uint8_t* loaded = caller.Desc()->data;
        for (size_t i = 0; i < picture.size(); i += 4) {
            const uint32_t alpha = picture[i + 3];
            ASSERT_EQ(loaded[i + 3], alpha);
            for (size_t c = 0; c < 3; ++c) ASSERT_EQ(loaded[i + c], picture[i + c] * alpha / 255) << i;
        }
        EXPECT_TRUE(caller.ValidLoadReleased());
    }
    CallerImage caller;
    utility->LoadFromResource(caller.Desc(), nullptr, "PICTURES", 7);
    utility->LoadFromResource(caller.Desc(), module, nullptr, 7);
    EXPECT_TRUE(caller.Untouched());
}

// A device-independent bitmap as a resource holds it: info header, colour
// table, pixels.
Bytes DibOf(const Bytes& bmpFile) { return Bytes(bmpFile.begin() + 14, bmpFile.end()); }

TEST_F(IoPosix, BitmapResourcesReadAsGdiReadsThem) {
    const Bytes dib24 = DibOf(ReadFile(DataDirectory() + "bmp_24.bmp"));
    const Bytes dib32 = DibOf(ReadFile(DataDirectory() + "bmp_32_rgb.bmp"));
    const Bytes expected24 = ReadFile(DataDirectory() + "bmp_24.bmp.bgra");
    const Bytes expected32 = ReadFile(DataDirectory() + "bmp_32_rgb.bmp.bgra");
    const Bytes stored32 = ReadFile(DataDirectory() + "bmp_32_rgb.bmp");
    const VelResource resources[] = {
        {RT_BITMAP, 1, dib24.data(), static_cast<uint32_t>(dib24.size())},
        {"#2", 2, dib32.data(), static_cast<uint32_t>(dib32.size())},
        {"BITMAP", 3, dib24.data(), static_cast<uint32_t>(dib24.size())},
    };
    VelModuleHandle record;
    HMODULE module = VelMakeModuleHandle(&record, resources, 3);

    // 24 bits: the fourth byte is 0. 32 bits: the stored fourth byte.
    LoadedImage first;
    utility->LoadFromBitmapResource(&first.desc, module, 1);
    ASSERT_EQ(first.desc.width, 13);
    const Bytes pixels24 = first.Pixels();
    for (size_t i = 0; i < pixels24.size(); ++i) ASSERT_EQ(pixels24[i], i % 4 == 3 ? 0 : expected24[i]);
    LoadedImage second;
    utility->LoadFromBitmapResource(&second.desc, module, 0x10002);
    ASSERT_EQ(second.desc.width, 13);
    const Bytes pixels32 = second.Pixels();
    for (int y = 0; y < 9; ++y) {
        for (int i = 0; i < 52; ++i) {
            const uint8_t stored = stored32[54 + (8 - y) * 52 + i];
            ASSERT_EQ(pixels32[y * 52 + i], i % 4 == 3 ? stored : expected32[y * 52 + i]);
        }
    }
    // Only RT_BITMAP resources are bitmaps; a DIB is no image file.
    for (uint32_t id : {3u, 4u}) {
        CallerImage caller;
        utility->LoadFromBitmapResource(caller.Desc(), module, id);
        utility->LoadFromResource(caller.Desc(), module, RT_BITMAP, 1);
        utility->LoadFromBitmapResource(caller.Desc(), nullptr, 1);
        EXPECT_TRUE(caller.Untouched());
    }
}

}  // namespace

#endif
