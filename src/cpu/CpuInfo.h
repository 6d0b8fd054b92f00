// Processor identification: the process-wide processor description, the
// clock measurement and the processor count that fill it, and the
// instruction-set level derived from it.
#pragma once

#include <cstdint>

#include "cpu/CpuProbe.h"

namespace VelImageUtility {

enum class HyperThreadingStatus : int32_t {
    NotCapable = 0,
    Enabled = 1,
    Disabled = 2,
    CapableNotEnabled = 3,
    CannotDetect = 4,
};

// The description kept for each status ("HyperThreading technology ...").
const char* HyperThreadingStatusText(HyperThreadingStatus status);

constexpr int kCpuNameLength = 48;

// Member initialisers are the values at library load.
struct CpuInfo {
    char vendor[kCpuVendorLength + 1] = "------------";
    int32_t processorType = -1;
    int32_t family = -1;
    int32_t model = -1;
    int32_t stepping = -1;
    char name[kCpuNameLength + 1] = "";
    int32_t hasMMX = 0;
    int32_t hasSSE = 0;
    int32_t hasSSE2 = 0;
    int32_t hasSSE3 = 0;
    int32_t hasMonitor = 0;
    int32_t hasSSE41 = 0;
    int32_t hasSSE42 = 0;
    int32_t has3DNow = 0;
    int32_t has3DNowExt = 0;
    uint32_t speedMHz = 0;
    int32_t logicalPerPackage = 1;
    int32_t physicalCount = 1;
    int32_t htStatus = 0;
    int32_t valid = 0;
};

// The record written by the last DetectCpuInstructionSet.
const CpuInfo& ProcessCpuInfo();

// Identifies the processor into `info`, measuring its clock and counting
// processors on the way. It always succeeds: CPUID is always there.
void IdentifyCpu(CpuProbe& probe, CpuInfo& info);

// Runs IdentifyCpu into the process-wide record and sets the process-wide
// instruction-set level from it.
void DetectCpuInstructionSet(CpuProbe& probe);

// 4 SSE4.1, 3 SSE2, 2 SSE, 1 MMX, 0 none.
int32_t InstructionSetLevelFor(const CpuInfo& info);

// Removes leading spaces and a trailing clock such as "@ 1.83GHz" (keeping
// the "@").
void CleanCpuName(char* name);

// L2 cache size in KB named by one leaf-2 descriptor byte: 0 for "no L2",
// 1 for a byte that names no L2 size.
uint32_t L2CacheSizeForDescriptor(uint8_t descriptor);
// The L2 size named by the 15 descriptor bytes of CPUID leaf 2.
uint32_t L2CacheSizeFromLeaf2(const CpuidResult& leaf2);

struct CpuSpeed {
    uint32_t totalCycles;
    uint32_t totalMicroseconds;
    uint32_t mhz;         // truncated
    uint32_t mhzRounded;
};

// Times the time-stamp counter (or, without one, a bit-scan loop) against
// the performance counter; all zeros when no measurement can be made.
CpuSpeed MeasureCpuSpeed(CpuProbe& probe);

// Non-zero for a GenuineIntel processor of family 15 or with an extended
// family that reports hyper-threading (leaf 1 EDX bit 28).
uint32_t IsHyperThreadingCapable(CpuProbe& probe);

// Counts logical processors per package and physical processors by moving
// the process onto each processor in turn and reading its APIC ID there.
HyperThreadingStatus CountProcessors(CpuProbe& probe, int32_t* logicalPerPackage,
                                     int32_t* physicalCount);

}  // namespace VelImageUtility
