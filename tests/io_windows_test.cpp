// Image files, module resources and bitmap handles on Windows, through the
// real GDI+, GDI, USER, resource and COM functions (under wine in CI).
// Saving and loading by extension and content: image_file_formats_test.cpp.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/CImageUtility.h"
#include "io/CGdiPlusBitmapWindows.h"
#include "test_support.h"

using namespace VelImageUtility;
using namespace VelImageUtility::test;
namespace fs = std::filesystem;

namespace {

// Resource identifiers of viu_test_resources.dll (tests/windows/test_resources.rc).
constexpr uint32_t kPngResource = 101;  // type "PNG"
constexpr uint32_t kBitmapResource = 102;
constexpr uint32_t kRcDataPngResource = 103;
constexpr uint32_t kNotAnImageResource = 104;  // type "PNG", plain text

// The 5 x 3 picture both image resources hold (B, G, R, A), top row first
// (tests/windows/make_resource_images.py).
const Bytes kResourcePixels = {
    0,  0,   255, 255, 0,   255, 0,   255, 255, 0,   0,   255, 255, 255, 255, 255, 0,  0,  0,  255,
    86, 52,  18,  255, 188, 154, 120, 255, 3,   2,   1,   255, 7,   128, 250, 255, 64, 64, 64, 255,
    50, 100, 200, 255, 199, 99,  9,   255, 128, 0,   128, 255, 128, 128, 0,   255, 99, 88, 77, 255,
};

fs::path ExecutableDirectory() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// The colours alone, where GDI keeps whatever it likes in the fourth byte.
Bytes Colours(Bytes pixels) {
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;
    return pixels;
}

// The test decoder component (viu_test_decoder.dll) registered while the
// object lives, and the counters it keeps. Windows merges the per-user
// classes into HKEY_CLASSES_ROOT, where the second write then lands too;
// wine (8.0) does not, and takes the class from the test's own prefix.
class RegisteredTestDecoder {
public:
    RegisteredTestDecoder() {
        const std::wstring dll = (ExecutableDirectory() / L"viu_test_decoder.dll").wstring();
        module_ = LoadLibraryW(dll.c_str());
        for (int i = 0; i < 2; ++i) {
            const std::wstring server = std::wstring(kClassKeys[i]) + L"\\InprocServer32";
            RegSetKeyValueW(Root(i), server.c_str(), nullptr, REG_SZ, dll.c_str(), DWORD((dll.size() + 1) * 2));
            RegSetKeyValueW(Root(i), server.c_str(), L"ThreadingModel", REG_SZ, L"Both", sizeof(L"Both"));
        }
    }
    ~RegisteredTestDecoder() {
        for (int i = 0; i < 2; ++i) RegDeleteTreeW(Root(i), kClassKeys[i]);
        CoFreeUnusedLibraries();
        if (module_ != nullptr) FreeLibrary(module_);
    }
    bool Ready() const { return module_ != nullptr; }
    long OpenCount() const { return Export<long (*)()>("TestDecoderOpenCount")(); }
    std::wstring LastPath() const {
        wchar_t path[1024] = {};
        Export<void (*)(wchar_t*, size_t)>("TestDecoderLastPath")(path, 1024);
        return path;
    }

private:
    static constexpr const wchar_t* kClassKeys[] = {L"Software\\Classes\\CLSID\\{3B9E5D21-7C4A-4F0E-9A61-2D8C5E7F1A03}",
                                                    L"CLSID\\{3B9E5D21-7C4A-4F0E-9A61-2D8C5E7F1A03}"};
    static HKEY Root(int i) { return i == 0 ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT; }
    template <typename Function>
    Function Export(const char* name) const {
        // Through the generic function type, which converts to any other.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }
    HMODULE module_ = nullptr;
};

// COM initialised on the test thread, as a host does, and a fresh scratch
// directory for each test, removed with everything in it.
class ImageFileIoWindows : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        fs::create_directories(scratch_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
        CoUninitialize();
    }
    std::wstring File(const wchar_t* name) const { return (scratch_ / name).wstring(); }

