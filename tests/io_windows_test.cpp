// Image files, module resources and bitmap handles on Windows, through the
// real GDI+, GDI, USER, resource and COM functions (under wine in CI).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "VelImageUtility.h"
#include "core/CImageUtility.h"
#include "io/CGdiPlusBitmapWindows.h"
#include "io/ExternalImageDecoderWindows.h"
#include "io/ImageEncoderLookupWindows.h"

using namespace VelImageUtility;

namespace {

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005L);

// Resource identifiers of viu_test_resources.dll (tests/windows/test_resources.rc).
constexpr uint32_t kPngResource = 101;     // type "PNG"
constexpr uint32_t kBitmapResource = 102;  // BITMAP
constexpr uint32_t kRcDataPngResource = 103;
constexpr uint32_t kNotAnImageResource = 104;  // type "PNG", plain text

// The 5 x 3 picture both image resources hold, as (blue, green, red), top
// row first (tests/windows/make_resource_images.py).
constexpr int32_t kResourceWidth = 5;
constexpr int32_t kResourceHeight = 3;
constexpr uint8_t kResourcePixels[kResourceHeight][kResourceWidth][3] = {
    {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}, {0, 0, 0}},
    {{86, 52, 18}, {188, 154, 120}, {3, 2, 1}, {7, 128, 250}, {64, 64, 64}},
    {{50, 100, 200}, {199, 99, 9}, {128, 0, 128}, {128, 128, 0}, {99, 88, 77}},
};

std::wstring ExecutableDirectory() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring full(path, length);
    return full.substr(0, full.find_last_of(L"\\/") + 1);
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

void RemoveTree(const std::wstring& directory) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((directory + L"*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(directory + name + L"\\");
            } else {
                DeleteFileW((directory + name).c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(directory.c_str());
}

// A fresh directory for one test, removed with everything in it.
class ScratchDirectory {
public:
    ScratchDirectory() {
        static int created = 0;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"viu_io_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(++created) + L"\\";
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchDirectory() { RemoveTree(path_); }
    std::wstring File(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

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
        if (desc.copy && desc.data != buffer_.data()) {
            // The documented hand-over: an image takes the buffer and frees it.
            ICImageARGB* owner = GetCImageARGB();
            owner->SetDesc(&desc);
            ReleaseCImageARGB(owner);
        }
    }

    bool BufferUntouched() const {
        for (uint8_t value : buffer_) {
            if (value != kFill) return false;
        }
        return true;
    }
    void ExpectUntouched() const {
        EXPECT_EQ(desc.data, original_.data);
        EXPECT_EQ(desc.width, original_.width);
        EXPECT_EQ(desc.height, original_.height);
        EXPECT_EQ(desc.stride, original_.stride);
        EXPECT_EQ(desc.bytesPerPixel, original_.bytesPerPixel);
        EXPECT_EQ(desc.copy, original_.copy);
        EXPECT_TRUE(BufferUntouched());
    }
    // True when the descriptor now describes a new owned packed ARGB buffer
    // of the given size, the caller's own buffer not written.
    ::testing::AssertionResult Loaded(int32_t width, int32_t height) const {
        if (desc.data == nullptr || desc.data == buffer_.data() || !desc.copy) {
            return ::testing::AssertionFailure() << "no new buffer was handed over";
        }
        if (desc.width != width || desc.height != height || desc.stride != 4 * width ||
            desc.bytesPerPixel != 4) {
            return ::testing::AssertionFailure()
                   << "descriptor " << desc.width << "x" << desc.height << " stride " << desc.stride
                   << " bpp " << desc.bytesPerPixel;
        }
        if (!BufferUntouched()) return ::testing::AssertionFailure() << "caller's buffer written";
        return ::testing::AssertionSuccess();
    }
    const uint8_t* Pixel(int32_t x, int32_t y) const { return desc.data + y * desc.stride + x * 4; }

    ImageDesc desc;

private:
    std::vector<uint8_t> buffer_;
    ImageDesc original_;
};

void ExpectResourcePicture(const CallerImage& image, bool compareAlpha) {
    ASSERT_TRUE(image.Loaded(kResourceWidth, kResourceHeight));
    for (int32_t y = 0; y < kResourceHeight; ++y) {
        for (int32_t x = 0; x < kResourceWidth; ++x) {
            const uint8_t* pixel = image.Pixel(x, y);
            for (int32_t c = 0; c < 3; ++c) {
                EXPECT_EQ(pixel[c], kResourcePixels[y][x][c]) << "x " << x << " y " << y << " c " << c;
            }
            if (compareAlpha) {
                EXPECT_EQ(pixel[3], 255) << "x " << x << " y " << y;
            }
        }
    }
}

// A host-side ARGB picture with padded rows: smooth, so that JPEG keeps it
// closely, and with every alpha from 0 to 255 when it is not opaque.
struct Picture {
    Picture(int32_t width_, int32_t height_, bool opaque)
        : width(width_), height(height_), stride(width_ * 4 + 8), pixels(height_ * stride, 0xEE) {
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* pixel = &pixels[y * stride + x * 4];
                pixel[0] = static_cast<uint8_t>(40 + x * 8);
                pixel[1] = static_cast<uint8_t>(60 + y * 12);
                pixel[2] = static_cast<uint8_t>(200 - x * 4 - y * 4);
                pixel[3] = opaque ? 255 : static_cast<uint8_t>((x * 37 + y * 101) & 0xFF);
            }
        }
    }
    ImageDesc Desc() { return ImageDesc{pixels.data(), width, height, stride, 4, false}; }

    int32_t width;
    int32_t height;
    int32_t stride;
    std::vector<uint8_t> pixels;
};

void ExpectSamePicture(const CallerImage& image, const Picture& picture, int tolerance,
                       bool compareAlpha) {
    ASSERT_TRUE(image.Loaded(picture.width, picture.height));
    int worst = 0;
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint8_t* got = image.Pixel(x, y);
            const uint8_t* want = &picture.pixels[y * picture.stride + x * 4];
            for (int32_t c = 0; c < (compareAlpha ? 4 : 3); ++c) {
                worst = std::max(worst, std::abs(got[c] - want[c]));
            }
            if (!compareAlpha) {
                EXPECT_EQ(got[3], 255) << "x " << x << " y " << y;
            }
        }
    }
    EXPECT_LE(worst, tolerance);
}

