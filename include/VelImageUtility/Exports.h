// The library's exported functions (C linkage, undecorated names).
#ifndef VELIMAGEUTILITY_EXPORTS_H
#define VELIMAGEUTILITY_EXPORTS_H

#include "Interfaces.h"

#if defined(_WIN32)
#if defined(VELIMAGEUTILITY_BUILD)
#define VIU_API __declspec(dllexport)
#else
#define VIU_API __declspec(dllimport)
#endif
#else
#define VIU_API __attribute__((visibility("default")))
#endif

extern "C" {

// Identifies the processor and sets the process-wide instruction-set level
// (4 SSE4.1, 3 SSE2, 2 SSE, 1 MMX, 0 none). Call it once at start-up, before
// creating images: each image keeps the level current at its construction,
// and images made before the first call run the plain code paths. While it
// runs it briefly confines the process to one processor at a time and raises
// the calling thread's priority.
VIU_API void DetectCpuInstructionSet();

// Factories. The digit in a name is the number of arguments.
//   no digit   an empty image (null data, all sizes 0)
//   1          from a descriptor: with desc->copy true the image allocates
//              height * stride bytes, copies that many from desc->data and
//              owns the copy; with copy false it uses desc->data in place
//   2 (4 for   allocating: a new owned, uninitialised buffer of
//   Utility)   height * stride bytes (stride 4 * width, or width for Byte)
//   4 (5 for   over caller memory: data is used in place and never freed
//   Utility)
// Every factory returns null when the object or its pixel buffer cannot be
// obtained, and the descriptor forms return null for a null descriptor or a
// copy asked of null data. A negative width, height or stride, or a height * stride that
// does not fit a 32-bit signed number, counts as a buffer that cannot be
// obtained in the allocating and copying forms. Nothing escapes as an
// exception.
VIU_API ICImageUtility* GetCImageUtility();
VIU_API ICImageUtility* GetCImageUtility1(const ImageDesc* desc);
VIU_API ICImageUtility* GetCImageUtility4(int32_t width, int32_t height, int32_t stride,
                                          int32_t bytesPerPixel);
VIU_API ICImageUtility* GetCImageUtility5(uint8_t* data, int32_t width, int32_t height,
                                          int32_t stride, int32_t bytesPerPixel);

VIU_API ICImageARGB* GetCImageARGB();
VIU_API ICImageARGB* GetCImageARGB1(const ImageDesc* desc);
VIU_API ICImageARGB* GetCImageARGB2(int32_t width, int32_t height);
VIU_API ICImageARGB* GetCImageARGB4(uint8_t* data, int32_t width, int32_t height,
                                    int32_t stride);

VIU_API ICImageAYUV* GetCImageAYUV();
VIU_API ICImageAYUV* GetCImageAYUV1(const ImageDesc* desc);
VIU_API ICImageAYUV* GetCImageAYUV2(int32_t width, int32_t height);
VIU_API ICImageAYUV* GetCImageAYUV4(uint8_t* data, int32_t width, int32_t height,
                                    int32_t stride);

VIU_API ICImageByte* GetCImageByte();
VIU_API ICImageByte* GetCImageByte1(const ImageDesc* desc);
VIU_API ICImageByte* GetCImageByte2(int32_t width, int32_t height);
VIU_API ICImageByte* GetCImageByte4(uint8_t* data, int32_t width, int32_t height,
                                    int32_t stride);

// Release: frees the pixel buffer when the image owns it (the buffer it
// reports through GetDesc with copy true), then disposes of the object
// itself, so the pointer must not be used again. A buffer the image does not
// own stays the caller's. Call once per object, never with null. Returns 0.
VIU_API int32_t ReleaseCImageUtility(ICImageUtility* image);
VIU_API int32_t ReleaseCImageARGB(ICImageARGB* image);
VIU_API int32_t ReleaseCImageAYUV(ICImageAYUV* image);
VIU_API int32_t ReleaseCImageByte(ICImageByte* image);

}  // extern "C"

#endif
