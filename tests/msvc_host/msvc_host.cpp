// A host built for the MSVC ABI (clang-cl, no C runtime) that calls the DLL
// through the interfaces of include/: records returned by value, bool and
// float results, float arguments and __m128i passed by value. It also reads
// the DLL's version resource. Prints one line per failed check and exits 0
// only when every check passed.
#include <VelImageUtility.h>

extern "C" int _fltused = 0;  // the compiler's marker for floating point, from the C runtime

namespace {

bool g_failed = false;

void Write(const char* text) {
    DWORD length = 0, written = 0;
    while (text[length] != 0) ++length;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, length, &written, nullptr);
}

void Check(bool ok, const char* what) {
    if (ok) return;
    g_failed = true;
    Write("FAILED: ");
    Write(what);
    Write("\n");
}

bool IsSameText(const char* a, const char* b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

uint8_t g_frame[3][8];  // a 2 x 3 ARGB image over host memory
uint8_t g_plane[4] = {100, 200, 128, 10};
uint8_t g_versionInfo[4096];

void CheckImages() {
    ICImageARGB* owned = GetCImageARGB2(5, 3);
    const ImageDesc desc = owned->GetDesc();
    Check(desc.data == owned->GetData() && desc.width == 5 && desc.height == 3 && desc.stride == 20 &&
              desc.bytesPerPixel == 4 && desc.copy && owned->IsDataOwned(), "GetDesc of an allocated image");
    ReleaseCImageARGB(owned);
    ICImageARGB* wrapped = GetCImageARGB4(&g_frame[0][0], 2, 3, 8);
    Check(!wrapped->IsDataOwned() && !wrapped->GetDesc().copy, "a wrapped frame is not owned");
    Check(wrapped->GetPixelAddress(1, 2) == &g_frame[2][4], "GetPixelAddress");
    wrapped->Fill(0x5A);
    Check(g_frame[2][7] == 0x5A, "Fill");
    ReleaseCImageARGB(wrapped);

    ICImageByte* plane = GetCImageByte4(g_plane, 4, 1, 4);
    Check(plane->GetMeanValue() == 109.5f, "GetMeanValue");
    plane->AdjustContrast(2.5f);  // out of range: nothing changes
    plane->AdjustContrast(1.5f);
    Check(g_plane[0] == 86 && g_plane[1] == 236 && g_plane[2] == 128 && g_plane[3] == 0, "AdjustContrast");
    ReleaseCImageByte(plane);

    // Opaque white and transparent red, then 8 bytes that are ignored.
    ICImageUtility* utility = GetCImageUtility();
    __m128i out = _mm_set1_epi8(7);
    utility->ConvertRGBToYUVPacked(_mm_setr_epi8(-1, -1, -1, -1, 0, 0, -1, 0, 9, 9, 9, 9, 9, 9, 9, 9), &out);
    const __m128i expected = _mm_setr_epi8(-128, -128, -21, 0, -16, 90, 82, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    Check(_mm_movemask_epi8(_mm_cmpeq_epi8(out, expected)) == 0xFFFF, "ConvertRGBToYUVPacked");
    ReleaseCImageUtility(utility);
}

void CheckVersionResource() {
    const DWORD size = GetFileVersionInfoSizeA("VelImageUtility.dll", nullptr);
    void *fixed = nullptr, *name = nullptr;
    UINT length = 0;
    Check(size != 0 && size <= sizeof g_versionInfo &&
              GetFileVersionInfoA("VelImageUtility.dll", 0, size, g_versionInfo) != 0 &&
              VerQueryValueA(g_versionInfo, "\\", &fixed, &length) != 0 && length >= sizeof(VS_FIXEDFILEINFO),
          "version resource");
    if (fixed == nullptr) return;
    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    Check(info->dwFileVersionMS == ((VIU_VERSION_MAJOR << 16) | VIU_VERSION_MINOR) &&
              info->dwFileVersionLS == (VIU_VERSION_PATCH << 16), "file version");
    Check(VerQueryValueA(g_versionInfo, "\\StringFileInfo\\040904b0\\ProductName", &name, &length) != 0 &&
              IsSameText(static_cast<const char*>(name), "VelImageUtility"), "ProductName");
}

}  // namespace

extern "C" void HostMain() {
    DetectCpuInstructionSet();
    CheckImages();
    CheckVersionResource();
    Write(g_failed ? "msvc host: failed\n" : "msvc host: passed\n");
    ExitProcess(g_failed ? 1 : 0);
}
