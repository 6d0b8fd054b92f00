// The factory and release exports and the load-time entry.
#include "VelImageUtility/Exports.h"

#include <new>

#include "argb/CImageARGB.h"
#include "ayuv/CImageAYUV.h"
#include "byte/CImageByte.h"

using namespace VelImageUtility;

namespace {

// Runs a constructor; a pixel buffer that cannot be obtained makes the
// factory return null, so no exception ever reaches the host.
template <typename Image, typename... Args>
Image* Create(Args... args) noexcept {
    try {
        return new Image(args...);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The descriptor form: null without a descriptor, and null when a copy is
// asked of bytes that are not there.
template <typename Image>
Image* CreateFromDesc(const ImageDesc* desc) noexcept {
    if (desc == nullptr) return nullptr;
    if (desc->copy && desc->data == nullptr && BufferByteCount(desc->height, desc->stride) != 0) return nullptr;
    return Create<Image>(desc);
}

// The interfaces have no destructor (their tables are fixed), so the object
// is taken apart through its own class rather than a virtual delete.
template <typename Image, typename Interface>
int32_t Release(Interface* image) noexcept {
    const ImageDesc desc = image->GetDesc();
    if (desc.copy) ReleasePixelBuffer(desc.data);
    Image* object = static_cast<Image*>(image);
    object->~Image();
    ::operator delete(object);
    return 0;
}

}  // namespace

extern "C" {

VIU_API ICImageUtility* GetCImageUtility() { return Create<CImageUtility>(); }
VIU_API ICImageUtility* GetCImageUtility1(const ImageDesc* desc) {
    return CreateFromDesc<CImageUtility>(desc);
}
VIU_API ICImageUtility* GetCImageUtility4(int32_t width, int32_t height, int32_t stride,
                                          int32_t bytesPerPixel) {
    return Create<CImageUtility>(width, height, stride, bytesPerPixel);
}
VIU_API ICImageUtility* GetCImageUtility5(uint8_t* data, int32_t width, int32_t height,
                                          int32_t stride, int32_t bytesPerPixel) {
    return Create<CImageUtility>(data, width, height, stride, bytesPerPixel);
}
VIU_API int32_t ReleaseCImageUtility(ICImageUtility* image) {
    return Release<CImageUtility>(image);
}

VIU_API ICImageARGB* GetCImageARGB() { return Create<CImageARGB>(); }
VIU_API ICImageARGB* GetCImageARGB1(const ImageDesc* desc) { return CreateFromDesc<CImageARGB>(desc); }
VIU_API ICImageARGB* GetCImageARGB2(int32_t width, int32_t height) {
    return Create<CImageARGB>(width, height, PackedStride(width, 4), 4);
}
VIU_API ICImageARGB* GetCImageARGB4(uint8_t* data, int32_t width, int32_t height,
                                    int32_t stride) {
    return Create<CImageARGB>(data, width, height, stride, 4);
}
VIU_API int32_t ReleaseCImageARGB(ICImageARGB* image) { return Release<CImageARGB>(image); }

VIU_API ICImageAYUV* GetCImageAYUV() { return Create<CImageAYUV>(); }
VIU_API ICImageAYUV* GetCImageAYUV1(const ImageDesc* desc) { return CreateFromDesc<CImageAYUV>(desc); }
VIU_API ICImageAYUV* GetCImageAYUV2(int32_t width, int32_t height) {
    return Create<CImageAYUV>(width, height, PackedStride(width, 4), 4);
}
VIU_API ICImageAYUV* GetCImageAYUV4(uint8_t* data, int32_t width, int32_t height,
                                    int32_t stride) {
    return Create<CImageAYUV>(data, width, height, stride, 4);
}
VIU_API int32_t ReleaseCImageAYUV(ICImageAYUV* image) { return Release<CImageAYUV>(image); }

VIU_API ICImageByte* GetCImageByte() { return Create<CImageByte>(); }
VIU_API ICImageByte* GetCImageByte1(const ImageDesc* desc) { return CreateFromDesc<CImageByte>(desc); }
VIU_API ICImageByte* GetCImageByte2(int32_t width, int32_t height) {
    return Create<CImageByte>(width, height, PackedStride(width, 1), 1);
}
VIU_API ICImageByte* GetCImageByte4(uint8_t* data, int32_t width, int32_t height,
                                    int32_t stride) {
    return Create<CImageByte>(data, width, height, stride, 1);
}
VIU_API int32_t ReleaseCImageByte(ICImageByte* image) { return Release<CImageByte>(image); }

}  // extern "C"

#ifdef _WIN32
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
#endif
