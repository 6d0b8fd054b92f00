// Image files, module resources and bitmap handles on either platform:
// the real GDI+, GDI and resource functions on Windows (under wine in CI),
// the codecs and stand-in handles elsewhere. On Windows also the external
// decoder component, served by the test itself; elsewhere the decoders
// against the corpus of tests/data, compared pixel by pixel with an
// independent reader's result, and damaged files, which must change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "core/CImageUtility.h"
#include "io/ImageFileFormats.h"
#include "io/PixelRows.h"
#include "test_support.h"
#ifdef _WIN32
#include "io/CGdiPlusBitmapWindows.h"
#include "io/ExternalImageDecoderWindows.h"
#else
#include "VelImageUtility/PlatformStandIns.h"
#include "io/DibReaderPosix.h"
#endif

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

// Each format, whatever the case of its extension (the spellings are
// pinned above): the file starts with its signature and loads back. BMP
// and JPEG come back opaque, JPEG within 3 per channel on average and 16
// at most.
TEST_F(ImageFiles, EveryWrittenFormatRoundTripsWhateverTheCaseOfItsExtension) {
    const struct { const char* name; int32_t width, height; Bytes magic; bool opaque; int meanError, maxError; }
        kCases[] = {
        {"a.BMP", 40, 24, {'B', 'M'}, true, 0, 0},             {"b.Jpg", 40, 24, {0xFF, 0xD8, 0xFF}, true, 3, 16},
        {"d.pNg", 40, 24, {0x89, 'P', 'N', 'G'}, false, 0, 0}, {"e.TiFf", 40, 24, {'I', 'I', 42, 0}, false, 0, 0},
        {"g.tif", 1, 1, {'I', 'I', 42, 0}, false, 0, 0},       {"v1.2 picture.bmp", 13, 9, {'B', 'M'}, true, 0, 0},
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
    fs::copy_file(directory / "p.png", directory / fs::u8path("Bild-\xc3\xa4\xe2\x82\xac.png"));
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
    // Narrow names are UTF-8, other bytes pass through, one character each;
    // the loaders' copy holds 259 characters and the terminator: longer
    // names are refused, however they come.
    const size_t room = 255 - directory.string().size();
    const std::string raw = (directory / ("raw-\xff\xfe\xc3" + std::string(room - 8, 'r') + ".png")).string();
    const std::string tooLong = (directory / (std::string(room, 'n') + ".png")).string();
    for (const std::string& path : {raw, tooLong}) WriteFile(path, png);
    ASSERT_TRUE(raw.size() == 259 && tooLong.size() == 260 && fs::exists(tooLong));
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

// The decoders' other row rules (red-blue swaps, premultiplying, CMYK inks)
// are pinned by the corpus. (1 * 255 + 1) / 2 = 128: unpremultiplying
// rounds, saturates and gives 0 at alpha 0; alpha 255 leaves colour alone
// and alpha 254 does not.
TEST(IoPixelRows, UnpremultiplyRoundsAndStopsAtTheRowEnd) {
    Bytes row = {1, 200, 0, 2, 9, 9, 9, 0, 254, 253, 0, 254, 10, 20, 30, 255, 0xEE};
    UnpremultiplyRow(row.data(), 4);
    EXPECT_EQ(row, (Bytes{128, 255, 0, 2, 0, 0, 0, 0, 255, 254, 0, 254, 10, 20, 30, 255, 0xEE}));
}

// ---- Module resources and bitmap handles

// Resource identifiers (tests/windows/test_resources.rc); the two images
// are tests/windows/resource_image.*.
constexpr uint32_t kPngResource = 101;  // type "PNG"
constexpr uint32_t kBitmapResource = 102;
constexpr uint32_t kRcDataPngResource = 103;
constexpr uint32_t kNotAnImageResource = 104;  // type "PNG", plain text

// The 5 x 3 picture both image resources hold (B, G, R, A), top row first.
const Bytes kResourcePixels = {
    0,  0,   255, 255, 0,   255, 0,   255, 255, 0,   0,   255, 255, 255, 255, 255, 0,  0,  0,  255,
    86, 52,  18,  255, 188, 154, 120, 255, 3,   2,   1,   255, 7,   128, 250, 255, 64, 64, 64, 255,
    50, 100, 200, 255, 199, 99,  9,   255, 128, 0,   128, 255, 128, 128, 0,   255, 99, 88, 77, 255,
};

// GDI keeps whatever it likes in the fourth byte of 24-bit pixels; the
// stand-ins give 0.
#ifdef _WIN32
Bytes AsGdiLeavesIt(const Bytes& pixels) { return WithAlpha(pixels, 0); }

HMODULE TestResources() {
    static const HMODULE module = [] {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        return LoadLibraryW((fs::path(path).parent_path() / L"viu_test_resources.dll").c_str());
    }();
    return module;
}

// A DIB section holding `rows` (top row first, rows 4-byte aligned).
HBITMAP MakeBitmap(int32_t width, int32_t height, int32_t bitCount, bool topDown, const Bytes& rows) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, topDown ? -height : height, 1, WORD(bitCount), BI_RGB, 0, 0, 0, 0, 0};
    uint8_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    const size_t stride = rows.size() / height;
    for (int32_t y = 0; bitmap != nullptr && y < height; ++y)
        std::copy_n(rows.begin() + stride * y, stride, bits + stride * (topDown ? y : height - 1 - y));
    GdiFlush();
    return bitmap;
}
void ReleaseBitmap(HBITMAP bitmap) { DeleteObject(bitmap); }
#else
Bytes AsGdiLeavesIt(const Bytes& pixels) { return pixels; }