// Files the test decoder component reads: magic, width, height, packed pixels.
std::vector<uint8_t> RawDecoderFile(const char* magic, uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes(magic, magic + 4);
    for (uint32_t value : {width, height}) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
    for (uint32_t i = 0; i < width * height * 4; ++i) bytes.push_back(static_cast<uint8_t>(i * 29 + 3));
    return bytes;
}

// The test decoder component (viu_test_decoder.dll) registered for this user
// while the object lives, and the counters it keeps. Windows merges the
// per-user classes into HKEY_CLASSES_ROOT; wine (8.0) does not, so where the
// per-user key does not show through there the class is also registered in
// HKEY_CLASSES_ROOT itself (the test's own wine prefix) and removed after.
class RegisteredTestDecoder {
public:
    RegisteredTestDecoder() {
        const std::wstring dll = ExecutableDirectory() + L"viu_test_decoder.dll";
        module_ = LoadLibraryW(dll.c_str());
        Register(HKEY_CURRENT_USER, kPerUserClassKey, dll);
        HKEY merged = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kClassKey) + kServerSubkey).c_str(), 0,
                          KEY_READ, &merged) == ERROR_SUCCESS) {
            RegCloseKey(merged);
        } else {
            registeredInClassesRoot_ = Register(HKEY_CLASSES_ROOT, kClassKey, dll);
        }
    }
    ~RegisteredTestDecoder() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kPerUserClassKey);
        if (registeredInClassesRoot_) RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey);
        CoFreeUnusedLibraries();
        if (module_ != nullptr) FreeLibrary(module_);
    }
    bool Ready() const { return module_ != nullptr; }
    long OpenCount() const {
        auto count = Export<long (*)()>("TestDecoderOpenCount");
        return count == nullptr ? -1 : count();
    }
    std::wstring LastPath() const {
        auto lastPath = Export<void (*)(wchar_t*, size_t)>("TestDecoderLastPath");
        wchar_t path[1024] = {};
        if (lastPath != nullptr) lastPath(path, 1024);
        return path;
    }

