// Image files, module resources and bitmap handles on Windows, through the
// real GDI+, GDI, USER, resource and COM functions (under wine in CI).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "VelImageUtility.h"
#include "core/CImageUtility.h"
#include "io/CGdiPlusBitmapWindows.h"

using namespace VelImageUtility;
namespace fs = std::filesystem;

namespace {

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005L);

// Resource identifiers of viu_test_resources.dll (tests/windows/test_resources.rc).
constexpr uint32_t kPngResource = 101;  // type "PNG"
constexpr uint32_t kBitmapResource = 102;
constexpr uint32_t kRcDataPngResource = 103;
constexpr uint32_t kNotAnImageResource = 104;  // type "PNG", plain text

// The 5 x 3 picture both image resources hold (B, G, R, A), top row first
// (tests/windows/make_resource_images.py).
constexpr uint8_t kResourcePixels[] = {
    0,  0,   255, 255, 0,   255, 0,   255, 255, 0,   0,   255, 255, 255, 255, 255, 0,  0,  0,  255,
    86, 52,  18,  255, 188, 154, 120, 255, 3,   2,   1,   255, 7,   128, 250, 255, 64, 64, 64, 255,
    50, 100, 200, 255, 199, 99,  9,   255, 128, 0,   128, 255, 128, 128, 0,   255, 99, 88, 77, 255,
};

fs::path ExecutableDirectory() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

void WriteFileBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A caller's descriptor over a buffer of its own. A loader that fails must
// leave both exactly as they were; one that succeeds rewrites only the
// descriptor, which then describes a new buffer that the caller takes over.
class CallerImage {
public:
    static constexpr uint8_t kFill = 0x5A;
    CallerImage() : buffer_(3 * 16, kFill), original_{buffer_.data(), 3, 3, 16, 3, false} {
        desc = original_;
    }
    ~CallerImage() {
        if (!desc.copy || desc.data == buffer_.data()) return;
        ICImageARGB* owner = GetCImageARGB();  // the documented hand-over
        owner->SetDesc(&desc);
        ReleaseCImageARGB(owner);
    }
    bool BufferUntouched() const {
        return std::all_of(buffer_.begin(), buffer_.end(), [](uint8_t v) { return v == kFill; });
    }
    bool Untouched() const {
        return desc.data == original_.data && desc.width == original_.width &&
               desc.height == original_.height && desc.stride == original_.stride &&
               desc.bytesPerPixel == original_.bytesPerPixel && desc.copy == original_.copy &&
               BufferUntouched();
    }
    // A new owned packed ARGB buffer of the given size, the caller's own not written.
    bool Loaded(int32_t width, int32_t height) const {
        return desc.data != nullptr && desc.data != buffer_.data() && desc.copy && desc.width == width &&
               desc.height == height && desc.stride == 4 * width && desc.bytesPerPixel == 4 &&
               BufferUntouched();
    }

    ImageDesc desc;

private:
    std::vector<uint8_t> buffer_;
    ImageDesc original_;
};

// How a loaded fourth byte is judged: as the source's, as opaque (formats
// without alpha), or not at all (whatever GDI keeps there).
enum class Alpha { kSame, kOpaque, kAny };

void ExpectPixels(const CallerImage& image, int32_t width, int32_t height, const uint8_t* want,
                  int32_t wantStride, int tolerance, Alpha alpha) {
    ASSERT_TRUE(image.Loaded(width, height));
    int worst = 0;
    int notOpaque = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* got = image.desc.data + y * image.desc.stride + x * 4;
            const uint8_t* expected = want + y * wantStride + x * 4;
            for (int32_t c = 0; c < (alpha == Alpha::kSame ? 4 : 3); ++c) {
                worst = std::max(worst, std::abs(got[c] - expected[c]));
            }
            notOpaque += alpha == Alpha::kOpaque && got[3] != 255;
        }
    }
    EXPECT_LE(worst, tolerance);
    EXPECT_EQ(notOpaque, 0);
}

