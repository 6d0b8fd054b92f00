#ifndef C_HOST_H
#define C_HOST_H
// A host written in plain C: it sees the library only through the exported
// functions and calls every operation through its table slot number, the
// way a host built by another compiler does. Slot numbers are written out
// here independently of the C++ headers.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "VelImageUtility/Types.h"

#ifdef _WIN32
#define IMPORT __declspec(dllimport)
#else
#define IMPORT
#endif

typedef void* Object;

IMPORT void DetectCpuInstructionSet(void);
IMPORT Object GetCImageUtility(void);
IMPORT Object GetCImageUtility1(const ImageDesc* desc);
IMPORT Object GetCImageUtility4(int32_t width, int32_t height, int32_t stride, int32_t bpp);
IMPORT Object GetCImageUtility5(uint8_t* data, int32_t width, int32_t height, int32_t stride, int32_t bpp);
IMPORT int32_t ReleaseCImageUtility(Object image);
IMPORT Object GetCImageARGB(void);
IMPORT Object GetCImageARGB1(const ImageDesc* desc);
IMPORT Object GetCImageARGB2(int32_t width, int32_t height);
IMPORT Object GetCImageARGB4(uint8_t* data, int32_t width, int32_t height, int32_t stride);
IMPORT int32_t ReleaseCImageARGB(Object image);
IMPORT Object GetCImageAYUV(void);
IMPORT Object GetCImageAYUV1(const ImageDesc* desc);
IMPORT Object GetCImageAYUV2(int32_t width, int32_t height);
IMPORT Object GetCImageAYUV4(uint8_t* data, int32_t width, int32_t height, int32_t stride);
IMPORT int32_t ReleaseCImageAYUV(Object image);
IMPORT Object GetCImageByte(void);
IMPORT Object GetCImageByte1(const ImageDesc* desc);
IMPORT Object GetCImageByte2(int32_t width, int32_t height);
IMPORT Object GetCImageByte4(uint8_t* data, int32_t width, int32_t height, int32_t stride);
IMPORT int32_t ReleaseCImageByte(Object image);

// Slots shared by every table.
enum { kGetWidth, kGetHeight, kGetStride, kGetPixelCount, kGetBytesPerPixel, kIsDataOwned, kGetData, kGetDesc,
       kSetDesc, kGetPixelAddress, kIsSameSize, kFill };

extern int g_passed, g_failed;
extern const char* g_case;

#define CHECK(condition)                                                                                        \
    ((condition) ? (void)++g_passed                                                                            \
                 : (void)(++g_failed, fprintf(stderr, "%s:%d: %s: check failed: %s\n", __FILE__, __LINE__, g_case, \
                                               #condition)))

// The function in slot `index` of an object's operation table.
#define SLOT(type, object, index) ((type)((*(void***)(object))[index]))

// Calls of the base operations that other checks use too.
int32_t CallInt(Object o, int slot);
ImageDesc CallGetDesc(Object o);

// Checks by area; each file fills its own.
void TestBaseSlots(void);
void TestColourSlots(void);
void TestResampleSlots(void);
void TestFileSlots(void);
void TestByteSlots(void);

#endif