private:
    static constexpr const wchar_t* kPerUserClassKey =
        L"Software\\Classes\\CLSID\\{3B9E5D21-7C4A-4F0E-9A61-2D8C5E7F1A03}";
    static constexpr const wchar_t* kClassKey = L"CLSID\\{3B9E5D21-7C4A-4F0E-9A61-2D8C5E7F1A03}";
    static constexpr const wchar_t* kServerSubkey = L"\\InprocServer32";

    template <typename Function>
    Function Export(const char* name) const {
        // Through the generic function type, which converts to any other.
        return reinterpret_cast<Function>(
            reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
    }
    static bool Register(HKEY root, const wchar_t* classKey, const std::wstring& dll) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root, (std::wstring(classKey) + kServerSubkey).c_str(), 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return false;
        }
        SetString(key, nullptr, dll);
        SetString(key, L"ThreadingModel", L"Both");
        RegCloseKey(key);
        return true;
    }
    static void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    HMODULE module_ = nullptr;
    bool registeredInClassesRoot_ = false;
};

// COM initialised on the test thread, as a host does.
class ImageFileIoWindows : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }

    // Saves `picture` as a file of the scratch directory; returns its path.
    std::wstring Save(Picture& picture, const wchar_t* name) {
        ImageDesc source = picture.Desc();
        const std::wstring path = scratch.File(name);
        EXPECT_EQ(utility.SaveToFile(&source, path.c_str()), 0) << name;
        return path;
    }

    CImageUtility utility;
    ScratchDirectory scratch;
};

// ---- SaveToFile and LoadFromFile through GDI+ ----

struct RoundTrip {
    const wchar_t* name;
    int tolerance;      // largest difference per channel after the round trip
    bool keepsAlpha;    // false: the format stores no alpha and loads opaque
    const char* magic;  // how the written file starts
};

class ImageFileRoundTrip : public ImageFileIoWindows,
                           public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(ImageFileRoundTrip, SavesByExtensionAndLoadsBack) {
    const RoundTrip& trip = GetParam();
    Picture picture(13, 7, !trip.keepsAlpha);
    const std::vector<uint8_t> before = picture.pixels;
    ImageDesc source = picture.Desc();
    const std::wstring path = scratch.File(trip.name);

    ASSERT_EQ(utility.SaveToFile(&source, path.c_str()), 0);
    EXPECT_EQ(picture.pixels, before);
    const std::vector<uint8_t> file = ReadFileBytes(path);
    const size_t magicLength = std::strlen(trip.magic);
    ASSERT_GE(file.size(), magicLength);
    EXPECT_EQ(0, std::memcmp(file.data(), trip.magic, magicLength));

    CallerImage loaded;
    utility.LoadFromFile(&loaded.desc, path.c_str());
    ExpectSamePicture(loaded, picture, trip.tolerance, trip.keepsAlpha);
}

// Upper, lower and mixed case all choose the encoder.
INSTANTIATE_TEST_SUITE_P(
    EveryWrittenFormat, ImageFileRoundTrip,
    ::testing::Values(RoundTrip{L"picture.png", 0, true, "\x89PNG"},
                      RoundTrip{L"PICTURE.PNG", 0, true, "\x89PNG"},
                      RoundTrip{L"picture.tif", 0, true, "II*"},
                      RoundTrip{L"picture.TiFf", 0, true, "II*"},
                      RoundTrip{L"picture.bmp", 0, false, "BM"},
                      RoundTrip{L"picture.bMp", 0, false, "BM"},
                      // Lossy with the encoder's default quality and chroma
                      // subsampling: wine's encoder is off by up to 12 here.
                      RoundTrip{L"picture.jpg", 16, false, "\xFF\xD8\xFF"},
                      RoundTrip{L"picture.Jpeg", 16, false, "\xFF\xD8\xFF"},
                      RoundTrip{L"picture.JPEG", 16, false, "\xFF\xD8\xFF"}));

TEST_F(ImageFileIoWindows, SaveRefusesPathsOutsideTheExtensionTable) {
    Picture picture(4, 4, true);
    ImageDesc source = picture.Desc();
    CreateDirectoryW(scratch.File(L"folder.png").c_str(), nullptr);
    for (const wchar_t* name : {L"picture.gif", L"picture", L"picture.", L"picture.png.txt",
                                L"folder.png\\picture"}) {
        const std::wstring path = scratch.File(name);
        EXPECT_EQ(utility.SaveToFile(&source, path.c_str()), kFail) << path.c_str();
        EXPECT_FALSE(FileExists(path)) << path.c_str();
    }
}