    CImageUtility utility;
    const fs::path scratch_ = fs::temp_directory_path() / ("viu_io_" + std::to_string(GetCurrentProcessId()));
};

// ---- The external decoder component

// Files the test decoder component reads: magic, width, height, packed pixels.
Bytes RawDecoderFile(const char* magic, uint32_t width, uint32_t height) {
    Bytes bytes(magic, magic + 4);
    for (uint32_t value : {width, height})
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    for (uint32_t i = 0; i < width * height * 4; ++i) bytes.push_back(static_cast<uint8_t>(i * 29 + 3));
    return bytes;
}

TEST_F(ImageFileIoWindows, DecoderComponentIsTriedFirstAndHasTheLastWord) {
    Bytes picture = TestPicture(4, 3);
    for (size_t i = 3; i < picture.size(); i += 4) picture[i] = 255;
    ImageDesc source{picture.data(), 4, 3, 16, 4, false};
    const std::wstring png = File(L"plain.png"), raw = File(L"raw.viur"), noCopy = File(L"nocopy.viur");
    ASSERT_EQ(utility.SaveToFile(&source, png.c_str()), 0);
    const Bytes rawBytes = RawDecoderFile("VIUR", 3, 2);
    WriteFile(fs::path(raw).string(), rawBytes);
    WriteFile(fs::path(noCopy).string(), RawDecoderFile("VIUF", 4, 4));  // opens, then cannot copy

    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const long opens = decoder.OpenCount();
    CallerImage loaded;
    utility.LoadFromFile(loaded.Desc(), raw.c_str());
    EXPECT_EQ(decoder.LastPath(), raw);
    ASSERT_TRUE(loaded.Loaded(3, 2));
    EXPECT_EQ(loaded.Pixels(), Bytes(rawBytes.begin() + 12, rawBytes.end()));
    // The component cannot open the PNG, and GDI+ is not tried after it.
    for (const std::wstring& path : {png, noCopy}) {
        CallerImage caller;
        utility.LoadFromFile(caller.Desc(), path.c_str());
        EXPECT_TRUE(caller.Untouched());
    }
    EXPECT_EQ(decoder.OpenCount(), opens + 3);

    // Without COM on the calling thread no object comes back: GDI+ loads.
    CallerImage viaGdiPlus;
    std::thread([&] { utility.LoadFromFile(viaGdiPlus.Desc(), png.c_str()); }).join();
    EXPECT_EQ(decoder.OpenCount(), opens + 3);
    ASSERT_TRUE(viaGdiPlus.Loaded(4, 3));
    EXPECT_EQ(viaGdiPlus.Pixels(), picture);
}

TEST_F(ImageFileIoWindows, PathsLongerThanTheCopyAreRefusedUnread) {
    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const std::wstring fits = L"C:\\" + std::wstring(259 - 3 - 5, L'a') + L".viur";
    const std::wstring tooLong = L"C:\\a" + fits.substr(3);
    ASSERT_EQ(fits.size(), 259u);
    const long opens = decoder.OpenCount();
    CallerImage caller;
    utility.LoadFromFile(caller.Desc(), fits.c_str());
    EXPECT_EQ(decoder.LastPath(), fits);
    utility.LoadFromFile(caller.Desc(), tooLong.c_str());
    utility.LoadFromFileA(caller.Desc(), std::string(tooLong.begin(), tooLong.end()).c_str());
    EXPECT_EQ(decoder.OpenCount(), opens + 1);
    EXPECT_TRUE(caller.Untouched());
}

// ---- Module resources

HMODULE TestResources() {
    static const HMODULE module = LoadLibraryW((ExecutableDirectory() / L"viu_test_resources.dll").c_str());
    return module;
}

TEST_F(ImageFileIoWindows, EncodedAndBitmapResourcesLoadOrLeaveTheCallerAlone) {
    const HMODULE module = TestResources();
    ASSERT_NE(module, nullptr);
    const char* const kBitmap = nullptr;  // through LoadFromBitmapResource
    const struct { HMODULE module; const char* type; uint32_t id; bool loads; } cases[] = {
        {module, "PNG", kPngResource, true},
        {module, MAKEINTRESOURCEA(10), kRcDataPngResource, true},  // RT_RCDATA
        {module, "PNG", 0x10000u + kPngResource, true},            // only the low 16 bits count
        {module, kBitmap, kBitmapResource, true},                  // 24 bits, bottom-up
        {module, "PNG", 999, false},
        {module, "JPEG", kPngResource, false},
        {module, "PNG", kNotAnImageResource, false},  // GDI+ cannot read it
        {nullptr, "PNG", kPngResource, false},        // not in the executable
        {module, kBitmap, 999, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
        CallerImage caller;
        if (c.type == kBitmap) utility.LoadFromBitmapResource(caller.Desc(), c.module, c.id);
        if (c.type != kBitmap) utility.LoadFromResource(caller.Desc(), c.module, c.type, c.id);
        EXPECT_TRUE(c.loads ? caller.Loaded(5, 3) : caller.Untouched());
        const bool gdiAlpha = c.loads && c.type == kBitmap;
        const Bytes expected = c.loads ? kResourcePixels : Bytes(32, 0x5A);
        EXPECT_EQ(gdiAlpha ? Colours(caller.Pixels()) : caller.Pixels(), gdiAlpha ? Colours(expected) : expected);
    }
}

TEST_F(ImageFileIoWindows, ResourceHolderKeepsItsCopyWhileTheBitmapLives) {
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

// ---- Bitmap handles

TEST_F(ImageFileIoWindows, BitmapHandlesReadTopDownAsThirtyTwoBitPixels) {
    const struct { int32_t width, height, bitCount; bool topDown; } cases[] = {
        {6, 4, 32, true}, {6, 4, 32, false}, {5, 3, 24, true}, {5, 3, 24, false}, {1, 1, 32, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), c.width, c.topDown ? -c.height : c.height, 1,
                          static_cast<WORD>(c.bitCount), BI_RGB, 0, 0, 0, 0, 0};
        uint8_t* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        const int32_t bytesPerPixel = c.bitCount / 8, rowBytes = (c.width * bytesPerPixel + 3) / 4 * 4;
        for (int32_t i = 0; i < c.height * rowBytes; ++i) bits[i] = static_cast<uint8_t>(i * 53 + 11);
        GdiFlush();
        // Top row first; a 24-bit section has no fourth byte to compare.
        Bytes want(c.width * c.height * 4);
        for (int32_t i = 0; i < c.width * c.height; ++i) {
            const int32_t x = i % c.width, y = i / c.width;
            const uint8_t* source = bits + (c.topDown ? y : c.height - 1 - y) * rowBytes + x * bytesPerPixel;
            std::copy(source, source + bytesPerPixel, &want[i * 4]);
        }
        CallerImage loaded, dead;
        utility.LoadFromHBitmap(loaded.Desc(), bitmap);
        DeleteObject(bitmap);
        ASSERT_TRUE(loaded.Loaded(c.width, c.height));
        EXPECT_EQ(c.bitCount == 32 ? loaded.Pixels() : Colours(loaded.Pixels()), want);
        utility.LoadFromHBitmap(dead.Desc(), bitmap);  // the handle is gone now
        EXPECT_TRUE(dead.Untouched());
    }
    CallerImage caller;
    utility.LoadFromHBitmap(caller.Desc(), nullptr);
    EXPECT_TRUE(caller.Untouched());
    utility.LoadFromHBitmap(nullptr, nullptr);
}

}  // namespace

#endif  // _WIN32