// The resources of the Windows test module, as stand-ins, and a few more
// for the name rules.
HMODULE TestResources() {
    static const Bytes png = ReadFile(VIU_TEST_DATA "../windows/resource_image.png");
    static const Bytes bmp = ReadFile(VIU_TEST_DATA "../windows/resource_image.bmp");
    static const Bytes dib(bmp.begin() + 14, bmp.end()), text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a'};
    const uint32_t size = uint32_t(png.size()), dibSize = uint32_t(dib.size());
    static const VelResource resources[] = {
        {"PNG", kPngResource, png.data(), size},   {RT_BITMAP, kBitmapResource, dib.data(), dibSize},
        {MAKEINTRESOURCEA(10), kRcDataPngResource, png.data(), size},
        {"PNG", kNotAnImageResource, text.data(), uint32_t(text.size())},
        {"EMPTY", 105, png.data(), 0},            {"#11", 106, png.data(), size},
        {"#2", 107, dib.data(), dibSize},         {"BITMAP", 108, dib.data(), dibSize}};
    static VelModuleHandle record;
    return VelMakeModuleHandle(&record, resources, 8);
}

HBITMAP MakeBitmap(int32_t width, int32_t height, int32_t bitCount, bool, const Bytes& rows) {
    static VelBitmapHandle record;
    return VelMakeBitmapHandle(&record, width, height, bitCount, int32_t(rows.size() / height), rows.data());
}
void ReleaseBitmap(HBITMAP bitmap) { VelReleaseBitmapHandle(bitmap); }
#endif

