// The few Windows SDK declarations the library's headers and the host use,
// for building the host with clang-cl where no Windows SDK is installed.
#ifndef MSVC_HOST_WINDOWS_H
#define MSVC_HOST_WINDOWS_H

#include <stdint.h>

typedef long HRESULT;
typedef long LONG;
typedef unsigned long DWORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef void* HANDLE;
typedef struct HBITMAP__* HBITMAP;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct tagSIZE { LONG cx, cy; } SIZE;
typedef struct tagRECT { LONG left, top, right, bottom; } RECT;
typedef struct tagVS_FIXEDFILEINFO {
    DWORD dwSignature, dwStrucVersion, dwFileVersionMS, dwFileVersionLS, dwProductVersionMS, dwProductVersionLS;
    DWORD dwFileFlagsMask, dwFileFlags, dwFileOS, dwFileType, dwFileSubtype, dwFileDateMS, dwFileDateLS;
} VS_FIXEDFILEINFO;

#define STD_OUTPUT_HANDLE ((DWORD)-11)

extern "C" {
__declspec(dllimport) HANDLE __stdcall GetStdHandle(DWORD handle);
__declspec(dllimport) BOOL __stdcall WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(UINT code);
__declspec(dllimport) DWORD __stdcall GetFileVersionInfoSizeA(const char* file, DWORD* handle);
__declspec(dllimport) BOOL __stdcall GetFileVersionInfoA(const char* file, DWORD handle, DWORD size, void* data);
__declspec(dllimport) BOOL __stdcall VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* size);
}

#endif
