// Saving and loading image files through the interface on either platform,
// and the path and extension rules behind them.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "core/CImageUtility.h"
#include "io/ImageFileFormats.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;
namespace fs = std::filesystem;

namespace {

TEST(ImageFileFormats, ExtensionOfTheLastPathComponentPicksTheMimeTypeWithoutRegardToCase) {
    const struct { const wchar_t* path; const char* mime; } kCases[] = {
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
        EXPECT_EQ(wide == nullptr ? L"" : std::wstring(wide), Wide(expected));
    }
    for (size_t length : {0, 259, 260, 1000}) {  // the loaders' copy holds 259 characters and the terminator
        EXPECT_EQ(PathFitsLoaderCopy(std::wstring(length, L'x').c_str()), length < 260) << length;
    }
    EXPECT_FALSE(PathFitsLoaderCopy(nullptr));
}

// A fresh scratch directory for each test, removed with everything in it.
class ImageFiles : public testing::Test {
protected:
    ImageFiles() { fs::create_directories(directory); }
    ~ImageFiles() override {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
    std::wstring File(const std::string& name) const { return (directory / name).wstring(); }
    // Saves through a bottom-up descriptor (first row last, negative stride,
    // 8 bytes of padding) whose bytes per pixel say 1: rows are found by
    // stride, and pixels have 4 bytes whatever the descriptor says.
    HRESULT Save(const std::string& name, const Bytes& pixels, int32_t width = 13, int32_t height = 9) {
        const int32_t rowBytes = width * 4, stride = rowBytes + 8;
        Bytes rows(size_t(stride) * height, 0xEE);
        for (int32_t y = 0; y < height; ++y)
            std::copy_n(pixels.begin() + rowBytes * y, rowBytes, rows.end() - stride * (y + 1));
        ImageDesc desc{rows.data() + rows.size() - stride, width, height, -stride, 1, true};
        return utility.SaveToFile(&desc, File(name).c_str());
    }

    const fs::path directory = fs::temp_directory_path() / ("viu-files-" + std::to_string(std::random_device()()));
    CImageUtility utility;
};

Bytes WithAlpha(Bytes pixels, uint8_t alpha) {
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = alpha;
    return pixels;
}

// Every extension of the table in any case: the file starts with its
// format's signature and loads back. BMP and JPEG come back opaque, JPEG
// within 3 per channel on average and 16 at most.
TEST_F(ImageFiles, EveryWrittenFormatRoundTripsWhateverTheCaseOfItsExtension) {
    const struct {
        const char* name;
        int32_t width, height;
        Bytes magic;
        bool opaque;
        int meanError, maxError;
    } kCases[] = {
        {"a.BMP", 40, 24, {'B', 'M'}, true, 0, 0},          {"b.Jpg", 40, 24, {0xFF, 0xD8, 0xFF}, true, 3, 16},
        {"c.JPEG", 40, 24, {0xFF, 0xD8, 0xFF}, true, 3, 16}, {"d.pNg", 40, 24, {0x89, 'P', 'N', 'G'}, false, 0, 0},
        {"e.TIF", 40, 24, {'I', 'I', 42, 0}, false, 0, 0},  {"f.TiFf", 40, 24, {'I', 'I', 42, 0}, false, 0, 0},
        {"g.tif", 1, 1, {'I', 'I', 42, 0}, false, 0, 0},    {"v1.2 picture.bmp", 13, 9, {'B', 'M'}, true, 0, 0},
    };
    for (const auto& c : kCases) {
        const Bytes picture = TestPicture(c.width, c.height);
        ASSERT_EQ(Save(c.name, picture, c.width, c.height), VIU_S_OK) << c.name;
        const Bytes file = ReadFile((directory / c.name).string());
        EXPECT_TRUE(file.size() >= 4 && std::equal(c.magic.begin(), c.magic.end(), file.begin())) << c.name;
        CallerImage loaded;
        utility.LoadFromFile(loaded.Desc(), File(c.name).c_str());
        ASSERT_TRUE(loaded.Loaded(c.width, c.height)) << c.name;
        const Bytes pixels = loaded.Pixels(), expected = c.opaque ? WithAlpha(picture, 255) : picture;
        int64_t error = 0;
        int worst = 0;
        for (size_t i = 0; i < pixels.size(); ++i)
            error += std::abs(pixels[i] - expected[i]), worst = std::max(worst, std::abs(pixels[i] - expected[i]));
        EXPECT_LE(error, int64_t{c.meanError} * c.width * c.height * 3) << c.name;
        EXPECT_LE(worst, c.maxError) << c.name;
    }
}

TEST_F(ImageFiles, RefusedSavesReturnEFailAndCreateNoFile) {
    Bytes picture = TestPicture();
    uint8_t* p = picture.data();
    fs::create_directory(directory / "folder.png");
    const struct { const char* name; uint8_t* data; int32_t width, height, stride; } kCases[] = {
        {"a.gif", p, 13, 9, 52},         {"a.GIF", p, 13, 9, 52},       {"a", p, 13, 9, 52},
        {"a.", p, 13, 9, 52},            {"a.png.txt", p, 13, 9, 52},   {"folder.png/a", p, 13, 9, 52},
        {"missing/a.png", p, 13, 9, 52}, {"a.png", nullptr, 13, 9, 52}, {"a.png", p, 0, 9, 52},
        {"a.png", p, 13, 0, 52},         {"a.png", p, -13, 9, 52},      {"a.png", p, 13, -9, 52},
        {"a.png", p, 13, 9, 0},          {"a.png", p, 12, 9, 50},  // rows of whole 4-byte words only
    };
    for (const auto& c : kCases) {
        ImageDesc desc{c.data, c.width, c.height, c.stride, 4, false};
        EXPECT_EQ(utility.SaveToFile(&desc, File(c.name).c_str()), VIU_E_FAIL) << c.name << " " << c.width;
        EXPECT_FALSE(fs::exists(directory / c.name)) << c.name;
    }
    ImageDesc desc{p, 13, 9, 52, 4, false};
    EXPECT_EQ(utility.SaveToFile(nullptr, File("a.png").c_str()), VIU_E_FAIL);
    EXPECT_EQ(utility.SaveToFile(&desc, nullptr), VIU_E_FAIL);
    EXPECT_FALSE(fs::exists(directory / "a.png"));
}

// Loaders tell the format from the content; when they fail, the caller's
// descriptor and buffer stay exactly as they were.
TEST_F(ImageFiles, LoadFromFileReadsByContentAndChangesNothingWhenItFails) {
    const Bytes picture = WithAlpha(TestPicture(), 7);
    ASSERT_EQ(Save("p.png", TestPicture()), VIU_S_OK);
    ASSERT_EQ(Save("p.png", picture), VIU_S_OK);  // replaces the file
    const Bytes png = ReadFile((directory / "p.png").string());
    WriteFile((directory / "named.jpg").string(), png);
    WriteFile((directory / "no-extension").string(), png);
    WriteFile((directory / "garbage.png").string(), Bytes(300, 0x42));
    WriteFile((directory / "truncated.png").string(), Bytes(png.begin(), png.begin() + 16));  // inside the first chunk
    WriteFile((directory / "empty.bmp").string(), {});
    fs::create_directory(directory / "folder.png");
#ifdef _WIN32
    fs::copy_file(directory / "p.png", directory / L"Bild-\u00e4\u20ac.png");
#else
    fs::copy_file(directory / "p.png", directory / "Bild-\xc3\xa4\xe2\x82\xac.png");  // as UTF-8
#endif
    const std::pair<const wchar_t*, bool> kCases[] = {
        {L"named.jpg", true},     {L"no-extension", true}, {L"Bild-\u00e4\u20ac.png", true}, {L"garbage.png", false},
        {L"truncated.png", false}, {L"empty.bmp", false},   {L"folder.png", false},            {L"missing.png", false}};
    for (const auto& [name, loads] : kCases) {
        for (bool copy : {true, false}) {
            CallerImage caller(copy);
            utility.LoadFromFile(caller.Desc(), ((directory / "").wstring() + name).c_str());
            EXPECT_TRUE(loads ? caller.Loaded(13, 9) && caller.Pixels() == picture : caller.Untouched()) << copy;
        }
    }
#ifndef _WIN32
    // Narrow names are UTF-8, other bytes pass through; names longer than
    // the loaders' 260-character copy are refused, however they come.
    const std::string raw = (directory / "raw-\xff\xfe\xc3.png").string();
    const std::string tooLong = (directory / (std::string(255 - directory.string().size(), 'n') + ".png")).string();
    for (const std::string& path : {raw, tooLong}) WriteFile(path, png);
    ASSERT_TRUE(tooLong.size() == 260 && fs::exists(tooLong));
    CallerImage narrow, longWide, longNarrow;
    utility.LoadFromFileA(narrow.Desc(), raw.c_str());
    utility.LoadFromFile(longWide.Desc(), Wide(tooLong).c_str());
    utility.LoadFromFileA(longNarrow.Desc(), tooLong.c_str());
    EXPECT_TRUE(narrow.Loaded(13, 9) && narrow.Pixels() == picture);
    EXPECT_TRUE(longWide.Untouched() && longNarrow.Untouched());
#endif
}

// LoadFromFileA reaches LoadFromFile through the object's table with the
// whole path in wide form.
class LoadFromFileSpy : public CImageUtility {
public:
    void LoadFromFile(ImageDesc* desc, const wchar_t* path) override { seenDesc = desc, seenPath = path; }
    ImageDesc* seenDesc = nullptr;
    std::wstring seenPath;
};

TEST(ImageFilesNarrowPath, LoadFromFileAGoesThroughTheOperationTable) {
    LoadFromFileSpy spy;
    ImageDesc desc{};
    static_cast<ICImageUtility&>(spy).LoadFromFileA(&desc, "C:\\some folder\\picture name.Jpeg");
    EXPECT_EQ(spy.seenDesc, &desc);
    EXPECT_EQ(spy.seenPath, L"C:\\some folder\\picture name.Jpeg");
#ifndef _WIN32  // UTF-8; bytes that are not UTF-8 as U+DC80..U+DCFF
    static_cast<ICImageUtility&>(spy).LoadFromFileA(&desc, "d/\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80\xff\xc3.png");
    EXPECT_EQ(spy.seenPath, std::wstring(L"d/\u00e4\u20ac\U0001F600") + wchar_t(0xDCFF) + wchar_t(0xDCC3) + L".png");
#endif
}

}  // namespace