// Found as FindResource finds them; encoded images are read by content, and
// bitmaps as through GDI, whose 24-bit pixels leave the fourth byte to it.
TEST(IoResources, EncodedAndBitmapResourcesLoadOrLeaveTheCallerAlone) {
    const HMODULE module = TestResources();
    ASSERT_NE(module, nullptr);
    const char* const kBitmap = "(LoadFromBitmapResource)";
    const struct { HMODULE module; const char* type; uint32_t id; bool loads; } kCases[] = {
        // Names in any case; only the low 16 bits of the identifier count.
        {module, "PNG", kPngResource, true},          {module, "png", 0x10000u + kPngResource, true},
        {module, "#10", kRcDataPngResource, true},    {module, MAKEINTRESOURCEA(10), kRcDataPngResource, true},
        {module, kBitmap, kBitmapResource, true},     {module, kBitmap, 0x10000u + kBitmapResource, true},
        {module, "PNG", 999, false},                  {module, "JPEG", kPngResource, false},
        {module, "PNG", kNotAnImageResource, false},  {module, "EMPTY", 105, false},
        {module, nullptr, kPngResource, false},       {module, kBitmap, 999, false},
        {module, MAKEINTRESOURCEA(2), kBitmapResource, false},  // a bitmap is no image file
        // Not in the executable.
        {nullptr, "PNG", kPngResource, false},        {nullptr, kBitmap, kBitmapResource, false},
#ifndef _WIN32
        {module, "#010", kRcDataPngResource, true},   {module, "#10x", kRcDataPngResource, false},
        {module, MAKEINTRESOURCEA(11), 106, true},    {module, kBitmap, 107, true},
        {module, kBitmap, 108, false},  // "BITMAP" is a name, not the type
#endif
    };
    CImageUtility utility;
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - kCases));
        CallerImage caller;
        const bool bitmap = c.type == kBitmap;
        if (bitmap) utility.LoadFromBitmapResource(caller.Desc(), c.module, c.id);
        if (!bitmap) utility.LoadFromResource(caller.Desc(), c.module, c.type, c.id);
        EXPECT_TRUE(c.loads ? caller.Loaded(5, 3) : caller.Untouched());
        const Bytes expected = !c.loads ? Bytes(32, 0x5A) : bitmap ? WithAlpha(kResourcePixels, 0) : kResourcePixels;
        EXPECT_EQ(bitmap && c.loads ? AsGdiLeavesIt(caller.Pixels()) : caller.Pixels(), expected);
    }
}

// Any handle reads as 4-byte pixels, top row first; a 24-bit one leaves the
// fourth byte to GDI.
TEST(IoBitmapHandles, ReadTopDownAsFourBytePixels) {
    const struct { int32_t width, height, bitCount; bool topDown; } kCases[] = {
        {6, 4, 32, true}, {5, 3, 24, true}, {1, 1, 32, true},
#ifdef _WIN32
        {6, 4, 32, false}, {5, 3, 24, false},
#endif
    };
    CImageUtility utility;
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - kCases));
        const int32_t bytesPerPixel = c.bitCount / 8, rowBytes = (c.width * bytesPerPixel + 3) / 4 * 4;
        const Bytes rows = RandomBytes(size_t(rowBytes) * c.height, uint32_t(c.width * c.bitCount));
        Bytes want(size_t(c.width) * c.height * 4, 0);
        for (int32_t i = 0; i < c.width * c.height; ++i)
            std::copy_n(&rows[(i / c.width) * rowBytes + (i % c.width) * bytesPerPixel], bytesPerPixel, &want[i * 4]);
        const HBITMAP bitmap = MakeBitmap(c.width, c.height, c.bitCount, c.topDown, rows);
        CallerImage loaded, dead;
        utility.LoadFromHBitmap(loaded.Desc(), bitmap);
        ReleaseBitmap(bitmap);
        ASSERT_TRUE(loaded.Loaded(c.width, c.height));
        EXPECT_EQ(c.bitCount == 32 ? loaded.Pixels() : AsGdiLeavesIt(loaded.Pixels()), want);
        utility.LoadFromHBitmap(dead.Desc(), bitmap);  // the handle is gone now
        EXPECT_TRUE(dead.Untouched());
    }
