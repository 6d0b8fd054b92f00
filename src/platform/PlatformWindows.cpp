#ifdef _WIN32
#include <windows.h>

#include "platform/Platform.h"

namespace VelImageUtility {
namespace Platform {

void* AllocatePages(size_t bytes) {
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void FreePages(void* block, size_t) {
    if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

bool QueryCounterFrequency(int64_t* ticksPerSecond) {
    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value)) return false;
    *ticksPerSecond = value.QuadPart;
    return true;
}

bool QueryCounter(int64_t* ticks) {
    LARGE_INTEGER value;
    if (!QueryPerformanceCounter(&value)) return false;
    *ticks = value.QuadPart;
    return true;
}

uint32_t ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

bool GetProcessAffinity(uint64_t* processMask, uint64_t* systemMask) {
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return false;
    *processMask = process;
    *systemMask = system;
    return true;
}

bool SetProcessAffinity(uint64_t processMask) {
    return SetProcessAffinityMask(GetCurrentProcess(), static_cast<DWORD_PTR>(processMask)) != 0;
}

void YieldTimeSlice() { Sleep(0); }

int32_t GetCurrentThreadPriority() {
    const int priority = GetThreadPriority(GetCurrentThread());
    return priority == THREAD_PRIORITY_ERROR_RETURN ? kPriorityError : priority;
}

bool SetCurrentThreadPriority(int32_t priority) {
    return SetThreadPriority(GetCurrentThread(), priority) != 0;
}

}  // namespace Platform
}  // namespace VelImageUtility
#endif