TEST_F(ImageFileIoWindows, SaveRefusesDescriptorsWithoutUsablePixels) {
    Picture picture(4, 4, true);
    struct Bad {
        const wchar_t* name;
        ImageDesc desc;
    };
    const Bad cases[] = {
        {L"null.png", ImageDesc{nullptr, 4, 4, 16, 4, false}},
        {L"narrow.png", ImageDesc{picture.pixels.data(), 4, 4, 12, 4, false}},
        {L"empty.png", ImageDesc{picture.pixels.data(), 0, 4, 16, 4, false}},
        {L"negative.png", ImageDesc{picture.pixels.data(), 4, -4, 16, 4, false}},
    };
    for (const Bad& bad : cases) {
        ImageDesc desc = bad.desc;
        const std::wstring path = scratch.File(bad.name);
        EXPECT_EQ(utility.SaveToFile(&desc, path.c_str()), kFail) << bad.name;
        EXPECT_FALSE(FileExists(path)) << bad.name;
    }
    ImageDesc desc = picture.Desc();
    EXPECT_EQ(utility.SaveToFile(&desc, nullptr), kFail);
    EXPECT_EQ(utility.SaveToFile(nullptr, scratch.File(L"none.png").c_str()), kFail);
}

TEST_F(ImageFileIoWindows, OnePixelTiffRoundTrips) {
    uint8_t pixel[4] = {12, 34, 56, 78};
    ImageDesc source{pixel, 1, 1, 4, 4, false};
    const std::wstring path = scratch.File(L"one.tif");
    ASSERT_EQ(utility.SaveToFile(&source, path.c_str()), 0);
    CallerImage loaded;
    utility.LoadFromFile(&loaded.desc, path.c_str());
    ASSERT_TRUE(loaded.Loaded(1, 1));
    EXPECT_EQ(0, std::memcmp(loaded.Pixel(0, 0), pixel, 4));
}

TEST_F(ImageFileIoWindows, BytesPerPixelOfTheDescriptorIsIgnored) {
    Picture picture(6, 5, false);
    ImageDesc source = picture.Desc();
    source.bytesPerPixel = 1;
    const std::wstring path = scratch.File(L"four.png");
    ASSERT_EQ(utility.SaveToFile(&source, path.c_str()), 0);
    CallerImage loaded;
    utility.LoadFromFile(&loaded.desc, path.c_str());
    ExpectSamePicture(loaded, picture, 0, true);
}

TEST_F(ImageFileIoWindows, FilesThatCannotBeDecodedLeaveTheCallerAlone) {
    const std::wstring garbage = scratch.File(L"garbage.png");
    WriteFileBytes(garbage, std::vector<uint8_t>(300, 0x42));
    Picture picture(9, 9, true);
    const std::wstring truncated = Save(picture, L"truncated.png");
    std::vector<uint8_t> bytes = ReadFileBytes(truncated);
    bytes.resize(20);
    WriteFileBytes(truncated, bytes);
    const std::wstring empty = scratch.File(L"empty.bmp");
    WriteFileBytes(empty, {});

    for (const std::wstring& path : {garbage, truncated, empty, scratch.File(L"missing.png")}) {
        CallerImage caller;
        utility.LoadFromFile(&caller.desc, path.c_str());
        caller.ExpectUntouched();
    }
    CallerImage caller;
    utility.LoadFromFile(&caller.desc, nullptr);
    caller.ExpectUntouched();
    utility.LoadFromFile(nullptr, garbage.c_str());
}

TEST_F(ImageFileIoWindows, LoadFromFileAConvertsAndLoads) {
    Picture picture(7, 3, false);
    const std::wstring path = Save(picture, L"narrow path.png");
    const std::string narrow(path.begin(), path.end());  // the scratch path is ASCII
    CallerImage loaded;
    utility.LoadFromFileA(&loaded.desc, narrow.c_str());
    ExpectSamePicture(loaded, picture, 0, true);

    CallerImage untouched;
    utility.LoadFromFileA(&untouched.desc, nullptr);
    untouched.ExpectUntouched();
}

// LoadFromFileA reaches LoadFromFile through the object's own table.
class RecordingUtility : public CImageUtility {
public:
    void LoadFromFile(ImageDesc*, const wchar_t* path) override {
        ++calls;
        received = path;
    }
    int calls = 0;
    std::wstring received;
};