#ifndef _WIN32
    // Stand-ins that describe no pixels GDI could hold.
    const Bytes bits(64, 7);
    const struct { int32_t width, height, bits, stride; const uint8_t* pixels; } kInvalid[] = {
        {2, 2, 16, 12, bits.data()}, {2, 2, 32, 12, nullptr}, {0, 2, 32, 12, bits.data()},
        {2, -1, 32, 12, bits.data()}, {2, 2, 32, 7, bits.data()}};
    VelBitmapHandle record;
    CallerImage caller;
    for (const auto& c : kInvalid)
        utility.LoadFromHBitmap(caller.Desc(), VelMakeBitmapHandle(&record, c.width, c.height, c.bits, c.stride, c.pixels));
    EXPECT_TRUE(caller.Untouched());
#endif
}

#ifdef _WIN32
TEST(IoResources, ResourceHolderKeepsItsCopyWhileTheBitmapLives) {
    GdiPlusSession session;
    CGdiPlusBitmapResource holder;
    ASSERT_TRUE(holder.Load(kPngResource, "PNG", TestResources()));
    EXPECT_NE(holder.resourceCopy, nullptr);
    EXPECT_EQ(holder.bitmap->GetWidth(), 5u);
    EXPECT_FALSE(holder.Load(kNotAnImageResource, "PNG", TestResources()));
    EXPECT_TRUE(holder.bitmap == nullptr && holder.resourceCopy == nullptr);
    EXPECT_TRUE(holder.Load("#101", "PNG", TestResources()));
    holder.Empty();
    EXPECT_TRUE(holder.bitmap == nullptr && holder.resourceCopy == nullptr);
}