// A host-side ARGB picture with padded rows: smooth, so that JPEG keeps it
// closely, and with alpha all over the range when it is not opaque.
struct Picture {
    Picture(int32_t width_, int32_t height_, bool opaque)
        : width(width_), height(height_), stride(width_ * 4 + 8), pixels(height_ * stride, 0xEE) {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const int32_t alpha = opaque ? 255 : (x * 37 + y * 101 + 78) & 0xFF;
                const int32_t pixel[4] = {40 + x * 8, 60 + y * 12, 200 - x * 4 - y * 4, alpha};
                std::copy(pixel, pixel + 4, &pixels[y * stride + x * 4]);
            }
        }
    }
    ImageDesc Desc() { return ImageDesc{pixels.data(), width, height, stride, 4, false}; }
    void ExpectLoaded(const CallerImage& image, int tolerance, Alpha alpha) const {
        ExpectPixels(image, width, height, pixels.data(), stride, tolerance, alpha);
    }

    int32_t width, height, stride;
    std::vector<uint8_t> pixels;
};

// Files the test decoder component reads: magic, width, height, packed pixels.
std::vector<uint8_t> RawDecoderFile(const char* magic, uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes(magic, magic + 4);
    for (uint32_t value : {width, height}) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
    for (uint32_t i = 0; i < width * height * 4; ++i) bytes.push_back(static_cast<uint8_t>(i * 29 + 3));
    return bytes;
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
            RegSetKeyValueW(Root(i), server.c_str(), nullptr, REG_SZ, dll.c_str(),
                            static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
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
    static constexpr const wchar_t* kClassKeys[] = {
        L"Software\\Classes\\CLSID\\{3B9E5D21-7C4A-4F0E-9A61-2D8C5E7F1A03}",
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

// ---- SaveToFile and LoadFromFile through GDI+ ----

TEST_F(ImageFileIoWindows, SavesByExtensionInAnyCaseAndLoadsBack) {
    // One row for each extension of the table, and a 1 x 1 TIFF: the
    // largest difference per channel after the round trip (JPEG is lossy with
    // the encoder's defaults: wine's is off by up to 12 here), whether the
    // format keeps alpha (else it loads opaque), and how the file starts.
    // No decoder component is registered here: GDI+ loads.
    struct Trip { const wchar_t* name; int32_t size; int tolerance; bool keepsAlpha; const char* magic; };
    const Trip trips[] = {
        {L"v1.2 picture.bmp", 13, 0, false, "BM"},  {L"picture.JPG", 13, 16, false, "\xFF\xD8\xFF"},
        {L"picture.Jpeg", 13, 16, false, "\xFF\xD8\xFF"}, {L"picture.PNG", 13, 0, true, "\x89PNG"},
        {L"picture.tif", 13, 0, true, "II*"},       {L"picture.TiFf", 13, 0, true, "II*"},
        {L"one.tif", 1, 0, true, "II*"},
    };
    for (const Trip& trip : trips) {
        SCOPED_TRACE(trip.name);
        Picture picture(trip.size, (trip.size + 1) / 2, !trip.keepsAlpha);
        ImageDesc source = picture.Desc();
        source.bytesPerPixel = 1;  // taken as 4 whatever it says
        const std::wstring path = File(trip.name);
        ASSERT_EQ(utility.SaveToFile(&source, path.c_str()), 0);
        char head[4] = {};
        std::ifstream(fs::path(path), std::ios::binary).read(head, 4);
        EXPECT_EQ(0, std::memcmp(head, trip.magic, std::strlen(trip.magic)));

        CallerImage loaded;
        utility.LoadFromFile(&loaded.desc, path.c_str());
        picture.ExpectLoaded(loaded, trip.tolerance, trip.keepsAlpha ? Alpha::kSame : Alpha::kOpaque);
    }
}

TEST_F(ImageFileIoWindows, SaveRefusesOtherPathsAndUnusablePixelsWritingNothing) {
    Picture picture(4, 4, true);
    const ImageDesc good = picture.Desc();
    uint8_t* const data = picture.pixels.data();
    fs::create_directory(File(L"folder.png"));
    const struct { const wchar_t* name; ImageDesc desc; } cases[] = {
        {L"picture.gif", good}, {L"picture", good}, {L"picture.", good}, {L"picture.png.txt", good},
        {L"folder.png\\picture", good},
        // No pixels, a stride below 4 x width, no width, a negative height.
        {L"null.png", {nullptr, 4, 4, 16, 4, false}}, {L"narrow.png", {data, 4, 4, 12, 4, false}},
        {L"empty.png", {data, 0, 4, 16, 4, false}},   {L"negative.png", {data, 4, -4, 16, 4, false}},
    };
    for (const auto& c : cases) {
        ImageDesc desc = c.desc;
        const std::wstring path = File(c.name);
        EXPECT_EQ(utility.SaveToFile(&desc, path.c_str()), kFail) << c.name;
        EXPECT_FALSE(fs::exists(path)) << c.name;
    }
    ImageDesc desc = good;
    EXPECT_EQ(utility.SaveToFile(&desc, nullptr), kFail);
    EXPECT_EQ(utility.SaveToFile(nullptr, File(L"none.png").c_str()), kFail);
}

TEST_F(ImageFileIoWindows, FilesThatCannotBeDecodedLeaveTheCallerAlone) {
    const std::wstring garbage = File(L"garbage.png");
    const std::wstring truncated = File(L"truncated.png");  // ends inside the first chunk
    const std::wstring empty = File(L"empty.bmp");
    WriteFileBytes(garbage, std::vector<uint8_t>(300, 0x42));
    WriteFileBytes(truncated, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'});
    WriteFileBytes(empty, {});
    for (const std::wstring& path : {garbage, truncated, empty, File(L"missing.png")}) {
        CallerImage caller;
        utility.LoadFromFile(&caller.desc, path.c_str());
        EXPECT_TRUE(caller.Untouched());
    }
    CallerImage caller;
    utility.LoadFromFile(&caller.desc, nullptr);
    utility.LoadFromFileA(&caller.desc, nullptr);
    EXPECT_TRUE(caller.Untouched());
    utility.LoadFromFile(nullptr, garbage.c_str());
}

// LoadFromFileA reaches LoadFromFile through the object's own table.
class RecordingUtility : public CImageUtility {
public:
    void LoadFromFile(ImageDesc*, const wchar_t* path) override { received.push_back(path); }
    std::vector<std::wstring> received;
};

TEST_F(ImageFileIoWindows, LoadFromFileAPassesTheWholePathThroughTheTable) {
    RecordingUtility recording;
    const std::string path = "C:\\some folder\\deeper\\picture name.Jpeg";
    CallerImage caller;
    static_cast<ICImageUtility&>(recording).LoadFromFileA(&caller.desc, path.c_str());
    EXPECT_EQ(recording.received, std::vector<std::wstring>{std::wstring(path.begin(), path.end())});
}

// ---- The external decoder component ----

TEST_F(ImageFileIoWindows, DecoderComponentIsTriedFirstAndHasTheLastWord) {
    Picture picture(4, 3, true);
    ImageDesc source = picture.Desc();
    const std::wstring png = File(L"plain.png");
    ASSERT_EQ(utility.SaveToFile(&source, png.c_str()), 0);
    const std::wstring raw = File(L"raw.viur");
    const std::wstring noCopy = File(L"nocopy.viur");
    const std::vector<uint8_t> rawBytes = RawDecoderFile("VIUR", 3, 2);
    WriteFileBytes(raw, rawBytes);
    WriteFileBytes(noCopy, RawDecoderFile("VIUF", 4, 4));  // opens, then cannot copy

    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const long opens = decoder.OpenCount();
    CallerImage loaded;
    utility.LoadFromFile(&loaded.desc, raw.c_str());
    EXPECT_EQ(decoder.LastPath(), raw);
    ExpectPixels(loaded, 3, 2, rawBytes.data() + 12, 3 * 4, 0, Alpha::kSame);
    // The component cannot open the PNG, and GDI+ is not tried after it.
    for (const std::wstring& path : {png, noCopy}) {
        CallerImage caller;
        utility.LoadFromFile(&caller.desc, path.c_str());
        EXPECT_TRUE(caller.Untouched());
    }
    EXPECT_EQ(decoder.OpenCount(), opens + 3);

    // Without COM on the calling thread no object comes back: GDI+ loads.
    CallerImage viaGdiPlus;
    std::thread([&] { utility.LoadFromFile(&viaGdiPlus.desc, png.c_str()); }).join();
    EXPECT_EQ(decoder.OpenCount(), opens + 3);
    picture.ExpectLoaded(viaGdiPlus, 0, Alpha::kOpaque);
}

TEST_F(ImageFileIoWindows, PathsLongerThanTheCopyAreRefusedUnread) {
    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const std::wstring fits = L"C:\\" + std::wstring(259 - 3 - 5, L'a') + L".viur";
    const std::wstring tooLong = L"C:\\a" + fits.substr(3);
    ASSERT_EQ(fits.size(), 259u);

    const long opens = decoder.OpenCount();
    CallerImage caller;
    utility.LoadFromFile(&caller.desc, fits.c_str());
    EXPECT_EQ(decoder.LastPath(), fits);
    utility.LoadFromFile(&caller.desc, tooLong.c_str());
    utility.LoadFromFileA(&caller.desc, std::string(tooLong.begin(), tooLong.end()).c_str());
    EXPECT_EQ(decoder.OpenCount(), opens + 1);
    EXPECT_TRUE(caller.Untouched());
}

// ---- Module resources ----

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
        if (c.type == kBitmap) {
            utility.LoadFromBitmapResource(&caller.desc, c.module, c.id);
        } else {
            utility.LoadFromResource(&caller.desc, c.module, c.type, c.id);
        }
        if (c.loads) {
            const Alpha alpha = c.type == kBitmap ? Alpha::kAny : Alpha::kSame;
            ExpectPixels(caller, 5, 3, kResourcePixels, 5 * 4, 0, alpha);
        } else {
            EXPECT_TRUE(caller.Untouched());
        }
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

// ---- Bitmap handles ----

TEST_F(ImageFileIoWindows, BitmapHandlesReadTopDownAsThirtyTwoBitPixels) {
    const struct { int32_t width, height, bitCount; bool topDown; } cases[] = {
        {6, 4, 32, true}, {6, 4, 32, false}, {5, 3, 24, true}, {5, 3, 24, false}, {1, 1, 32, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), c.width, c.topDown ? -c.height : c.height, 1,
                          static_cast<WORD>(c.bitCount), BI_RGB, 0, 0, 0, 0, 0};
        uint8_t* bits = nullptr;
        HBITMAP bitmap =
            CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        const int32_t bytesPerPixel = c.bitCount / 8;
        const int32_t rowBytes = (c.width * bytesPerPixel + 3) / 4 * 4;
        for (int32_t i = 0; i < c.height * rowBytes; ++i) bits[i] = static_cast<uint8_t>(i * 53 + 11);
        GdiFlush();
        // Top row first; a 24-bit section has no fourth byte to compare.
        std::vector<uint8_t> want(c.width * c.height * 4);
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                const uint8_t* source = bits + (c.topDown ? y : c.height - 1 - y) * rowBytes;
                std::memcpy(&want[(y * c.width + x) * 4], source + x * bytesPerPixel, bytesPerPixel);
            }
        }
        CallerImage loaded;
        utility.LoadFromHBitmap(&loaded.desc, bitmap);
        DeleteObject(bitmap);
        ExpectPixels(loaded, c.width, c.height, want.data(), c.width * 4, 0,
                     c.bitCount == 32 ? Alpha::kSame : Alpha::kAny);
    CallerImage dead;  // the handle is gone now
        utility.LoadFromHBitmap(&dead.desc, bitmap);
        EXPECT_TRUE(dead.Untouched());
    }
    CallerImage caller;
    utility.LoadFromHBitmap(&caller.desc, nullptr);
    EXPECT_TRUE(caller.Untouched());
    utility.LoadFromHBitmap(nullptr, nullptr);
}

}  // namespace

#endif  // _WIN32
