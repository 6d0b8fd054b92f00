// The few operating-system services the library uses, behind one small
// interface: the real Windows functions there, a stand-in of ours elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VelImageUtility {
namespace Platform {

// A committed, read-write, page-aligned block of at least `bytes` bytes, or
// null. Give it back with FreePages and the same size.
void* AllocatePages(size_t bytes);
void FreePages(void* block, size_t bytes);

// High-resolution counter; false when the system has none.
bool QueryCounterFrequency(int64_t* ticksPerSecond);
bool QueryCounter(int64_t* ticks);

// Number of processors the system reports.
uint32_t ProcessorCount();

// Affinity masks of the process and of the system (one bit per processor).
bool GetProcessAffinity(uint64_t* processMask, uint64_t* systemMask);
bool SetProcessAffinity(uint64_t processMask);

// Gives up the rest of the time slice (a sleep of 0).
void YieldTimeSlice();

// Thread priorities on the Windows scale; kPriorityTimeCritical is 15.
constexpr int32_t kPriorityTimeCritical = 15;
constexpr int32_t kPriorityError = 0x7FFFFFFF;
// The calling thread's priority, or kPriorityError when it cannot be read.
int32_t GetCurrentThreadPriority();
bool SetCurrentThreadPriority(int32_t priority);

}  // namespace Platform
}  // namespace VelImageUtility