// A decoder component of the test's own: it opens any path that ends in
// ".viur" as 3 x 2 pixels of kRawPixels, but cannot copy them when the path
// holds "nocopy". It counts the Open calls and keeps the last path.
const Bytes kRawPixels = RandomBytes(3 * 2 * 4, 29);
class RawDecoder : public IExternalImageDecoder {
public:
    virtual ~RawDecoder() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        const bool known = iid == IID_IUnknown || iid == kExternalImageDecoderIid;
        *object = known ? static_cast<IExternalImageDecoder*>(this) : nullptr;
        if (known) AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Open(const wchar_t* path) override {
        ++opens, lastPath = path;
        failCopy_ = lastPath.find(L"nocopy") != std::wstring::npos;
        return lastPath.size() > 5 && lastPath.substr(lastPath.size() - 5) == L".viur" ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetHeight(uint32_t* height) override { return *height = 2, S_OK; }
    HRESULT STDMETHODCALLTYPE GetWidth(uint32_t* width) override { return *width = 3, S_OK; }
    HRESULT STDMETHODCALLTYPE CopyPixels(uint8_t* buffer, uint32_t width, uint32_t height, uint32_t stride) override {
        if (failCopy_ || width != 3 || height != 2) return E_FAIL;
        for (uint32_t y = 0; y < height; ++y) std::memcpy(buffer + size_t{y} * stride, &kRawPixels[y * 12], 12);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unused3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused11() override { return E_NOTIMPL; }

    static inline long opens = 0;
    static inline std::wstring lastPath;

private:
    ULONG references_ = 1;
    bool failCopy_ = false;
};

// Its class object, registered for this process while the object lives,
// with COM initialised on the test thread, as a host does.
class RegisteredTestDecoder : public IClassFactory {
public:
    RegisteredTestDecoder() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CoRegisterClassObject(kExternalImageDecoderClsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    }
    ~RegisteredTestDecoder() {
        CoRevokeClassObject(cookie_);
        CoUninitialize();
    }
    bool Ready() const { return cookie_ != 0; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        const bool known = iid == IID_IUnknown || iid == IID_IClassFactory;
        *object = known ? static_cast<IClassFactory*>(this) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        RawDecoder* decoder = new RawDecoder();
        const HRESULT result = decoder->QueryInterface(iid, object);
        decoder->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    DWORD cookie_ = 0;
};

TEST_F(ImageFiles, DecoderComponentIsTriedFirstAndHasTheLastWord) {
    const Bytes picture = WithAlpha(TestPicture(4, 3), 255);
    const std::wstring png = File("plain.png"), raw = File("raw.viur");
    ASSERT_EQ(Save("plain.png", picture, 4, 3), VIU_S_OK);
    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const long opens = RawDecoder::opens;
    CallerImage loaded;
    utility.LoadFromFile(loaded.Desc(), raw.c_str());
    EXPECT_EQ(RawDecoder::lastPath, raw);
    ASSERT_TRUE(loaded.Loaded(3, 2));
    EXPECT_EQ(loaded.Pixels(), kRawPixels);
    // The component cannot open the PNG, nor copy the other, and GDI+ is
    // not tried after it.
    for (const std::wstring& path : {png, File("nocopy.viur")}) {
        CallerImage caller;
        utility.LoadFromFile(caller.Desc(), path.c_str());
        EXPECT_TRUE(caller.Untouched());
    }
    EXPECT_EQ(RawDecoder::opens, opens + 3);

    // Without COM on the calling thread no object comes back: GDI+ loads.
    CallerImage viaGdiPlus;
    std::thread([&] { utility.LoadFromFile(viaGdiPlus.Desc(), png.c_str()); }).join();
    EXPECT_EQ(RawDecoder::opens, opens + 3);
    ASSERT_TRUE(viaGdiPlus.Loaded(4, 3));
    EXPECT_EQ(viaGdiPlus.Pixels(), picture);

    // Paths longer than the loaders' copy never reach the component.
    const std::wstring fits = L"C:\\" + std::wstring(259 - 3 - 4, L'a') + L".png", tooLong = L"C:\\a" + fits.substr(3);
    CallerImage caller;
    utility.LoadFromFile(caller.Desc(), fits.c_str());
    EXPECT_EQ(RawDecoder::lastPath, fits);
    utility.LoadFromFile(caller.Desc(), tooLong.c_str());
    utility.LoadFromFileA(caller.Desc(), std::string(tooLong.begin(), tooLong.end()).c_str());
    EXPECT_EQ(RawDecoder::opens, opens + 4);
    EXPECT_TRUE(caller.Untouched());
}

#else
std::string DataDirectory() { return VIU_TEST_DATA; }

// The bytes as the one image resource of a stand-in module.
void LoadFromMemory(ICImageUtility* utility, ImageDesc* desc, const Bytes& bytes) {
    const VelResource resource = {"IMAGE", 1, bytes.data(), static_cast<uint32_t>(bytes.size())};
    VelModuleHandle module;
    utility->LoadFromResource(desc, VelMakeModuleHandle(&module, &resource, 1), "IMAGE", 1);
}

bool LoadChangesNothing(const Bytes& bytes) {
    CImageUtility utility;
    CallerImage caller;
    LoadFromMemory(&utility, caller.Desc(), bytes);
    return caller.Untouched();
}

// Every file decodes as the independent reader saw it. Truncated files
// change nothing; randomly damaged ones may still be a picture, but
// whatever comes out is a whole image or nothing, never a crash or a leak.
TEST(IoCorpus, EveryFileDecodesAsTheIndependentReaderSawAndDamageGivesAWholeImageOrNothing) {
    CImageUtility utility;
    std::mt19937 random(20240517);
    std::ifstream list(DataDirectory() + "corpus.txt");
    int files = 0;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        ++files;
        struct { std::string name; int32_t width = 0, height = 0, tolerance = 0; } file;
        std::istringstream(line) >> file.name >> file.width >> file.height >> file.tolerance;
        SCOPED_TRACE(file.name);
        CallerImage loaded;
        utility.LoadFromFile(loaded.Desc(), Wide(DataDirectory() + file.name).c_str());
        ASSERT_TRUE(loaded.Loaded(file.width, file.height));
        const Bytes expected = ReadFile(DataDirectory() + file.name + ".bgra"), pixels = loaded.Pixels();
        ASSERT_EQ(pixels.size(), expected.size());
        for (size_t i = 0; i < pixels.size(); ++i) ASSERT_LE(std::abs(pixels[i] - expected[i]), file.tolerance) << i;
        const Bytes whole = ReadFile(DataDirectory() + file.name);
        // As an image resource it comes premultiplied: colour times alpha over 255, truncated.
        Bytes premultiplied = pixels;
        for (size_t i = 0; i < pixels.size(); ++i)
            if (i % 4 != 3) premultiplied[i] = static_cast<uint8_t>(pixels[i] * pixels[i | 3] / 255);
        CallerImage resource;
        LoadFromMemory(&utility, resource.Desc(), whole);
        EXPECT_EQ(resource.Pixels(), premultiplied);
        // An animated GIF cut after its first frame is still a picture.
        const size_t longest = file.name.find("animated") != std::string::npos ? whole.size() / 4 : whole.size();
        for (size_t length : {size_t{0}, size_t{1}, size_t{2}, size_t{4}, size_t{8}, size_t{16}, size_t{32},
                              whole.size() / 4, whole.size() / 2, whole.size() * 3 / 4})
            EXPECT_TRUE(length > longest || LoadChangesNothing(Bytes(whole.begin(), whole.begin() + length))) << length;
        for (int trial = 0; trial < 24; ++trial) {
            Bytes bytes = whole;
            for (int flip = 0; flip <= trial % 4; ++flip)
                bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            CallerImage caller;
            LoadFromMemory(&utility, caller.Desc(), bytes);
            ASSERT_TRUE(caller.Untouched() || caller.ValidLoadReleased()) << "trial " << trial;
        }
    }
    EXPECT_GE(files, 70);
}

// tests/data/damaged.txt: oversized files, and damage that every decoder
// must notice.
TEST(IoCorpus, OversizedAndDamagedFilesChangeNothing) {
    std::ifstream list(DataDirectory() + "damaged.txt");
    int rows = 0;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::string name, at, value;
        std::istringstream(line) >> name >> at >> value;
        Bytes bytes = ReadFile(DataDirectory() + name), pattern;
        const size_t plus = at.find('+');
        for (size_t i = 0; plus != std::string::npos && i < plus; i += 2)
            pattern.push_back(static_cast<uint8_t>(std::stoul(at.substr(i, 2), nullptr, 16)));
        if (at != "-") {
            const auto found = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
            const ptrdiff_t offset = std::stol(plus == std::string::npos ? at : at.substr(plus + 1));
            ASSERT_GT(bytes.end() - found, offset) << line;
            found[offset] = static_cast<uint8_t>(std::stoul(value, nullptr, 16));
        }
        EXPECT_TRUE(!bytes.empty() && LoadChangesNothing(bytes)) << line;
        ++rows;
    }
    EXPECT_EQ(rows, 19);
}

// ---- Rules of the bitmap and icon readers that the corpus does not pin.

// A device-independent bitmap: a 40-byte info header, the bit masks, the
// colour table, the pixels.
Bytes Dib(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const Bytes& pixels,
          const Bytes& table = {}, const Bytes& masks = {}) {
    const uint32_t fields[] = {40, uint32_t(width), uint32_t(height), 1u | bits << 16, compression, 0, 0, 0,
                               uint32_t(table.size() / 4), 0};
    Bytes dib(reinterpret_cast<const uint8_t*>(fields), reinterpret_cast<const uint8_t*>(fields) + 40);
    for (const Bytes* part : {&masks, &table, &pixels}) dib.insert(dib.end(), part->begin(), part->end());
    return dib;
}

Bytes DecodedDib(const Bytes& dib, DibAlpha alpha) {
    CImageBase working(nullptr, 0, 0, 0, 4);
    DecodeTarget target(working);
    if (!DecodeDib(dib.data(), dib.size(), alpha, target) || !target.Keep()) return {};
    Bytes pixels(working.data, working.data + working.height * working.stride);
    ReleasePixelBuffer(working.data);
    return pixels;
}

TEST(IoDib, RunLengthSkipsBitFieldsAndAlphaFollowTheRulesOfTheirReader) {
    const Bytes table = {0, 0, 0, 0, 10, 20, 30, 0, 40, 50, 60, 0};
    const Bytes pixel = {1, 2, 3, 0x80};
    const Bytes rgba = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF};  // masks of R, G, B, A
    const Bytes bgr = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};                  // an unusual order
    const Bytes odd = {0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 3, 0, 0, 0};  // R 0x3FF00000, G none, B 0x00000003
    const struct { Bytes dib; DibAlpha alpha; Bytes expected; } kCases[] = {
        // 4 x 2, bottom-up: a pixel of index 1, a skip (2, 1) to x 3 of the
        // top row, a pixel of index 2, end; skipped pixels stay clear.
        {Dib(4, 2, 8, 1, {1, 1, 0, 2, 2, 1, 1, 2, 0, 1}, table), DibAlpha::kImageFile,
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 50, 60, 255,  // top row
          10, 20, 30, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // A run longer than the row is cut at its end; the next row starts clean.
        {Dib(2, 2, 8, 1, {9, 2, 0, 0, 1, 1, 0, 1}, table), DibAlpha::kGdiBitmap,
         {10, 20, 30, 0, 0, 0, 0, 0, 40, 50, 60, 0, 40, 50, 60, 0}},
        {Dib(2, 2, 8, 1, {2, 1, 0, 0}, table), DibAlpha::kImageFile, {}},  // data ends before the last row
        // An RLE4 run alternates the high and the low nibble.
        {Dib(2, 1, 4, 2, {2, 0x12, 0, 1}, table), DibAlpha::kGdiBitmap, {10, 20, 30, 0, 40, 50, 60, 0}},
        // Image files take alpha only from a declared field; GDI passes the
        // fourth byte on in the usual layout only.
        {Dib(1, 1, 32, 0, pixel), DibAlpha::kImageFile, {1, 2, 3, 255}},
        {Dib(1, 1, 32, 0, pixel), DibAlpha::kGdiBitmap, {1, 2, 3, 0x80}},
        {Dib(1, 1, 32, 6, pixel, {}, rgba), DibAlpha::kImageFile, {1, 2, 3, 0x80}},
        {Dib(1, 1, 32, 3, pixel, {}, bgr), DibAlpha::kGdiBitmap, {3, 2, 1, 0}},
        // Fields wider than 8 bits keep their top 8; narrower ones repeat
        // their bits (binary 10 -> 10101010); a missing field reads 0.
        {Dib(1, 1, 32, 3, {2, 0, 0x10, 0x20}, {}, odd), DibAlpha::kImageFile, {0xAA, 0, 0x80, 255}},
    };
    for (const auto& c : kCases) EXPECT_EQ(DecodedDib(c.dib, c.alpha), c.expected) << "case " << (&c - kCases);
}

// Through a file: a resource would come premultiplied, which clears it too.
TEST_F(ImageFiles, IconMaskClearsWhateverColourIsUnderIt) {
    // A 2 x 1 24-bit icon image (height doubled for the mask): both pixels
    // white, the second masked.
    const Bytes image = Dib(2, 2, 24, 0, {255, 255, 255, 255, 255, 255, 0, 0, 0x40, 0, 0, 0});
    Bytes icon = {0, 0, 1, 0, 1, 0, 2, 1, 0, 0, 1, 0, 24, 0, uint8_t(image.size()), 0, 0, 0, 22, 0, 0, 0};
    icon.insert(icon.end(), image.begin(), image.end());
    WriteFile((directory / "mask.ico").string(), icon);
    CallerImage caller;
    utility.LoadFromFile(caller.Desc(), File("mask.ico").c_str());
    EXPECT_EQ(caller.Pixels(), (Bytes{255, 255, 255, 255, 0, 0, 0, 0}));
}

#endif

}  // namespace
