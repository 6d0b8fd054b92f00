// Module resources and bitmap handles on either platform: the real GDI+,
// GDI and resource functions on Windows (under wine in CI), the stand-in
// handles elsewhere; then the external decoder component of Windows,
// served by the test itself.
// Saving and loading files: image_file_formats_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core/CImageUtility.h"
#include "test_support.h"
#ifdef _WIN32
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "io/CGdiPlusBitmapWindows.h"
#include "io/ExternalImageDecoderWindows.h"
#else
#include "VelImageUtility/PlatformStandIns.h"
#endif

using namespace VelImageUtility;
using namespace VelImageUtility::test;

namespace {

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
Bytes Colours(Bytes pixels) {
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0;
    return pixels;
}
#ifdef _WIN32
Bytes AsGdiLeavesIt(const Bytes& pixels) { return Colours(pixels); }
#else
Bytes AsGdiLeavesIt(const Bytes& pixels) { return pixels; }
#endif

#ifdef _WIN32
namespace fs = std::filesystem;

fs::path ExecutableDirectory() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

HMODULE TestResources() {
    static const HMODULE module = LoadLibraryW((ExecutableDirectory() / L"viu_test_resources.dll").c_str());
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
        {module, "PNG", kPngResource, true},
        {module, "png", 0x10000u + kPngResource, true},  // names in any case; only the low 16 bits count
        {module, MAKEINTRESOURCEA(10), kRcDataPngResource, true},  // RT_RCDATA
        {module, "#10", kRcDataPngResource, true},
        {module, kBitmap, kBitmapResource, true},  // 24 bits, bottom-up
        {module, kBitmap, 0x10000u + kBitmapResource, true},
        {module, "PNG", 999, false},
        {module, "JPEG", kPngResource, false},
        {module, "PNG", kNotAnImageResource, false},
        {module, MAKEINTRESOURCEA(2), kBitmapResource, false},  // a bitmap is no image file
        {module, "EMPTY", 105, false},
        {module, nullptr, kPngResource, false},
        {nullptr, "PNG", kPngResource, false},  // not in the executable
        {nullptr, kBitmap, kBitmapResource, false},
        {module, kBitmap, 999, false},
#ifndef _WIN32
        {module, "#010", kRcDataPngResource, true},
        {module, "#10x", kRcDataPngResource, false},
        {module, MAKEINTRESOURCEA(11), 106, true},
        {module, kBitmap, 107, true},
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
        const Bytes expected = !c.loads ? Bytes(32, 0x5A) : bitmap ? Colours(kResourcePixels) : kResourcePixels;
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
// A decoder component of the test's own. It reads one raw format:
//   "VIUR", u32 width, u32 height (little-endian), then width * height
//   pixels of 4 bytes, top row first, packed;
// a file that starts "VIUF" opens (the size from its header) but its pixels
// cannot be copied. It counts the Open calls and keeps the last path.
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
        std::ifstream file(fs::path(path), std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (bytes.size() < 12) return E_FAIL;
        failCopy_ = std::memcmp(bytes.data(), "VIUF", 4) == 0;
        std::memcpy(&width_, &bytes[4], 4);
        std::memcpy(&height_, &bytes[8], 4);
        pixels_.assign(bytes.begin() + 12, bytes.end());
        const bool raw = std::memcmp(bytes.data(), "VIUR", 4) == 0 && pixels_.size() == uint64_t{width_} * height_ * 4;
        return raw || failCopy_ ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetHeight(uint32_t* height) override { return *height = height_, S_OK; }
    HRESULT STDMETHODCALLTYPE GetWidth(uint32_t* width) override { return *width = width_, S_OK; }
    HRESULT STDMETHODCALLTYPE CopyPixels(uint8_t* buffer, uint32_t width, uint32_t height, uint32_t stride) override {
        if (failCopy_ || width != width_ || height != height_) return E_FAIL;
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(buffer + size_t{y} * stride, &pixels_[size_t{y} * width * 4], size_t{width} * 4);
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
    uint32_t width_ = 0, height_ = 0;
    bool failCopy_ = false;
    Bytes pixels_;
};

// Its class object, registered for this process while the object lives.
class RegisteredTestDecoder : public IClassFactory {
public:
    RegisteredTestDecoder() {
        CoRegisterClassObject(kExternalImageDecoderClsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    }
    ~RegisteredTestDecoder() { CoRevokeClassObject(cookie_); }
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
    const long opens = RawDecoder::opens;
    CallerImage loaded;
    utility.LoadFromFile(loaded.Desc(), raw.c_str());
    EXPECT_EQ(RawDecoder::lastPath, raw);
    ASSERT_TRUE(loaded.Loaded(3, 2));
    EXPECT_EQ(loaded.Pixels(), Bytes(rawBytes.begin() + 12, rawBytes.end()));
    // The component cannot open the PNG, and GDI+ is not tried after it.
    for (const std::wstring& path : {png, noCopy}) {
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
    const std::wstring fits = L"C:\\" + std::wstring(259 - 3 - 5, L'a') + L".viur", tooLong = L"C:\\a" + fits.substr(3);
    CallerImage caller;
    utility.LoadFromFile(caller.Desc(), fits.c_str());
    EXPECT_EQ(RawDecoder::lastPath, fits);
    utility.LoadFromFile(caller.Desc(), tooLong.c_str());
    utility.LoadFromFileA(caller.Desc(), std::string(tooLong.begin(), tooLong.end()).c_str());
    EXPECT_EQ(RawDecoder::opens, opens + 4);
    EXPECT_TRUE(caller.Untouched());
}

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
#endif

}  // namespace
