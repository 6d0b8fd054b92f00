/* Plain records and platform types shared by the library and its hosts.
 * This header is valid C and C++ so that a host written in C can use the
 * same record layouts. */
#ifndef VELIMAGEUTILITY_TYPES_H
#define VELIMAGEUTILITY_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
#include <cstddef>
#else
#include <stdbool.h>
#include <stddef.h>
#endif

#ifdef _WIN32
#include <windows.h>
#else
/* Stand-ins with the sizes of the Windows types (LONG is 32 bits there). */
typedef int32_t HRESULT;
typedef struct VelBitmapHandle* HBITMAP;
typedef struct VelModuleHandle* HMODULE;
typedef HMODULE HINSTANCE;
typedef struct tagSIZE {
    int32_t cx;
    int32_t cy;
} SIZE;
typedef struct tagRECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} RECT;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Describes a pixel buffer: pixel (x, y) starts at
 * data + y * stride + x * bytesPerPixel. Rows may carry padding. */
typedef struct ImageDesc {
    uint8_t* data;
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t bytesPerPixel;
    /* Into a constructor: make and own a private copy. Out of GetDesc: the
     * image owns its buffer. Into SetDesc: the image will own the buffer. */
    bool copy;
} ImageDesc;

#ifdef __cplusplus
}
#endif

/* Status values returned by the few operations that report one. */
#define VIU_S_OK ((HRESULT)0)
#define VIU_E_INVALIDARG ((HRESULT)0x80070057L)
#define VIU_E_FAIL ((HRESULT)0x80004005L)
#define VIU_E_OUTOFMEMORY ((HRESULT)0x8007000EL)

#endif
