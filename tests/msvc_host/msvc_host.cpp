// A host built for the MSVC ABI (clang-cl, no C runtime) that calls the DLL
// through its interface tables: records returned by value, bool and float
// results, float arguments and __m128i passed by value. It also reads the
// DLL's version resource. Prints one line per failed check and exits 0 only
// when every check passed.
#include <VelImageUtility.h>

extern "C" int _fltused = 0;  // the compiler's marker for floating point, from the C runtime

namespace {

int32_t g_failures = 0;
int32_t g_checks = 0;

void Write(const char* text) {
    DWORD length = 0;
    while (text[length] != 0) ++length;
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, length, &written, nullptr);
}

void WriteNumber(int32_t value) {
    char digits[12];
    int32_t at = 11;
    digits[at] = 0;
    const bool negative = value < 0;
    uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        digits[--at] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits[--at] = '-';
    Write(digits + at);
}

void Check(bool ok, const char* what, int32_t actual = 0) {
    ++g_checks;
    if (ok) return;
    ++g_failures;
    Write("FAILED: ");
    Write(what);
    Write(" (got ");
    WriteNumber(actual);
    Write(")\n");
}

uint8_t g_frame[3][8];  // a 2x3 ARGB image over host memory

void CheckArgbImages() {
    ICImageARGB* owned = GetCImageARGB2(5, 3);
    Check(owned != nullptr, "GetCImageARGB2");
    if (owned == nullptr) return;
    const ImageDesc desc = owned->GetDesc();
    Check(desc.data == owned->GetData(), "GetDesc data");
    Check(desc.width == 5, "GetDesc width", desc.width);
    Check(desc.height == 3, "GetDesc height", desc.height);
    Check(desc.stride == 20, "GetDesc stride", desc.stride);
    Check(desc.bytesPerPixel == 4, "GetDesc bytesPerPixel", desc.bytesPerPixel);
    Check(desc.copy, "GetDesc copy");
    Check(owned->IsDataOwned(), "IsDataOwned of an allocated image");
    Check(owned->GetPixelCount() == 15, "GetPixelCount", owned->GetPixelCount());
    ReleaseCImageARGB(owned);

    ICImageARGB* wrapped = GetCImageARGB4(&g_frame[0][0], 2, 3, 8);
    Check(wrapped != nullptr, "GetCImageARGB4");
    if (wrapped == nullptr) return;
    Check(!wrapped->IsDataOwned(), "IsDataOwned of a wrapped frame");
    const ImageDesc wrappedDesc = wrapped->GetDesc();
    Check(wrappedDesc.data == &g_frame[0][0] && !wrappedDesc.copy, "GetDesc of a wrapped frame");
    Check(wrapped->GetPixelAddress(1, 2) == &g_frame[2][4], "GetPixelAddress");
    wrapped->Fill(0x5A);
    Check(g_frame[2][7] == 0x5A, "Fill", g_frame[2][7]);
    ReleaseCImageARGB(wrapped);
}

uint8_t g_plane[4] = {100, 200, 128, 10};

void CheckByteTone() {
    ICImageByte* plane = GetCImageByte4(g_plane, 4, 1, 4);
    Check(plane != nullptr, "GetCImageByte4");
    if (plane == nullptr) return;
    Check(plane->GetMeanValue() == 109.5f, "GetMeanValue before", static_cast<int32_t>(plane->GetMeanValue()));
    plane->AdjustContrast(2.5f);  // out of range: nothing changes
    Check(g_plane[0] == 100, "AdjustContrast(2.5f) refused", g_plane[0]);
    plane->AdjustContrast(1.5f);
    const uint8_t expected[4] = {86, 236, 128, 0};
    for (int32_t i = 0; i < 4; ++i) Check(g_plane[i] == expected[i], "AdjustContrast(1.5f)", g_plane[i]);
    Check(plane->GetMeanValue() == 112.5f, "GetMeanValue after", static_cast<int32_t>(plane->GetMeanValue()));
    ReleaseCImageByte(plane);
}

void CheckPackedConversion() {
    ICImageUtility* utility = GetCImageUtility();
    Check(utility != nullptr, "GetCImageUtility");
    if (utility == nullptr) return;
    // Opaque white and transparent red, then 8 bytes that are ignored.
    const __m128i in = _mm_setr_epi8(-1, -1, -1, -1, 0, 0, -1, 0, 9, 9, 9, 9, 9, 9, 9, 9);
    __m128i out = _mm_set1_epi8(7);
    utility->ConvertRGBToYUVPacked(in, &out);
    alignas(16) uint8_t bytes[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes), out);
    const uint8_t expected[16] = {128, 128, 235, 0, 240, 90, 82, 0};
    for (int32_t i = 0; i < 16; ++i) Check(bytes[i] == expected[i], "ConvertRGBToYUVPacked", bytes[i]);
    ReleaseCImageUtility(utility);
}

uint8_t g_versionInfo[4096];

bool IsSameText(const char* a, const char* b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

void CheckVersionResource() {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA("VelImageUtility.dll", &handle);
    Check(size != 0 && size <= sizeof g_versionInfo, "version resource size", static_cast<int32_t>(size));
    if (size == 0 || size > sizeof g_versionInfo) return;
    Check(GetFileVersionInfoA("VelImageUtility.dll", 0, size, g_versionInfo) != 0, "GetFileVersionInfoA");
    void* fixed = nullptr;
    UINT length = 0;
    Check(VerQueryValueA(g_versionInfo, "\\", &fixed, &length) != 0 && length >= sizeof(VS_FIXEDFILEINFO),
          "VerQueryValueA");
    if (fixed == nullptr) return;
    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    Check(info->dwFileVersionMS == ((VIU_VERSION_MAJOR << 16) | VIU_VERSION_MINOR), "file version (major, minor)",
          static_cast<int32_t>(info->dwFileVersionMS));
    Check(info->dwFileVersionLS == (VIU_VERSION_PATCH << 16), "file version (patch)",
          static_cast<int32_t>(info->dwFileVersionLS));
    void* name = nullptr;
    const bool found =
        VerQueryValueA(g_versionInfo, "\\StringFileInfo\\040904b0\\ProductName", &name, &length) != 0;
    Check(found && IsSameText(static_cast<const char*>(name), "VelImageUtility"), "ProductName");
}

}  // namespace

extern "C" void HostMain() {
    DetectCpuInstructionSet();
    CheckArgbImages();
    CheckByteTone();
    CheckPackedConversion();
    CheckVersionResource();
    Write("msvc host: ");
    WriteNumber(g_checks - g_failures);
    Write(" passed, ");
    WriteNumber(g_failures);
    Write(" failed\n");
    ExitProcess(g_failures == 0 ? 0 : 1);
}