TEST_F(ImageFileIoWindows, LoadFromFileAPassesTheWholePathThroughTheTable) {
    RecordingUtility recording;
    ICImageUtility* image = &recording;
    const std::string path = "C:\\some folder\\deeper\\picture name.Jpeg";
    CallerImage caller;
    image->LoadFromFileA(&caller.desc, path.c_str());
    EXPECT_EQ(recording.calls, 1);
    EXPECT_EQ(recording.received, std::wstring(path.begin(), path.end()));
}

TEST_F(ImageFileIoWindows, TheSameOperationsServeEveryImageInterface) {
    Picture picture(5, 4, false);
    ImageDesc source = picture.Desc();
    const std::wstring path = scratch.File(L"through interfaces.png");
    ICImageAYUV* ayuv = GetCImageAYUV();
    ASSERT_EQ(ayuv->SaveToFile(&source, path.c_str()), 0);
    ReleaseCImageAYUV(ayuv);
    ICImageByte* byte = GetCImageByte();
    CallerImage loaded;
    byte->LoadFromFileA(&loaded.desc, std::string(path.begin(), path.end()).c_str());
    ReleaseCImageByte(byte);
    ExpectSamePicture(loaded, picture, 0, true);
}

TEST_F(ImageFileIoWindows, EncoderLookupMatchesMimeTypesExactly) {
    GdiPlusSession session;
    CLSID png = {};
    CLSID again = {};
    EXPECT_GE(FindImageEncoder(L"image/png", &png), 0);
    EXPECT_EQ(FindImageEncoder(L"image/png", &again), FindImageEncoder(L"image/png", &again));
    EXPECT_TRUE(IsEqualGUID(png, again));
    CLSID untouched = {};
    EXPECT_EQ(FindImageEncoder(L"IMAGE/PNG", &untouched), -1);
    EXPECT_EQ(FindImageEncoder(L"image/x-none", &untouched), -1);
    EXPECT_TRUE(IsEqualGUID(untouched, CLSID{}));
    for (const wchar_t* mime : {L"image/bmp", L"image/jpeg", L"image/tiff"}) {
        EXPECT_GE(FindImageEncoder(mime, &untouched), 0) << mime;
    }
}

// ---- The external decoder component ----

TEST_F(ImageFileIoWindows, RegisteredComponentDecodesFirst) {
    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const std::vector<uint8_t> file = RawDecoderFile("VIUR", 3, 2);
    const std::wstring path = scratch.File(L"raw.viur");
    WriteFileBytes(path, file);
    const long opens = decoder.OpenCount();

    CallerImage loaded;
    utility.LoadFromFile(&loaded.desc, path.c_str());
    EXPECT_EQ(decoder.OpenCount(), opens + 1);
    EXPECT_EQ(decoder.LastPath(), path);
    ASSERT_TRUE(loaded.Loaded(3, 2));
    EXPECT_EQ(0, std::memcmp(loaded.desc.data, file.data() + 12, 3 * 2 * 4));
}

TEST_F(ImageFileIoWindows, ComponentThatCannotOpenEndsTheLoadWithoutGdiPlus) {
    Picture picture(4, 3, true);
    const std::wstring path = Save(picture, L"readable.png");

    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const long opens = decoder.OpenCount();
    CallerImage caller;
    utility.LoadFromFile(&caller.desc, path.c_str());
    EXPECT_EQ(decoder.OpenCount(), opens + 1);
    caller.ExpectUntouched();
}

TEST_F(ImageFileIoWindows, ComponentThatCannotCopyLeavesTheCallerAlone) {
    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const std::wstring path = scratch.File(L"nocopy.viur");
    WriteFileBytes(path, RawDecoderFile("VIUF", 4, 4));
    CallerImage caller;
    utility.LoadFromFile(&caller.desc, path.c_str());
    caller.ExpectUntouched();
}

TEST_F(ImageFileIoWindows, WithoutTheComponentGdiPlusLoads) {
    Picture picture(4, 3, true);
    const std::wstring png = Save(picture, L"plain.png");
    const std::wstring raw = scratch.File(L"raw.viur");
    WriteFileBytes(raw, RawDecoderFile("VIUR", 3, 2));

    CallerImage loaded;
    utility.LoadFromFile(&loaded.desc, png.c_str());
    ExpectSamePicture(loaded, picture, 0, false);
    CallerImage unknown;  // only the component knows this format
    utility.LoadFromFile(&unknown.desc, raw.c_str());
    unknown.ExpectUntouched();
}

