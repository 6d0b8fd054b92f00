#ifndef _WIN32
#include <sched.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include "platform/Platform.h"

namespace VelImageUtility {
namespace Platform {

void* AllocatePages(size_t bytes) {
    if (bytes == 0) return nullptr;
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

void FreePages(void* block, size_t bytes) {
    if (block != nullptr) munmap(block, bytes);
}

// The monotonic clock in nanoseconds stands in for the performance counter.
bool QueryCounterFrequency(int64_t* ticksPerSecond) {
    *ticksPerSecond = 1000000000;
    return true;
}

bool QueryCounter(int64_t* ticks) {
    timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
    *ticks = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return true;
}

uint32_t ProcessorCount() {
    const long count = sysconf(_SC_NPROCESSORS_CONF);
    return count > 0 ? static_cast<uint32_t>(count) : 1u;
}

namespace {
// The system mask covers every configured processor, as far as 64 bits go.
uint64_t SystemMask() {
    const uint32_t count = ProcessorCount();
    return count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
}
}  // namespace

bool GetProcessAffinity(uint64_t* processMask, uint64_t* systemMask) {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) != 0) return false;
    uint64_t mask = 0;
    for (int cpu = 0; cpu < 64; ++cpu) {
        if (CPU_ISSET(cpu, &set)) mask |= uint64_t{1} << cpu;
    }
    *processMask = mask;
    *systemMask = SystemMask();
    return true;
}

// Confines the calling thread, which is what the measurements run on.
bool SetProcessAffinity(uint64_t processMask) {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu = 0; cpu < 64; ++cpu) {
        if (processMask & (uint64_t{1} << cpu)) CPU_SET(cpu, &set);
    }
    return sched_setaffinity(0, sizeof(set), &set) == 0;
}

void YieldTimeSlice() { sched_yield(); }

// Thread priorities are not changed here: an unprivileged process may not
// raise them, and the measurements do not depend on it.
int32_t GetCurrentThreadPriority() { return 0; }
bool SetCurrentThreadPriority(int32_t) { return true; }

}  // namespace Platform
}  // namespace VelImageUtility
#endif