TEST_F(ImageFileIoWindows, WithoutComOnTheThreadGdiPlusLoads) {
    Picture picture(4, 3, true);
    const std::wstring png = Save(picture, L"plain.png");
    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const long opens = decoder.OpenCount();

    CallerImage loaded;
    std::thread noCom([&] { utility.LoadFromFile(&loaded.desc, png.c_str()); });
    noCom.join();
    EXPECT_EQ(decoder.OpenCount(), opens);
    ExpectSamePicture(loaded, picture, 0, false);
}

TEST_F(ImageFileIoWindows, PathsLongerThanTheCopyAreRefusedUnread) {
    RegisteredTestDecoder decoder;
    ASSERT_TRUE(decoder.Ready());
    const std::wstring prefix = L"C:\\";
    const std::wstring fits = prefix + std::wstring(259 - prefix.size() - 5, L'a') + L".viur";
    const std::wstring tooLong = prefix + std::wstring(260 - prefix.size() - 5, L'a') + L".viur";
    ASSERT_EQ(fits.size(), 259u);

    const long opens = decoder.OpenCount();
    CallerImage caller;
    utility.LoadFromFile(&caller.desc, fits.c_str());
    EXPECT_EQ(decoder.OpenCount(), opens + 1);
    EXPECT_EQ(decoder.LastPath(), fits);
    utility.LoadFromFile(&caller.desc, tooLong.c_str());
    utility.LoadFromFileA(&caller.desc, std::string(tooLong.begin(), tooLong.end()).c_str());
    EXPECT_EQ(decoder.OpenCount(), opens + 1);
    caller.ExpectUntouched();
}

// ---- Module resources ----

class ModuleResources : public ImageFileIoWindows {
protected:
    void SetUp() override {
        ImageFileIoWindows::SetUp();
        module = LoadLibraryW((ExecutableDirectory() + L"viu_test_resources.dll").c_str());
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override {
        if (module != nullptr) FreeLibrary(module);
        ImageFileIoWindows::TearDown();
    }
    HMODULE module = nullptr;
};

TEST_F(ModuleResources, EncodedImageOfANamedOrIntegerType) {
    CallerImage named;
    utility.LoadFromResource(&named.desc, module, "PNG", kPngResource);
    ExpectResourcePicture(named, true);

    CallerImage integer;
    utility.LoadFromResource(&integer.desc, module, MAKEINTRESOURCEA(10), kRcDataPngResource);
    ExpectResourcePicture(integer, true);
}

TEST_F(ModuleResources, OnlyTheLow16BitsOfTheIdentifierCount) {
    CallerImage loaded;
    utility.LoadFromResource(&loaded.desc, module, "PNG", 0x10000u + kPngResource);
    ExpectResourcePicture(loaded, true);
}

TEST_F(ModuleResources, MissingOrUnreadableResourcesLeaveTheCallerAlone) {
    struct Miss {
        HMODULE module;
        const char* type;
        uint32_t id;
    };
    const Miss misses[] = {
        {module, "PNG", 999},                      // no such identifier
        {module, "JPEG", kPngResource},            // no such type
        {module, "PNG", kNotAnImageResource},      // GDI+ cannot read it
        {nullptr, "PNG", kPngResource},            // not in the executable
    };
    for (const Miss& miss : misses) {
        CallerImage caller;
        utility.LoadFromResource(&caller.desc, miss.module, miss.type, miss.id);
        caller.ExpectUntouched();
    }
}

TEST_F(ModuleResources, BitmapResource) {
    CallerImage loaded;
    utility.LoadFromBitmapResource(&loaded.desc, module, kBitmapResource);
    // The fourth byte is whatever GDI keeps there; only colour is compared.
    ExpectResourcePicture(loaded, false);

    CallerImage missing;
    utility.LoadFromBitmapResource(&missing.desc, module, 999);
    missing.ExpectUntouched();
}

TEST_F(ModuleResources, ResourceHolderKeepsItsCopyWhileTheBitmapLives) {
    GdiPlusSession session;
    CGdiPlusBitmapResource holder;
    ASSERT_TRUE(holder.Load(kPngResource, "PNG", module));
    ASSERT_NE(holder.bitmap, nullptr);
    ASSERT_NE(holder.resourceCopy, nullptr);
    EXPECT_EQ(holder.bitmap->GetWidth(), static_cast<UINT>(kResourceWidth));
    EXPECT_EQ(holder.bitmap->GetHeight(), static_cast<UINT>(kResourceHeight));

    EXPECT_FALSE(holder.Load(kNotAnImageResource, "PNG", module));
    EXPECT_EQ(holder.bitmap, nullptr);
    EXPECT_EQ(holder.resourceCopy, nullptr);
    EXPECT_TRUE(holder.Load("#101", "PNG", module));
    holder.Empty();
    EXPECT_EQ(holder.bitmap, nullptr);
    EXPECT_EQ(holder.resourceCopy, nullptr);
}

// ---- Bitmap handles ----

// A DIB section of `bitCount` bits with its rows in `order` (bytes per row
// padded to 4 as GDI requires), filled with values from `seed`.
HBITMAP MakeDibSection(int32_t width, int32_t height, int32_t bitCount, bool topDown,
                       std::vector<uint8_t>* bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (bitmap == nullptr) return nullptr;
    const int32_t rowBytes = (width * bitCount / 8 + 3) / 4 * 4;
    bits->resize(static_cast<size_t>(rowBytes) * height);
    for (size_t i = 0; i < bits->size(); ++i) (*bits)[i] = static_cast<uint8_t>(i * 53 + 11);
    std::memcpy(memory, bits->data(), bits->size());
    GdiFlush();
    return bitmap;
}

struct HandleCase {
    int32_t width;
    int32_t height;
    int32_t bitCount;
    bool topDown;
};

class BitmapHandles : public ImageFileIoWindows, public ::testing::WithParamInterface<HandleCase> {};

TEST_P(BitmapHandles, ReadTopDownAsThirtyTwoBitPixels) {
    const HandleCase& c = GetParam();
    std::vector<uint8_t> bits;
    HBITMAP bitmap = MakeDibSection(c.width, c.height, c.bitCount, c.topDown, &bits);
    ASSERT_NE(bitmap, nullptr);
    CallerImage loaded;
    utility.LoadFromHBitmap(&loaded.desc, bitmap);
    DeleteObject(bitmap);
    ASSERT_TRUE(loaded.Loaded(c.width, c.height));

    const int32_t bytesPerPixel = c.bitCount / 8;
    const int32_t rowBytes = (c.width * bytesPerPixel + 3) / 4 * 4;
    for (int32_t y = 0; y < c.height; ++y) {
        const int32_t sourceRow = c.topDown ? y : c.height - 1 - y;
        for (int32_t x = 0; x < c.width; ++x) {
            const uint8_t* want = &bits[sourceRow * rowBytes + x * bytesPerPixel];
            const uint8_t* got = loaded.Pixel(x, y);
            // A 32-bit DIB keeps its fourth byte; a 24-bit one has none.
            EXPECT_EQ(0, std::memcmp(got, want, bytesPerPixel)) << "x " << x << " y " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DibSections, BitmapHandles,
                         ::testing::Values(HandleCase{6, 4, 32, true}, HandleCase{6, 4, 32, false},
                                           HandleCase{5, 3, 24, true}, HandleCase{5, 3, 24, false},
                                           HandleCase{1, 1, 32, true}, HandleCase{17, 1, 24, false}));

TEST_F(ImageFileIoWindows, NullOrDeadBitmapHandlesDoNothing) {
    CallerImage caller;
    utility.LoadFromHBitmap(&caller.desc, nullptr);
    caller.ExpectUntouched();

    std::vector<uint8_t> bits;
    HBITMAP dead = MakeDibSection(4, 4, 32, true, &bits);
    ASSERT_NE(dead, nullptr);
    DeleteObject(dead);
    utility.LoadFromHBitmap(&caller.desc, dead);
    caller.ExpectUntouched();
    utility.LoadFromHBitmap(nullptr, nullptr);
}

TEST_F(ImageFileIoWindows, LoadedBufferIsTheCallersToKeep) {
    std::vector<uint8_t> bits;
    HBITMAP bitmap = MakeDibSection(3, 2, 32, true, &bits);
    ASSERT_NE(bitmap, nullptr);
    ImageDesc desc{};
    utility.LoadFromHBitmap(&desc, bitmap);
    DeleteObject(bitmap);
    ASSERT_TRUE(desc.copy);
    ASSERT_NE(desc.data, nullptr);

    ICImageARGB* image = GetCImageARGB();
    image->SetDesc(&desc);
    EXPECT_TRUE(image->IsDataOwned());
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(0, std::memcmp(image->GetData(), bits.data(), bits.size()));
    ReleaseCImageARGB(image);
}

}  // namespace

#endif  // _WIN32
